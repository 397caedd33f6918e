#include "platform/win32/crypt32_library.h"

#include "platform/win32/system_library.h"

namespace qs::win32 {
namespace {

struct loaded_crypt32 {
    library_module library;
    crypt32_functions functions{};

    loaded_crypt32() : library(load_system_library(L"crypt32.dll"))
    {
        HMODULE m = library.get();
        resolve(m, "CertOpenStore", functions.open_store);
        resolve(m, "CertCloseStore", functions.close_store);
        resolve(m, "CertEnumCertificatesInStore", functions.enum_certificates);
        resolve(m, "CertFreeCertificateContext", functions.free_certificate);
        resolve(m, "CertGetCertificateChain", functions.get_chain);
        resolve(m, "CertFreeCertificateChain", functions.free_chain);
    }
};

}  // namespace

const crypt32_functions& crypt32()
{
    // A failed construction leaves the static uninitialised, so the next call tries again.
    static const loaded_crypt32 loaded;
    return loaded.functions;
}

}  // namespace qs::win32
