#pragma once
// Every file and folder below a folder with its bytes, through the platform and "\\?\" paths so
// that paths longer than MAX_PATH are seen too: what the suites under Wine compare an
// installation with before and after an update.

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qs::test {

// Relative path (the platform's ANSI text, "\" between levels) -> bytes, "<folder>" for folders.
using snapshot = std::map<std::string, std::string>;

// Visits every file and folder below `folder` (parents before what they hold), but the paths in
// `skip`: its path relative to `folder`, its entry and its full path.
inline void walk(platform& os, const std::wstring& folder, const std::vector<std::filesystem::path>& skip,
                 const std::function<void(const std::wstring&, const dir_entry&, const std::wstring&)>& visit,
                 const std::wstring& relative = {})
{
    for (const dir_entry& e : os.find_entries(L"\\\\?\\" + folder + L"\\*")) {
        if (e.name == L"." || e.name == L"..") continue;
        const std::wstring path = folder + L"\\" + e.name;
        if (std::find(skip.begin(), skip.end(), std::filesystem::path(path)) != skip.end()) continue;
        visit(relative + e.name, e, path);
        if (e.is_directory()) walk(os, path, skip, visit, relative + e.name + L"\\");
    }
}

inline std::string bytes_of(platform& os, const std::wstring& path)
{
    const std::vector<std::uint8_t> bytes = os.read_file(L"\\\\?\\" + path);
    return std::string(bytes.begin(), bytes.end());
}

// Every file and folder below `folder` (no trailing "\") with its bytes, but the paths in `skip`;
// empty when the folder is not there.
inline snapshot take_snapshot(platform& os, const std::filesystem::path& folder,
                              const std::vector<std::filesystem::path>& skip = {})
{
    snapshot out;
    if (!os.directory_exists(folder.wstring())) return out;
    walk(os, folder.wstring(), skip, [&](const std::wstring& relative, const dir_entry& e, const std::wstring& path) {
        try {
            out[os.to_ansi(relative)] = e.is_directory() ? "<folder>" : bytes_of(os, path);
        } catch (const system_error& held) {
            // The lock file of an update at work is open with no sharing.
            if (held.code() != 32) throw;  // ERROR_SHARING_VIOLATION
            out[os.to_ansi(relative)] = "<held>";
        }
    });
    return out;
}

}  // namespace qs::test
