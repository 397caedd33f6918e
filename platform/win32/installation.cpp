// What installing and removing an installation needs beyond the tasks' own calls: keys and
// values of any type, programs started and waited for, the temporary folder, the process's rights,
// deletion at the next start, the shell's silent copy and reading shell links.
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

#include <shellapi.h>
#include <shlobj.h>

namespace qs::win32 {

namespace {
HKEY root_of(registry_root root)
{
    switch (root) {
    case registry_root::classes_root: return HKEY_CLASSES_ROOT;
    case registry_root::current_user: return HKEY_CURRENT_USER;
    case registry_root::local_machine: return HKEY_LOCAL_MACHINE;
    }
    return HKEY_CURRENT_USER;
}

void throw_on(LSTATUS status)
{
    if (status != ERROR_SUCCESS) throw system_error(system_text(static_cast<DWORD>(status)), static_cast<DWORD>(status));
}

std::wstring list_of_one(const std::wstring& path)
{
    std::wstring list = path;
    list.push_back(L'\0');
    return list;
}
}  // namespace

bool win32_platform::registry_key_exists(registry_root root, const std::wstring& key)
{
    registry_key opened;
    return RegOpenKeyExW(root_of(root), key.c_str(), 0, KEY_READ, opened.receive()) == ERROR_SUCCESS;
}

bool win32_platform::create_registry_key(registry_root root, const std::wstring& key)
{
    registry_key opened;
    DWORD disposition = 0;
    throw_on(RegCreateKeyExW(root_of(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr,
                             opened.receive(), &disposition));
    return disposition == REG_CREATED_NEW_KEY;
}

void win32_platform::write_registry_value(registry_root root, const std::wstring& key, const std::wstring& name,
                                          const registry_data& data)
{
    registry_key opened;
    throw_on(RegCreateKeyExW(root_of(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                             opened.receive(), nullptr));
    throw_on(RegSetValueExW(opened.get(), name.empty() ? nullptr : name.c_str(), 0, data.type,
                            data.bytes.empty() ? nullptr : data.bytes.data(), static_cast<DWORD>(data.bytes.size())));
}

bool win32_platform::delete_registry_value(registry_root root, const std::wstring& key, const std::wstring& name)
{
    registry_key opened;
    const LSTATUS open = RegOpenKeyExW(root_of(root), key.c_str(), 0, KEY_SET_VALUE, opened.receive());
    if (open == ERROR_FILE_NOT_FOUND) return false;
    throw_on(open);
    const LSTATUS status = RegDeleteValueW(opened.get(), name.empty() ? nullptr : name.c_str());
    if (status == ERROR_FILE_NOT_FOUND) return false;
    throw_on(status);
    return true;
}

bool win32_platform::delete_registry_key(registry_root root, const std::wstring& key)
{
    if (!registry_key_exists(root, key) || !registry_subkeys(root, key).empty()) return false;
    const LSTATUS status = RegDeleteKeyW(root_of(root), key.c_str());
    if (status == ERROR_FILE_NOT_FOUND) return false;
    throw_on(status);
    return true;
}

std::vector<std::wstring> win32_platform::registry_subkeys(registry_root root, const std::wstring& key)
{
    std::vector<std::wstring> names;
    registry_key opened;
    if (RegOpenKeyExW(root_of(root), key.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, opened.receive()) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];  // the longest key name the registry allows, with its NUL
        DWORD length = 256;
        if (RegEnumKeyExW(opened.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

std::uint32_t win32_platform::run_and_wait(const std::wstring& file, const std::wstring& parameters)
{
    std::wstring command = L"\"" + file + L"\"";
    if (!parameters.empty()) command += L" " + parameters;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    // A program named without a folder (regsvr32) is found along the search path. One with a
    // folder starts in it, so that it holds no other folder open (the uninstall's copy would
    // keep the program folder from going).
    const std::size_t cut = file.find_last_of(L"\\/");
    const std::wstring folder = cut == std::wstring::npos ? std::wstring() : file.substr(0, cut + 1);
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started))
        throw_last_error();
    const kernel_handle process(started.hProcess);
    const kernel_handle thread(started.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) throw_last_error();
    return code;
}

std::wstring win32_platform::temp_folder()
{
    wchar_t buffer[MAX_PATH + 2];
    const DWORD length = GetTempPathW(MAX_PATH + 2, buffer);
    if (length == 0 || length > MAX_PATH + 1) throw_last_error();
    std::wstring folder(buffer, length);
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    return folder;
}

bool win32_platform::is_administrator()
{
    return IsUserAnAdmin() != FALSE;
}

void win32_platform::delete_at_reboot(const std::wstring& path)
{
    if (!MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) throw_last_error();
}

bool win32_platform::shell_copy_silent(const std::wstring& from, const std::wstring& to)
{
    const std::wstring from_list = list_of_one(from);
    const std::wstring to_list = list_of_one(to);
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_COPY;
    operation.pFrom = from_list.c_str();
    operation.pTo = to_list.c_str();
    operation.fFlags = FOF_NO_UI;
    return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

std::wstring win32_platform::shell_link_target(const std::wstring& link_path)
{
    com_ptr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.receive())))
        return {};
    com_ptr<IPersistFile> file;
    if (FAILED(link.query(IID_IPersistFile, file)) || FAILED(file->Load(link_path.c_str(), STGM_READ))) return {};
    wchar_t target[MAX_PATH + 1] = {};
    if (FAILED(link->GetPath(target, MAX_PATH + 1, nullptr, SLGP_RAWPATH))) return {};
    return target;
}

}  // namespace qs::win32
