#include <algorithm>

#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

namespace {
HKEY root_key(registry_root root)
{
    switch (root) {
    case registry_root::classes_root: return HKEY_CLASSES_ROOT;
    case registry_root::current_user: return HKEY_CURRENT_USER;
    case registry_root::local_machine: return HKEY_LOCAL_MACHINE;
    }
    return HKEY_CURRENT_USER;
}

// The registry functions return their error code instead of setting the thread's last error.
void throw_if_failed(LSTATUS status)
{
    if (status != ERROR_SUCCESS) throw system_error(system_text(static_cast<DWORD>(status)));
}
}  // namespace

registry_data win32_platform::query_registry_value(registry_root root, const std::wstring& key,
                                                   const std::wstring& value_name)
{
    // Query access only and no explicit 32- or 64-bit view: the program reads what any program
    // of its own bitness would read.
    registry_key opened;
    throw_if_failed(RegOpenKeyExW(root_key(root), key.c_str(), 0, KEY_QUERY_VALUE, opened.receive()));

    registry_data data;
    DWORD type = REG_NONE;
    DWORD reported = 0;
    if (RegQueryValueExW(opened.get(), value_name.c_str(), nullptr, &type, nullptr, &reported) != ERROR_SUCCESS)
        return data;  // a missing value: type none
    data.type = type;
    data.bytes.resize(reported);
    DWORD read = reported;
    const LSTATUS status = RegQueryValueExW(opened.get(), value_name.c_str(), nullptr, &type,
                                            data.bytes.empty() ? nullptr : data.bytes.data(), &read);
    if (status != ERROR_SUCCESS) {
        data.bytes.clear();
        data.complete = false;
        return data;
    }
    data.complete = read == reported;
    data.bytes.resize(std::min<DWORD>(read, reported));
    return data;
}

void win32_platform::set_registry_default_value(registry_root root, const std::wstring& key,
                                                const std::wstring& value)
{
    registry_key opened;
    throw_if_failed(RegCreateKeyExW(root_key(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_SET_VALUE, nullptr, opened.receive(), nullptr));
    // A REG_SZ value's size counts its terminating NUL.
    const DWORD size = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    throw_if_failed(RegSetValueExW(opened.get(), nullptr, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(value.c_str()), size));
}

}  // namespace qs::win32
