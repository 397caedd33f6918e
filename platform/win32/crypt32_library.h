#pragma once
// crypt32.dll, loaded at first use from the system folder only, as winhttp.dll is. The HTTPS
// transport uses it for one thing: to ready the system's certificate chain engine ahead of the
// first server certificate (see http.cpp).

#include <windows.h>
#include <wincrypt.h>

namespace qs::win32 {

struct crypt32_functions {
    decltype(&CertOpenStore) open_store;
    decltype(&CertCloseStore) close_store;
    decltype(&CertEnumCertificatesInStore) enum_certificates;
    decltype(&CertFreeCertificateContext) free_certificate;
    decltype(&CertGetCertificateChain) get_chain;
    decltype(&CertFreeCertificateChain) free_chain;
};

// The functions, loading the library on the first call (once, also when threads race for it).
// Throws system_error with the system's text when the library or one of the functions cannot
// be had; a later call tries again.
const crypt32_functions& crypt32();

}  // namespace qs::win32
