#pragma once

namespace tarn {

// Loads what the first verification of a signed file in a process would otherwise load while a
// page waits for it: the machine's certificate stores and the certificate chain engine (several
// hundred milliseconds under Wine). Safe beside verifications; changes nothing.
void WarmUpTrustVerification();

}  // namespace tarn
