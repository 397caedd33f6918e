#include "basics/text_files.h"

namespace qs {
namespace {

bool starts_with(const std::vector<std::uint8_t>& bytes, std::initializer_list<std::uint8_t> mark)
{
    if (bytes.size() < mark.size()) return false;
    std::size_t i = 0;
    for (std::uint8_t b : mark)
        if (bytes[i++] != b) return false;
    return true;
}


std::wstring utf16_to_wide(const std::uint8_t* p, std::size_t size, bool big_endian)
{
    std::wstring out;
    out.reserve(size / 2);
    std::vector<std::uint16_t> units;
    units.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        units.push_back(big_endian ? static_cast<std::uint16_t>(p[i] << 8 | p[i + 1])
                                   : static_cast<std::uint16_t>(p[i + 1] << 8 | p[i]));
    for (std::size_t i = 0; i < units.size(); ++i) {
        const std::uint16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            append_code_point(out, 0x10000 + ((u - 0xD800u) << 10) + (units[i + 1] - 0xDC00u));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            if constexpr (sizeof(wchar_t) == 2) out.push_back(static_cast<wchar_t>(u));  // as Windows keeps it
            else out.push_back(L'\xFFFD');
        } else {
            out.push_back(static_cast<wchar_t>(u));
        }
    }
    if (size % 2 != 0) out.push_back(L'\xFFFD');
    return out;
}

void append_utf16(std::vector<std::uint8_t>& out, std::uint16_t unit, bool big_endian)
{
    const auto hi = static_cast<std::uint8_t>(unit >> 8), lo = static_cast<std::uint8_t>(unit & 0xFF);
    if (big_endian) {
        out.push_back(hi);
        out.push_back(lo);
    } else {
        out.push_back(lo);
        out.push_back(hi);
    }
}

std::vector<std::uint8_t> wide_to_utf16(const std::wstring& text, bool big_endian)
{
    std::vector<std::uint8_t> out;
    out.reserve(text.size() * 2 + 2);
    for (wchar_t c : text) {
        const auto cp = static_cast<std::uint32_t>(c);
        if (cp >= 0x10000) {
            append_utf16(out, static_cast<std::uint16_t>(0xD800 + ((cp - 0x10000) >> 10)), big_endian);
            append_utf16(out, static_cast<std::uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)), big_endian);
        } else {
            append_utf16(out, static_cast<std::uint16_t>(cp), big_endian);
        }
    }
    return out;
}

}  // namespace


decoded_text decode_text(const std::vector<std::uint8_t>& bytes, platform& os)
{
    if (starts_with(bytes, {0xEF, 0xBB, 0xBF}))
        return {utf8_to_wide(std::string(bytes.begin() + 3, bytes.end())), text_encoding::utf8};
    if (starts_with(bytes, {0xFF, 0xFE}))
        return {utf16_to_wide(bytes.data() + 2, bytes.size() - 2, false), text_encoding::utf16le};
    if (starts_with(bytes, {0xFE, 0xFF}))
        return {utf16_to_wide(bytes.data() + 2, bytes.size() - 2, true), text_encoding::utf16be};
    return {os.from_ansi(std::string(bytes.begin(), bytes.end())), text_encoding::ansi};
}

std::vector<std::uint8_t> encode_text(const std::wstring& text, text_encoding encoding, platform& os)
{
    std::vector<std::uint8_t> out;
    switch (encoding) {
    case text_encoding::ansi: {
        const std::string ansi = os.to_ansi(text);
        out.assign(ansi.begin(), ansi.end());
        break;
    }
    case text_encoding::utf8: {
        out = {0xEF, 0xBB, 0xBF};
        const std::string utf8 = wide_to_utf8(text);
        out.insert(out.end(), utf8.begin(), utf8.end());
        break;
    }
    case text_encoding::utf16le:
    case text_encoding::utf16be: {
        const bool be = encoding == text_encoding::utf16be;
        out = be ? std::vector<std::uint8_t>{0xFE, 0xFF} : std::vector<std::uint8_t>{0xFF, 0xFE};
        const auto body = wide_to_utf16(text, be);
        out.insert(out.end(), body.begin(), body.end());
        break;
    }
    }
    return out;
}

std::vector<std::wstring> split_lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (text[i] != L'\r' && text[i] != L'\n') continue;
        lines.emplace_back(text, start, i - start);
        if (text[i] == L'\r' && i + 1 < n && text[i + 1] == L'\n') ++i;
        start = i + 1;
    }
    if (start < n) lines.emplace_back(text, start, n - start);
    return lines;
}

loaded_lines load_lines_with_encoding(platform& os, const std::wstring& path)
{
    decoded_text decoded = decode_text(os.read_file(path), os);
    return {split_lines(decoded.text), decoded.encoding};
}

std::vector<std::wstring> load_lines(platform& os, const std::wstring& path)
{
    return load_lines_with_encoding(os, path).lines;
}

std::vector<std::wstring> read_lines_ansi(platform& os, const std::wstring& path, std::size_t count)
{
    const std::vector<std::uint8_t> bytes = os.read_file(path);
    std::vector<std::wstring> lines = split_lines(os.from_ansi(std::string(bytes.begin(), bytes.end())));
    if (lines.size() > count) lines.resize(count);
    return lines;
}

std::wstring read_first_line_ansi(platform& os, const std::wstring& path)
{
    const std::vector<std::wstring> lines = read_lines_ansi(os, path, 1);
    return lines.empty() ? std::wstring() : lines.front();
}

void save_lines(platform& os, const std::wstring& path, const std::vector<std::wstring>& lines,
                text_encoding encoding)
{
    std::wstring text;
    std::size_t total = 0;
    for (const auto& line : lines) total += line.size() + 2;
    text.reserve(total);
    for (const auto& line : lines) {
        text += line;
        text += L"\r\n";
    }
    std::vector<std::uint8_t> bytes = encode_text(text, encoding, os);
    // An empty list is an empty file, without even a byte-order mark.
    if (lines.empty()) bytes.clear();
    os.write_file(path, bytes);
}

}  // namespace qs
