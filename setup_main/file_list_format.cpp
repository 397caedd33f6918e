#include "setup_main/file_list_format.h"

#include <algorithm>

namespace qs {

std::wstring file_list_line(const std::wstring& relative_path, const std::wstring& md5_hex, std::uint64_t size)
{
    std::wstring line;
    line.reserve(relative_path.size() + md5_hex.size() + 24);
    line += relative_path;
    line += L'\t';
    line += md5_hex;
    line += L'\t';
    line += std::to_wstring(size);
    return line;
}

std::wstring_view trim_controls_view(std::wstring_view text)
{
    std::size_t first = 0, last = text.size();
    while (first < last && static_cast<std::uint32_t>(text[first]) <= 0x20) ++first;
    while (last > first && static_cast<std::uint32_t>(text[last - 1]) <= 0x20) --last;
    return text.substr(first, last - first);
}

std::wstring trim_controls(const std::wstring& text)
{
    return std::wstring(trim_controls_view(text));
}

std::wstring tab_field(const std::wstring& line, int n)
{
    if (n < 1) return {};
    std::size_t start = 0;
    for (int field = 1; field < n; ++field) {
        const auto tab = line.find(L'\t', start);
        if (tab == std::wstring::npos) return {};
        start = tab + 1;
    }
    const auto end = line.find(L'\t', start);
    const std::wstring_view field(line.data() + start, (end == std::wstring::npos ? line.size() : end) - start);
    return std::wstring(trim_controls_view(field));
}

void reduce_to_paths(std::vector<std::wstring>& lines)
{
    for (std::wstring& line : lines) line = tab_field(line, 1);
}

std::optional<file_list_entry> parse_file_list_line(const std::wstring& line)
{
    const std::wstring digest = tab_field(line, 2), size_text = tab_field(line, 3);
    if (digest.size() != 32 || size_text.empty() || size_text.size() > 20) return std::nullopt;
    file_list_entry entry;
    entry.path = tab_field(line, 1);
    for (wchar_t c : digest) {
        if (c >= L'a' && c <= L'f') c = static_cast<wchar_t>(c - L'a' + L'A');
        if (!((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'))) return std::nullopt;
        entry.md5_hex.push_back(c);
    }
    std::uint64_t size = 0;
    for (wchar_t c : size_text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        const std::uint64_t digit = static_cast<std::uint64_t>(c - L'0');
        if (size > (UINT64_MAX - digit) / 10) return std::nullopt;
        size = size * 10 + digit;
    }
    entry.size = size;
    return entry;
}

std::wstring normalised_walk_folder(std::wstring folder)
{
    if (!folder.empty() && folder.back() == L'\\') folder.back() = L'/';
    if (!folder.empty() && folder.back() != L'/') folder.push_back(L'/');
    return folder;
}

std::wstring with_backslashes(std::wstring path)
{
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

namespace {

// A line's place in the sort, with 16 bytes of its key from some depth on held as big-endian
// numbers, which order as the bytes do. The lines are sorted on those numbers, then each run that
// ties is sorted again on the next 16 bytes: the large key store is read once a line and depth,
// not at every comparison, where nearly every read would miss the cache.
struct keyed_line {
    std::uint64_t head = 0, next = 0;  // zero-padded where the key ends
    std::size_t tail = 0;              // the key's length if it ends within these 16 bytes, else `continues`
    std::string_view key;
    std::size_t line = 0;
};

constexpr std::size_t chunk = 16;
constexpr std::size_t continues = SIZE_MAX;

std::uint64_t big_endian_at(std::string_view key, std::size_t from)
{
    std::uint64_t value = 0;
    for (std::size_t i = from; i < from + 8; ++i)
        value = (value << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return value;
}

void load_chunk(keyed_line& entry, std::size_t depth)
{
    entry.head = big_endian_at(entry.key, depth);
    entry.next = big_endian_at(entry.key, depth + 8);
    entry.tail = entry.key.size() <= depth + chunk ? entry.key.size() : continues;
}

// Equal bytes so far: a key that ends sorts before one that goes on, the shorter of two that end
// first (its padding stands for nothing), and identical keys by the line's place, so that equal
// lines keep their order. Lines that both go on are ordered only provisionally.
bool chunk_less(const keyed_line& a, const keyed_line& b)
{
    if (a.head != b.head) return a.head < b.head;
    if (a.next != b.next) return a.next < b.next;
    if (a.tail != b.tail) return a.tail < b.tail;
    return a.line < b.line;
}

void sort_by_keys(std::vector<keyed_line>& order)
{
    struct run {
        std::size_t begin, end, depth;
    };
    std::vector<run> runs{{0, order.size(), 0}};
    while (!runs.empty()) {
        const run r = runs.back();
        runs.pop_back();
        const auto first = order.begin() + static_cast<std::ptrdiff_t>(r.begin);
        const auto last = order.begin() + static_cast<std::ptrdiff_t>(r.end);
        for (auto it = first; it != last; ++it) load_chunk(*it, r.depth);
        std::sort(first, last, chunk_less);
        for (std::size_t i = r.begin; i < r.end;) {
            std::size_t j = i + 1;
            if (order[i].tail == continues)
                while (j < r.end && order[j].tail == continues && order[j].head == order[i].head &&
                       order[j].next == order[i].next)
                    ++j;
            if (j - i > 1) runs.push_back({i, j, r.depth + chunk});
            i = j;
        }
    }
}

}  // namespace

void sort_file_list(platform& os, std::vector<std::wstring>& lines)
{
    const sort_key_table keys = os.sort_keys(lines, true);
    std::vector<keyed_line> order(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        order[i].key = keys.key(i);
        order[i].line = i;
    }
    sort_by_keys(order);
    std::vector<std::wstring> sorted;
    sorted.reserve(lines.size());
    for (const keyed_line& entry : order) sorted.push_back(std::move(lines[entry.line]));
    lines = std::move(sorted);
}

}  // namespace qs
