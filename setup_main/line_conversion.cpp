#include "setup_main/line_conversion.h"

#include "basics/text_files.h"
#include "setup_main/setup_main_page.h"

namespace qs {

// Positions count from 1 and 0 means "not found", as the conversion was first written; the
// substring rules below are those of a 1-based Copy that clamps to the line's end.
std::wstring convert_program_line(const std::wstring& line)
{
    const std::size_t assign = line.find(L":=");
    const std::size_t comma = line.find(L',');
    const std::size_t a = assign == std::wstring::npos ? 0 : assign + 1;
    const std::size_t c = comma == std::wstring::npos ? 0 : comma + 1;
    const std::wstring head = line.substr(0, c + 1);
    const std::wstring left = a > 1 ? line.substr(0, a - 1) : std::wstring();
    const std::wstring tail = c + 1 < line.size() ? line.substr(c + 1, 300) : std::wstring();
    return head + left + tail;
}

void convert_pascal_file(platform& os)
{
    loaded_lines file = load_lines_with_encoding(os, L"c:\\transfer\\pascal.txt");
    for (std::wstring& line : file.lines) line = convert_program_line(line);
    save_lines(os, L"c:\\transfer\\pascal_out.txt", file.lines, file.encoding);
}

void Tsetup_main_page::Button1Click()
{
    run_task([this] { convert_pascal_file(os_); });
}

}  // namespace qs
