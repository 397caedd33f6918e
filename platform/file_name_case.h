#pragma once
// Windows compares file names without regard to case. Both the program's own path rules and the
// in-memory file system of the tests fold names the same way: ASCII and Latin-1 capitals to their
// small letters (× is no letter), every other character as it is.

namespace qs {

constexpr wchar_t fold_file_name_char(wchar_t c)
{
    if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c - L'A' + L'a');
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 0x20);
    return c;
}

}  // namespace qs
