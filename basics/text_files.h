#pragma once
// Reading and writing the program's text files. Whole files are decoded by their byte-order mark
// (UTF-8, UTF-16 LE, UTF-16 BE) or in the system's ANSI code page, and split at CR LF, CR or LF;
// a line break at the very end adds no empty line. Lists are written in ANSI without a mark,
// with CR LF after every line.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/utf8.h"

namespace qs {

enum class text_encoding { ansi, utf8, utf16le, utf16be };

struct decoded_text {
    std::wstring text;
    text_encoding encoding = text_encoding::ansi;
};

// Decodes bytes by their byte-order mark (which is dropped), else in the ANSI code page.
decoded_text decode_text(const std::vector<std::uint8_t>& bytes, platform& os);
// Encodes text in an encoding, with the byte-order mark that encoding is recognised by.
std::vector<std::uint8_t> encode_text(const std::wstring& text, text_encoding encoding, platform& os);

// Splits at CR LF, CR or LF; no empty entry for a final line break, none at all for "".
std::vector<std::wstring> split_lines(const std::wstring& text);

// The whole file as lines (decoded as above). Throws system_error when it cannot be read.
std::vector<std::wstring> load_lines(platform& os, const std::wstring& path);
struct loaded_lines {
    std::vector<std::wstring> lines;
    text_encoding encoding = text_encoding::ansi;
};
loaded_lines load_lines_with_encoding(platform& os, const std::wstring& path);

// The first line of a plain ANSI text file ("" for an empty file), as a line-by-line reader
// reads it. Throws system_error when it cannot be read.
std::wstring read_first_line_ansi(platform& os, const std::wstring& path);
// The first `count` lines of a plain ANSI text file (fewer when the file is shorter).
std::vector<std::wstring> read_lines_ansi(platform& os, const std::wstring& path, std::size_t count);

// Writes lines in the given encoding, each followed by CR LF, replacing the file.
void save_lines(platform& os, const std::wstring& path, const std::vector<std::wstring>& lines,
                text_encoding encoding = text_encoding::ansi);

}  // namespace qs
