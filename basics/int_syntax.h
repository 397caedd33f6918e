#pragma once
// The whole-number syntax that the program's text files use for numbers: leading blanks, an
// optional "+" or "-", then decimal digits, or hexadecimal digits after "$", "x", "X" or "0x".
// The whole text must be used up and the value must fit a 32-bit signed integer.

#include <cstdint>
#include <string>

namespace qs {

// True and the value when the text is such a number; false (value untouched) otherwise.
bool parse_int32(const std::wstring& text, std::int32_t& value);

}  // namespace qs
