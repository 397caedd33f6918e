// One task per installation, and what a name means on disk: a file held with no sharing, the
// long form of short names, names folded as the file system folds them, and the programs'
// loaded images.
#include "platform/win32/handles.h"

#include <tlhelp32.h>

#include <algorithm>

#include "platform/file_name_case.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

namespace {

// A handle open with no sharing: every other open of the file, by any process of any PC and
// through any name of it, is refused with a sharing violation until it closes. The system closes
// it when the process ends however it ends, and the file goes with it.
class exclusive_file : public named_lock {
public:
    explicit exclusive_file(file_handle file) : file_(std::move(file)) {}

private:
    file_handle file_;
};

}  // namespace

std::unique_ptr<named_lock> win32_platform::hold_file_exclusively(const std::wstring& path)
{
    // A file another claim has just closed may still be pending its deletion for a moment: its
    // open is refused with access denied, and the next one succeeds.
    for (int attempt = 0;; ++attempt) {
        file_handle file(CreateFileW(extended_path(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (file) return std::make_unique<exclusive_file>(std::move(file));
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION) return nullptr;
        if (error != ERROR_ACCESS_DENIED || attempt >= 10) throw system_error(system_text(error), error);
        Sleep(50);
    }
}

std::wstring win32_platform::long_path_name(const std::wstring& path)
{
    const std::wstring given = extended_path(path);
    std::wstring long_form(given.size() + MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetLongPathNameW(given.c_str(), long_form.data(), static_cast<DWORD>(long_form.size()));
        if (length == 0) return path;
        if (length < long_form.size()) {
            long_form.resize(length);
            break;
        }
        long_form.resize(length + 1);
    }
    // Back to the form the caller gave, without a prefix it did not write.
    if (given.size() != path.size()) {
        if (long_form.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + long_form.substr(8);
        if (long_form.rfind(L"\\\\?\\", 0) == 0) return long_form.substr(4);
    }
    return long_form;
}

std::wstring win32_platform::fold_name_case(const std::wstring& name)
{
    if (name.empty()) return name;
    std::wstring out(name.size(), L'\0');
    const int length = LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, name.data(), static_cast<int>(name.size()),
                                    out.data(), static_cast<int>(out.size()));
    if (length == static_cast<int>(name.size())) return out;
    // Upper case keeps every length; should the system refuse all the same, the program's own
    // folding (ASCII, Latin-1, Greek, Cyrillic) compares the names.
    out = name;
    for (wchar_t& c : out) c = fold_file_name_char(c);
    return out;
}

std::vector<std::wstring> win32_platform::loaded_by_programs(const std::vector<std::wstring>& paths)
{
    std::vector<std::wstring> loaded;
    if (paths.empty()) return loaded;
    std::vector<std::wstring> wanted;
    for (const std::wstring& path : paths) wanted.push_back(fold_name_case(long_path_name(path)));
    std::vector<bool> found(paths.size(), false);

    const file_handle processes(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!processes) return loaded;
    const DWORD own = GetCurrentProcessId();
    PROCESSENTRY32W process{};
    process.dwSize = sizeof process;
    for (BOOL more = Process32FirstW(processes.get(), &process); more; more = Process32NextW(processes.get(), &process)) {
        if (process.th32ProcessID == own || process.th32ProcessID == 0) continue;
        // A process this user may not look into cannot be asked; it is no program of the user's
        // session that would load the installation's files.
        const file_handle modules(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, process.th32ProcessID));
        if (!modules) continue;
        MODULEENTRY32W module{};
        module.dwSize = sizeof module;
        for (BOOL next = Module32FirstW(modules.get(), &module); next; next = Module32NextW(modules.get(), &module)) {
            const std::wstring image = fold_name_case(long_path_name(module.szExePath));
            for (std::size_t i = 0; i < wanted.size(); ++i)
                if (!found[i] && image == wanted[i]) found[i] = true;
        }
    }
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (found[i]) loaded.push_back(paths[i]);
    return loaded;
}

std::wstring extended_path(const std::wstring& path)
{
    // Below MAX_PATH every function takes the path as it is; "\\?\" paths are taken literally, so
    // they must be whole, with "\" only.
    if (path.size() < MAX_PATH - 12 || path.rfind(L"\\\\?\\", 0) == 0) return path;
    std::wstring full = path;
    for (wchar_t& c : full)
        if (c == L'/') c = L'\\';
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
    return path;  // a relative path: the system makes it whole, within its own limit
}

}  // namespace qs::win32
