#include "platform/win32/bcrypt_library.h"

#include "platform/win32/system_library.h"

namespace qs::win32 {

library_module load_system_library(const wchar_t* name)
{
    library_module library(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!library) throw_last_error();
    return library;
}

namespace {

struct loaded_bcrypt {
    library_module library;
    bcrypt_functions functions{};

    loaded_bcrypt() : library(load_system_library(L"bcrypt.dll"))
    {
        HMODULE m = library.get();
        resolve(m, "BCryptOpenAlgorithmProvider", functions.open_algorithm_provider);
        resolve(m, "BCryptCloseAlgorithmProvider", functions.close_algorithm_provider);
        resolve(m, "BCryptCreateHash", functions.create_hash);
        resolve(m, "BCryptHashData", functions.hash_data);
        resolve(m, "BCryptFinishHash", functions.finish_hash);
        resolve(m, "BCryptDestroyHash", functions.destroy_hash);
        resolve(m, "BCryptImportKeyPair", functions.import_key_pair);
        resolve(m, "BCryptVerifySignature", functions.verify_signature);
        resolve(m, "BCryptDestroyKey", functions.destroy_key);
    }
};

}  // namespace

const bcrypt_functions& bcrypt()
{
    // A failed construction leaves the static uninitialised, so the next call tries again.
    static const loaded_bcrypt loaded;
    return loaded.functions;
}

std::wstring status_text(NTSTATUS status)
{
    std::wstring text = message_text(static_cast<DWORD>(status), GetModuleHandleW(L"ntdll.dll"));
    if (text.empty()) text = system_text(ERROR_INVALID_FUNCTION);
    return text;
}

void check_status(NTSTATUS status)
{
    if (status < 0) throw system_error(status_text(status));
}

}  // namespace qs::win32
