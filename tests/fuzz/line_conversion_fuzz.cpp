// Any pascal.txt through the hidden line conversion: one output line per input line, each no
// longer than its input allows, in the encoding the input was found in.

#include "basics/text_files.h"
#include "fuzz_support.h"
#include "platform/fake/fake_platform.h"
#include "setup_main/line_conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    qs::fake::fake_platform os;
    const std::string input(reinterpret_cast<const char*>(data), size);
    os.add_file(L"c:\\transfer\\pascal.txt", input);
    qs::convert_pascal_file(os);
    FUZZ_CHECK(os.has_file(L"c:\\transfer\\pascal_out.txt"));

    const qs::decoded_text in = qs::decode_text(qs::fuzz::bytes(input), os);
    const qs::loaded_lines out = qs::load_lines_with_encoding(os, L"c:\\transfer\\pascal_out.txt");
    const std::vector<std::wstring> lines = qs::split_lines(in.text);
    FUZZ_CHECK(out.encoding == in.encoding || lines.empty());
    FUZZ_CHECK(out.lines.size() == lines.size() || lines.empty());
    for (std::size_t i = 0; i < lines.size() && i < out.lines.size(); ++i) {
        const std::wstring converted = qs::convert_program_line(lines[i]);
        FUZZ_CHECK(out.lines[i] == converted);
        // head (up to two characters past the comma) + the text before ":=" + at most 300 more
        FUZZ_CHECK(converted.size() <= 2 * lines[i].size() + 1);
        FUZZ_CHECK(converted.size() <= lines[i].size() + (lines[i].find(L":=") == std::wstring::npos ? 0 : lines[i].find(L":=")));
        const std::size_t comma = lines[i].find(L',');
        if (comma == std::wstring::npos && lines[i].find(L":=") == std::wstring::npos)
            FUZZ_CHECK(converted == lines[i].substr(0, 301));
    }
    return 0;
}
