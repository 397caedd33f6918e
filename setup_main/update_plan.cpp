#include "setup_main/setup_main_page.h"

#include <algorithm>

#include "basics/paths.h"
#include "basics/text_files.h"
#include "setup_main/file_list_format.h"
#include "setup_main/server_paths.h"
#include "setup_main/update_plan_merge.h"

namespace qs {
namespace {

// A list with a line or a path beyond any real installation is refused as a whole, before
// anything is fetched.
void check_server_list_limits(const std::vector<std::wstring>& lines, ui_language language)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::wstring number = std::to_wstring(i + 1);
        if (lines[i].size() > max_server_line_length)
            throw system_error(message(msg::remote_line_too_long, language, {number}));
        const std::wstring path = tab_field(lines[i], 1);
        const auto levels = static_cast<std::size_t>(std::count(path.begin(), path.end(), L'/')) + 1;
        if (levels > max_server_path_levels)
            throw system_error(message(msg::remote_path_too_deep, language, {number}));
    }
}

}  // namespace

void Tsetup_main_page::compare_file_lists()
{
    const std::vector<std::wstring> remote = load_lines(os_, program_dir_path(os_, remote_file_list_name));
    check_server_list_limits(remote, language);
    const std::vector<std::wstring> local = load_lines(os_, own_folder() + file_list_name);
    update_plan plan = merge_file_lists(remote, local);

    save_lines(os_, program_dir_path(os_, files_to_get_name), plan.remote);
    save_lines(os_, program_dir_path(os_, files_to_delete_name), plan.local);

    std::vector<std::wstring> paths_to_get = plan.remote;
    reduce_to_paths(paths_to_get);
    reduce_to_paths(plan.local);
    download_plan_files(paths_to_get, plan.remote);
    show_files_to_delete(plan.local);
}

void Tsetup_main_page::show_files_to_delete(const std::vector<std::wstring>& paths)
{
    std::wstring box = text(msg::files_to_delete);
    for (const std::wstring& path : paths) box += path + L"\r\n";
    os_.show_message(box);
}

}  // namespace qs
