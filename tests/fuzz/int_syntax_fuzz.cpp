// Any text as a whole number: parse_int32 accepts exactly what a reading of the syntax written
// out here accepts (blanks, sign, "$" / "x" / "X" / "0x" / "0X" or none, digits, nothing after),
// with the same value, and refuses everything outside the signed 32-bit range.

#include "basics/settings.h"
#include "fuzz_support.h"

namespace {

bool hex_digit(wchar_t c, int& d)
{
    const std::wstring digits = L"0123456789abcdef";
    const std::size_t at = digits.find(static_cast<wchar_t>(c >= L'A' && c <= L'F' ? c - L'A' + L'a' : c));
    if (at == std::wstring::npos || c == 0) return false;
    d = static_cast<int>(at);
    return true;
}

// The syntax read from left to right with a wide accumulator, as a second opinion.
bool reference_parse(const std::wstring& text, std::int64_t& value)
{
    std::size_t i = text.find_first_not_of(L' ');
    if (i == std::wstring::npos) return false;
    int sign = 1;
    if (text[i] == L'-' || text[i] == L'+') sign = text[i++] == L'-' ? -1 : 1;
    int base = 10;
    if (text.compare(i, 2, L"0x") == 0 || text.compare(i, 2, L"0X") == 0) {
        base = 16;
        i += 2;
    } else if (i < text.size() && (text[i] == L'$' || text[i] == L'x' || text[i] == L'X')) {
        base = 16;
        i += 1;
    }
    if (i == text.size()) return false;
    __int128 magnitude = 0;
    for (; i < text.size(); ++i) {
        int d = 0;
        if (!hex_digit(text[i], d) || d >= base) return false;
        magnitude = magnitude * base + d;
        if (magnitude > (static_cast<__int128>(1) << 40)) return false;
    }
    const __int128 v = sign * magnitude;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<std::int64_t>(v);
    return true;
}

void check(const std::wstring& text)
{
    std::int32_t value = 12345;
    std::int64_t expected = 0;
    const bool accepted = qs::parse_int32(text, value);
    const bool reference = reference_parse(text, expected);
    FUZZ_CHECK(accepted == reference);
    if (accepted) FUZZ_CHECK(value == expected);
    else FUZZ_CHECK(value == 12345);  // a refused text leaves the target alone

    if (accepted) {
        // The decimal spelling of the value reads back as the same value.
        std::int32_t again = 0;
        FUZZ_CHECK(qs::parse_int32(std::to_wstring(value), again) && again == value);
        // A trailing blank makes any text invalid.
        FUZZ_CHECK(!qs::parse_int32(text + L" ", again));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string raw(reinterpret_cast<const char*>(data), size);
    check(qs::fuzz::latin1(raw));
    // The same text with the first byte as a wide character outside Latin-1.
    if (size >= 2) {
        std::wstring wide = qs::fuzz::latin1(raw.substr(2));
        wide.insert(wide.begin(), static_cast<wchar_t>(data[0] << 8 | data[1]));
        check(wide);
    }
    return 0;
}
