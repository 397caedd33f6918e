// Any bytes of a text file: decoded by their byte-order mark or as ANSI, then cut into lines.
// Lines never hold a line break, cutting loses nothing but the breaks, and well-formed UTF-8 and
// UTF-16 files come back byte for byte when encoded again.

#include "basics/text_files.h"
#include "fuzz_support.h"
#include "platform/fake/fake_platform.h"

namespace {

using qs::text_encoding;

// The text with every CR LF, CR and LF made one LF, and a final break dropped.
std::wstring breaks_as_lf(const std::wstring& text)
{
    std::wstring out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            out.push_back(L'\n');
            if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    if (!out.empty() && out.back() == L'\n') out.pop_back();
    return out;
}

void check_split(const std::wstring& text)
{
    const std::vector<std::wstring> lines = qs::split_lines(text);
    std::wstring joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        FUZZ_CHECK(lines[i].find_first_of(L"\r\n") == std::wstring::npos);
        if (i) joined.push_back(L'\n');
        joined += lines[i];
    }
    FUZZ_CHECK(joined == breaks_as_lf(text));
    FUZZ_CHECK(text.empty() == lines.empty() || text == L"\n" || text == L"\r" || text == L"\r\n");
}

bool valid_scalar(wchar_t c)
{
    const auto u = static_cast<std::uint32_t>(c);
    return u <= 0x10FFFF && (u < 0xD800 || u > 0xDFFF);
}

// Text that the fuzzer spells as UTF-32 code units: encoded and decoded, every well-formed text
// comes back.
void check_text_round_trip(const std::uint8_t* data, std::size_t size, qs::platform& os)
{
    std::wstring text;
    for (std::size_t i = 0; i + 3 < size; i += 4) {
        const std::uint32_t u = data[i] | data[i + 1] << 8 | data[i + 2] << 16 | static_cast<std::uint32_t>(data[i + 3]) << 24;
        text.push_back(static_cast<wchar_t>(u % 0x110000));
    }
    for (wchar_t& c : text)
        if (!valid_scalar(c)) c = L'?';
    for (text_encoding e : {text_encoding::utf8, text_encoding::utf16le, text_encoding::utf16be}) {
        const qs::decoded_text back = qs::decode_text(qs::encode_text(text, e, os), os);
        FUZZ_CHECK(back.encoding == e);
        FUZZ_CHECK(back.text == text);
    }
    FUZZ_CHECK(qs::utf8_to_wide(qs::wide_to_utf8(text)) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    qs::fake::fake_platform os;
    const std::vector<std::uint8_t> bytes(data, data + size);
    const qs::decoded_text decoded = qs::decode_text(bytes, os);
    check_split(decoded.text);

    // Bytes that decode without a replacement character were well formed: they encode back to
    // themselves, mark included.
    if (decoded.encoding != text_encoding::ansi && decoded.text.find(L'\xFFFD') == std::wstring::npos)
        FUZZ_CHECK(qs::encode_text(decoded.text, decoded.encoding, os) == bytes);
    if (decoded.encoding == text_encoding::ansi) FUZZ_CHECK(decoded.text.size() == size);

    // The same bytes as a file on disk, read by every reader.
    os.add_file(L"C:\\t\\f.txt", std::string(bytes.begin(), bytes.end()));
    const qs::loaded_lines loaded = qs::load_lines_with_encoding(os, L"C:\\t\\f.txt");
    FUZZ_CHECK(loaded.lines == qs::split_lines(decoded.text));
    FUZZ_CHECK(loaded.encoding == decoded.encoding);
    const std::wstring first = qs::read_first_line_ansi(os, L"C:\\t\\f.txt");
    FUZZ_CHECK(first.find_first_of(L"\r\n") == std::wstring::npos);
    FUZZ_CHECK(qs::fuzz::latin1(std::string(bytes.begin(), bytes.end())).starts_with(first));
    const std::vector<std::wstring> seven = qs::read_lines_ansi(os, L"C:\\t\\f.txt", 7);
    FUZZ_CHECK(seven.size() <= 7);
    if (!seven.empty()) FUZZ_CHECK(seven.front() == first);

    check_text_round_trip(data, size, os);
    return 0;
}
