#include "fileinfo/trust_warmup.h"

#include "win/system_calls.h"

#include <windows.h>
#include <wincrypt.h>

namespace tarn {

void WarmUpTrustVerification() {
    const CryptCalls* crypt = Crypt();
    const HCERTSTORE roots = crypt != nullptr ? crypt->openSystemStore(0, L"ROOT") : nullptr;
    if (roots == nullptr) {
        return;
    }
    // Building any chain loads the engine and the stores it searches.
    if (const PCCERT_CONTEXT root = crypt->enumCertificates(roots, nullptr)) {
        CERT_CHAIN_PARA parameters = {};
        parameters.cbSize = sizeof parameters;
        PCCERT_CHAIN_CONTEXT chain = nullptr;
        if (crypt->getChain(nullptr, root, nullptr, nullptr, &parameters, 0, nullptr, &chain)) {
            crypt->freeChain(chain);
        }
        crypt->freeCertificate(root);
    }
    crypt->closeStore(roots, 0);
}

}  // namespace tarn
