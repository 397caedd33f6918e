#pragma once
// bcrypt.dll, loaded at first use from the system folder only, so that the program does not
// import it and no copy of it beside the program (on an installation medium, say) is ever loaded.
// Every BCrypt function the Win32 layer calls comes from here.

#include <windows.h>
#include <bcrypt.h>

#include <string>

namespace qs::win32 {

struct bcrypt_functions {
    decltype(&BCryptOpenAlgorithmProvider) open_algorithm_provider;
    decltype(&BCryptCloseAlgorithmProvider) close_algorithm_provider;
    decltype(&BCryptCreateHash) create_hash;
    decltype(&BCryptHashData) hash_data;
    decltype(&BCryptFinishHash) finish_hash;
    decltype(&BCryptDestroyHash) destroy_hash;
    decltype(&BCryptImportKeyPair) import_key_pair;
    decltype(&BCryptVerifySignature) verify_signature;
    decltype(&BCryptDestroyKey) destroy_key;
};

// The functions, loading the library on the first call (once, also when threads race for it).
// Throws system_error with the system's text when the library or one of the functions cannot
// be had; a later call tries again.
const bcrypt_functions& bcrypt();

// The system's text for a BCrypt status (NTSTATUS, whose texts live in ntdll's message table).
std::wstring status_text(NTSTATUS status);
// Throws system_error with the status's text for a failure status.
void check_status(NTSTATUS status);

}  // namespace qs::win32
