#include "setup_main/update_plan_merge.h"

#include <cstdint>
#include <functional>
#include <string_view>

#include "setup_main/file_list_format.h"

namespace qs {
namespace {

// The distinct local lines (trimmed) in an open-addressing table. Each distinct line is
// represented by the index of its first local copy, which also indexes its counts: no allocation
// per line, which a node-based map would make a large share of the merge's time.
class local_line_table {
public:
    explicit local_line_table(const std::vector<std::wstring>& local)
        : local_(local), hashes_(local.size()), representative_(local.size()), unclaimed_(local.size(), 0),
          claimed_(local.size(), 0)
    {
        std::size_t capacity = 16;
        while (capacity < 2 * local.size()) capacity *= 2;
        slots_.assign(capacity, none);
        for (std::size_t j = 0; j < local.size(); ++j) {
            const std::wstring_view text = trim_controls_view(local[j]);
            hashes_[j] = std::hash<std::wstring_view>{}(text);
            std::uint32_t& slot = find(text, hashes_[j]);
            if (slot == none) slot = static_cast<std::uint32_t>(j);
            representative_[j] = slot;
            ++unclaimed_[slot];
        }
    }

    // A server line takes one unclaimed local copy of itself, if there is one.
    bool claim(const std::wstring& remote_line)
    {
        const std::wstring_view text = trim_controls_view(remote_line);
        const std::uint32_t slot = find(text, std::hash<std::wstring_view>{}(text));
        if (slot == none || unclaimed_[slot] == 0) return false;
        --unclaimed_[slot];
        ++claimed_[slot];
        return true;
    }

    // Whether local line j is one of the copies claimed; asked in list order, so the earliest
    // copies are the ones that match.
    bool matched(std::size_t j)
    {
        std::uint32_t& claimed = claimed_[representative_[j]];
        if (claimed == 0) return false;
        --claimed;
        return true;
    }

private:
    static constexpr std::uint32_t none = UINT32_MAX;

    std::uint32_t& find(std::wstring_view text, std::size_t hash)
    {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            std::uint32_t& slot = slots_[at];
            if (slot == none || (hashes_[slot] == hash && trim_controls_view(local_[slot]) == text)) return slot;
        }
    }

    const std::vector<std::wstring>& local_;
    std::vector<std::size_t> hashes_;
    std::vector<std::uint32_t> representative_, unclaimed_, claimed_;
    std::vector<std::uint32_t> slots_;
};

}  // namespace

update_plan merge_file_lists(const std::vector<std::wstring>& remote, const std::vector<std::wstring>& local)
{
    local_line_table table(local);
    update_plan plan;
    for (const std::wstring& line : remote)
        if (!table.claim(line)) plan.remote.push_back(line);
    for (std::size_t j = 0; j < local.size(); ++j)
        if (!table.matched(j)) plan.local.push_back(local[j]);
    return plan;
}

}  // namespace qs
