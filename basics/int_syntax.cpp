#include "basics/int_syntax.h"

#include <cstddef>

namespace qs {
namespace {

int digit_value(wchar_t c, int base)
{
    int v = -1;
    if (c >= L'0' && c <= L'9') v = c - L'0';
    else if (c >= L'a' && c <= L'f') v = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F') v = c - L'A' + 10;
    return v < base ? v : -1;
}

}  // namespace

bool parse_int32(const std::wstring& text, std::int32_t& value)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == L' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';

    int base = 10;
    if (i < text.size() && (text[i] == L'$' || text[i] == L'x' || text[i] == L'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == L'0' && text[i + 1] == L'x') {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return false;  // no digits at all

    // The magnitude may reach 2^31 only for a negative number.
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int d = digit_value(text[i], base);
        if (d < 0) return false;
        magnitude = magnitude * base + d;
        if (magnitude > limit) return false;
    }
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

}  // namespace qs
