#include "setup_main/update_plan_merge.h"

#include <string_view>
#include <unordered_map>

#include "setup_main/file_list_format.h"

namespace qs {
namespace {

struct occurrences {
    std::size_t unmatched_local = 0;  // local copies not yet claimed by a server line
    std::size_t matched = 0;          // local copies claimed, counted down when they are dropped
};

std::vector<std::wstring> unmatched(std::vector<std::wstring>& lines, const std::vector<bool>& matched)
{
    std::vector<std::wstring> out;
    out.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!matched[i]) out.push_back(std::move(lines[i]));
    return out;
}

}  // namespace

update_plan merge_file_lists(std::vector<std::wstring> remote, std::vector<std::wstring> local)
{
    // The views point into the lines themselves, so no line may move before the marks are made.
    std::unordered_map<std::wstring_view, occurrences> table;
    table.reserve(local.size());
    for (const std::wstring& line : local) ++table[trim_controls_view(line)].unmatched_local;

    std::vector<bool> remote_matched(remote.size(), false), local_matched(local.size(), false);
    for (std::size_t i = 0; i < remote.size(); ++i) {
        const auto found = table.find(trim_controls_view(remote[i]));
        if (found == table.end() || found->second.unmatched_local == 0) continue;
        --found->second.unmatched_local;
        ++found->second.matched;
        remote_matched[i] = true;
    }
    // Which local copy of a line matched does not matter for the files, but the copy left is shown
    // and saved as read: the earliest copies match, as on the server's side.
    for (std::size_t j = 0; j < local.size(); ++j) {
        occurrences& entry = table.find(trim_controls_view(local[j]))->second;
        if (entry.matched == 0) continue;
        --entry.matched;
        local_matched[j] = true;
    }
    return {unmatched(remote, remote_matched), unmatched(local, local_matched)};
}

}  // namespace qs
