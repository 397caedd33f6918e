#include "platform/win32/bcrypt_library.h"

#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

namespace {

// GetProcAddress hands every function out as FARPROC; the detour through a function type without
// arguments is the cast the compiler accepts between unrelated function types.
template <typename Function>
void resolve(HMODULE library, const char* name, Function& function)
{
    const FARPROC address = GetProcAddress(library, name);
    if (address == nullptr) throw_last_error();
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

struct loaded_bcrypt {
    library_module library;
    bcrypt_functions functions{};

    loaded_bcrypt() : library(LoadLibraryExW(L"bcrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
    {
        if (!library) throw_last_error();
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
