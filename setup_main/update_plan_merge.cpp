#include "setup_main/update_plan_merge.h"

#include "basics/paths.h"
#include "setup_main/file_list_format.h"

namespace qs {
namespace {

std::vector<std::wstring> trimmed_copies(const std::vector<std::wstring>& lines)
{
    std::vector<std::wstring> out;
    out.reserve(lines.size());
    for (const std::wstring& line : lines) out.push_back(trim_controls(line));
    return out;
}

std::vector<std::wstring> unmatched(std::vector<std::wstring>& lines, const std::vector<bool>& matched)
{
    std::vector<std::wstring> out;
    out.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!matched[i]) out.push_back(std::move(lines[i]));
    return out;
}

}  // namespace

update_plan merge_file_lists(platform& os, std::vector<std::wstring> remote, std::vector<std::wstring> local)
{
    const std::vector<std::wstring> r = trimmed_copies(remote), l = trimmed_copies(local);
    std::vector<bool> remote_matched(r.size(), false), local_matched(l.size(), false);
    // A matched pair leaves both lists, which brings the next entry of each under its cursor:
    // with marks instead of removals that is one step forward on both sides.
    std::size_t i = 0, j = 0;
    while (i < r.size() && j < l.size()) {
        if (r[i] == l[j]) {
            remote_matched[i++] = true;
            local_matched[j++] = true;
        } else if (os.compare_locale(ascii_upper(r[i]), ascii_upper(l[j]), false) > 0) {
            ++j;
        } else {
            ++i;
        }
    }
    return {unmatched(remote, remote_matched), unmatched(local, local_matched)};
}

}  // namespace qs
