#include "setup_main/shortcut_candidates.h"

#include <algorithm>

#include "basics/paths.h"
#include "setup_main/messages.h"

namespace qs {

std::vector<std::wstring> candidate_paths(const std::wstring& folder, const std::vector<dir_entry>& found,
                                          const std::function<bool(const std::wstring&)>& is_file,
                                          const std::vector<std::wstring>& excluded)
{
    const std::wstring base = with_trailing_backslash(folder);
    std::vector<std::wstring> paths;
    for (const dir_entry& e : found) {
        if (std::find(excluded.begin(), excluded.end(), e.name) != excluded.end()) continue;
        const std::wstring path = base + e.name;
        if (is_file(path)) paths.push_back(path);
    }
    return paths;
}

std::wstring proposed_program_name(const std::wstring& path)
{
    const std::wstring name = file_name_of(path);
    return name.substr(0, name.size() > 4 ? name.size() - 4 : 0);
}

std::wstring proposed_help_name(const std::wstring& path, ui_language language)
{
    return proposed_program_name(path) + message(msg::help_name_suffix, language);
}

std::wstring link_file_path(const std::wstring& desktop_folder, const std::wstring& name)
{
    return desktop_folder + L"\\" + name + L".lnk";
}

std::wstring link_working_directory(const std::wstring& target)
{
    return folder_part_of(target);
}

}  // namespace qs
