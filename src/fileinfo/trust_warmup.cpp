#include "fileinfo/trust_warmup.h"

#include <windows.h>
#include <wincrypt.h>

namespace tarn {

void WarmUpTrustVerification() {
    const HCERTSTORE roots = ::CertOpenSystemStoreW(0, L"ROOT");
    if (roots == nullptr) {
        return;
    }
    // Building any chain loads the engine and the stores it searches.
    if (const PCCERT_CONTEXT root = ::CertEnumCertificatesInStore(roots, nullptr)) {
        CERT_CHAIN_PARA parameters = {};
        parameters.cbSize = sizeof parameters;
        PCCERT_CHAIN_CONTEXT chain = nullptr;
        if (::CertGetCertificateChain(nullptr, root, nullptr, nullptr, &parameters, 0, nullptr, &chain)) {
            ::CertFreeCertificateChain(chain);
        }
        ::CertFreeCertificateContext(root);
    }
    ::CertCloseStore(roots, 0);
}

}  // namespace tarn
