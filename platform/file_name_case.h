#pragma once
// Windows compares file names without regard to case. Both the program's own path rules and the
// in-memory file system of the tests fold names the same way: the capitals of ASCII, Latin-1,
// Greek and Cyrillic to their small letters (× is no letter; the final sigma is the sigma, as both
// are Σ to Windows), every other character as it is. Where the system is at hand,
// platform::fold_name_case asks it.

namespace qs {

constexpr wchar_t fold_file_name_char(wchar_t c)
{
    if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c - L'A' + L'a');
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 0x20);
    // Greek: the capitals with tonos, the capitals, and the final sigma.
    if (c == 0x386) return 0x3AC;
    if (c >= 0x388 && c <= 0x38A) return static_cast<wchar_t>(c + 0x25);
    if (c == 0x38C) return 0x3CC;
    if (c == 0x38E || c == 0x38F) return static_cast<wchar_t>(c + 0x3F);
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<wchar_t>(c + 0x20);
    if (c == 0x3C2) return 0x3C3;
    // Cyrillic: Ѐ-Џ and А-Я.
    if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 0x50);
    if (c >= 0x410 && c <= 0x42F) return static_cast<wchar_t>(c + 0x20);
    return c;
}

}  // namespace qs
