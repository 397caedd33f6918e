#pragma once
// The shared unit's settings files: one entry per two lines, a key line followed by its value
// line. A key line matches when it equals the key after both are upper-cased in ASCII, blanks
// included; a later occurrence with a valid value overrides an earlier one.
//
// Number syntax, the same as the maker's other applications read with their runtime's
// StrToInt/StrToFloat:
// - integer: leading blanks, an optional sign, then decimal digits, or hexadecimal digits after
//   "$", "x", "X", "0x" or "0X"; nothing after the digits; the value must fit a signed 32-bit
//   integer (also in hexadecimal: $7FFFFFFF is the largest, -$80000000 the smallest).
// - real: leading and trailing blanks, an optional sign, digits with at most one decimal point
//   (at least one digit on either side of it), an optional exponent (e or E, optional sign,
//   digits); the value must be finite in single precision. A comma is read as the decimal point.

#include <cstdint>
#include <string>
#include <vector>

namespace qs {

bool parse_int32(const std::wstring& text, std::int32_t& value);
bool parse_real(const std::wstring& text, float& value);

// Every comma replaced by a point.
std::wstring comma_to_point(std::wstring text);

using setting_lines = std::vector<std::wstring>;

std::int32_t find_int_setting(const std::wstring& key, const setting_lines& lines, std::int32_t default_value);
std::wstring find_text_setting(const std::wstring& key, const setting_lines& lines,
                               const std::wstring& default_value);
float find_real_setting(const std::wstring& key, const setting_lines& lines, float default_value);

}  // namespace qs
