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
    return trim_controls(line.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
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

// A line's place in the sort. The first 16 key bytes are held as big-endian numbers, which order
// as the bytes do: most comparisons end there, without a look into the large key store.
struct keyed_line {
    std::uint64_t head = 0, next = 0;  // zero-padded when the key is shorter
    std::string_view key;
    std::size_t line = 0;
};

std::uint64_t big_endian_at(std::string_view key, std::size_t from)
{
    std::uint64_t value = 0;
    for (std::size_t i = from; i < from + 8; ++i)
        value = (value << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return value;
}

}  // namespace

void sort_file_list(platform& os, std::vector<std::wstring>& lines)
{
    const sort_key_table keys = os.sort_keys(lines, true);
    std::vector<keyed_line> order(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view key = keys.key(i);
        order[i] = {big_endian_at(key, 0), big_endian_at(key, 8), key, i};
    }
    // Ties on the whole key fall to the line's place, so equal lines keep their order.
    std::sort(order.begin(), order.end(), [](const keyed_line& a, const keyed_line& b) {
        if (a.head != b.head) return a.head < b.head;
        if (a.next != b.next) return a.next < b.next;
        if (const int c = a.key.compare(b.key)) return c < 0;
        return a.line < b.line;
    });
    std::vector<std::wstring> sorted;
    sorted.reserve(lines.size());
    for (const keyed_line& entry : order) sorted.push_back(std::move(lines[entry.line]));
    lines = std::move(sorted);
}

}  // namespace qs
