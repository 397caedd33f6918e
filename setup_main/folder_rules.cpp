#include "setup_main/folder_rules.h"

#include "basics/paths.h"
#include "platform/file_name_case.h"

namespace qs {
namespace {

std::wstring comparable(const std::wstring& path)
{
    std::wstring out;
    for (wchar_t c : path) {
        if (c == L'/') c = L'\\';
        // Keep the two leading separators of a network path, collapse any other run.
        if (c == L'\\' && out.size() > 1 && out.back() == L'\\') continue;
        out.push_back(fold_file_name_char(c));
    }
    while (!out.empty() && out.back() == L'\\') out.pop_back();
    return out;
}

}  // namespace

std::wstring application_data_part(const std::wstring& folder_with_backslash, const std::wstring& name)
{
    return without_trailing_backslash(folder_with_backslash + L"Application_Data\\" + name);
}

bool is_drive_root(const std::wstring& folder)
{
    return without_trailing_backslash(folder).find_first_of(L"\\/") == std::wstring::npos;
}

bool is_same_or_inside(const std::wstring& path, const std::wstring& folder)
{
    const std::wstring p = comparable(path), f = comparable(folder);
    if (f.empty()) return false;
    return p == f || (p.size() > f.size() && p.compare(0, f.size(), f) == 0 && p[f.size()] == L'\\');
}

std::wstring folder_after_shell_copy(const std::wstring& destination, const std::wstring& name, bool existed_before)
{
    return existed_before ? destination + L"\\" + name : destination;
}

}  // namespace qs
