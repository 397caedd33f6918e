#include "basics/settings.h"

#include <charconv>
#include <cmath>
#include <functional>

#include "basics/paths.h"

namespace qs {
namespace {

int digit_value(wchar_t c, bool hex)
{
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (!hex) return -1;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

std::size_t skip_blanks(const std::wstring& text, std::size_t i)
{
    while (i < text.size() && text[i] == L' ') ++i;
    return i;
}

// Position after the hexadecimal prefix, or npos when there is none.
std::size_t after_hex_prefix(const std::wstring& text, std::size_t i)
{
    if (i < text.size() && (text[i] == L'$' || text[i] == L'x' || text[i] == L'X')) return i + 1;
    if (i + 1 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) return i + 2;
    return std::wstring::npos;
}

std::size_t skip_digits(const std::wstring& text, std::size_t i)
{
    while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') ++i;
    return i;
}

// Checks the real syntax and returns the number part as ASCII for from_chars.
bool real_number_text(const std::wstring& text, std::string& ascii)
{
    std::size_t i = skip_blanks(text, 0);
    std::size_t end = text.size();
    while (end > i && text[end - 1] == L' ') --end;
    const std::size_t start = i;
    if (i < end && (text[i] == L'+' || text[i] == L'-')) ++i;
    const std::size_t int_end = skip_digits(text, i);
    bool digits = int_end > i;
    i = int_end;
    if (i < end && text[i] == L'.') {
        const std::size_t frac_end = skip_digits(text, i + 1);
        digits = digits || frac_end > i + 1;
        i = frac_end;
    }
    if (!digits) return false;
    if (i < end && (text[i] == L'e' || text[i] == L'E')) {
        std::size_t e = i + 1;
        if (e < end && (text[e] == L'+' || text[e] == L'-')) ++e;
        const std::size_t exp_end = skip_digits(text, e);
        if (exp_end == e) return false;
        i = exp_end;
    }
    if (i != end) return false;
    // from_chars takes no leading "+".
    ascii.clear();
    for (std::size_t k = start; k < end; ++k)
        if (!(k == start && text[k] == L'+')) ascii.push_back(static_cast<char>(text[k]));
    return true;
}

bool key_matches(const std::wstring& line, const std::wstring& upper_key)
{
    return line.size() == upper_key.size() && ascii_upper(line) == upper_key;
}

// Walks key line / value line pairs; a value line is never taken as a key line.
void for_each_value(const std::wstring& key, const setting_lines& lines,
                    const std::function<void(const std::wstring&)>& take)
{
    const std::wstring upper_key = ascii_upper(key);
    std::size_t i = 0;
    while (i < lines.size()) {
        if (key_matches(lines[i], upper_key)) {
            ++i;
            if (i < lines.size()) take(lines[i]);
        }
        ++i;
    }
}

}  // namespace

bool parse_int32(const std::wstring& text, std::int32_t& value)
{
    std::size_t i = skip_blanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    const std::size_t hex_start = after_hex_prefix(text, i);
    const bool hex = hex_start != std::wstring::npos;
    if (hex) i = hex_start;
    if (i >= text.size()) return false;
    const std::int64_t base = hex ? 16 : 10;
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int d = digit_value(text[i], hex);
        if (d < 0) return false;
        magnitude = magnitude * base + d;
        if (magnitude > limit) return false;
    }
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

bool parse_real(const std::wstring& text, float& value)
{
    std::string ascii;
    if (!real_number_text(text, ascii)) return false;
    float parsed = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), parsed);
    if (error != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

std::wstring comma_to_point(std::wstring text)
{
    for (wchar_t& c : text)
        if (c == L',') c = L'.';
    return text;
}

std::int32_t find_int_setting(const std::wstring& key, const setting_lines& lines, std::int32_t default_value)
{
    std::int32_t result = default_value;
    for_each_value(key, lines, [&](const std::wstring& line) {
        std::int32_t parsed = 0;
        if (parse_int32(line, parsed)) result = parsed;
    });
    return result;
}

std::wstring find_text_setting(const std::wstring& key, const setting_lines& lines,
                               const std::wstring& default_value)
{
    std::wstring result = default_value;
    for_each_value(key, lines, [&](const std::wstring& line) { result = line; });
    return result;
}

float find_real_setting(const std::wstring& key, const setting_lines& lines, float default_value)
{
    float result = default_value;
    for_each_value(key, lines, [&](const std::wstring& line) {
        float parsed = 0;
        if (parse_real(comma_to_point(line), parsed)) result = parsed;
    });
    return result;
}

}  // namespace qs
