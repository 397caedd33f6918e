// Any default_values.ini and vcf132.ini: the start-up reads them without failing, and every
// lookup over their lines gives either the default or the value of one of the file's value lines.

#include "basics/paths.h"
#include "basics/settings.h"
#include "basics/startup.h"
#include "basics/text_files.h"
#include "fuzz_support.h"
#include "platform/fake/fake_platform.h"

namespace {

std::wstring ascii_upper(std::wstring text)
{
    for (wchar_t& c : text)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
}

// Every key line of the file (and one that is in none) looked up three ways.
void check_lookups(const qs::setting_lines& lines)
{
    std::vector<std::wstring> keys{L"no such key"};
    for (std::size_t i = 0; i < lines.size() && keys.size() < 8; ++i) keys.push_back(lines[i]);
    for (const std::wstring& key : keys) {
        // The value lines of the key: the line after each matching key line, where a value line
        // is never itself taken as a key line.
        std::vector<std::size_t> values;
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (ascii_upper(lines[i]) == ascii_upper(key) && i + 1 < lines.size()) values.push_back(++i);

        const std::int32_t number = qs::find_int_setting(key, lines, -77);
        bool found = number == -77;
        for (std::size_t v : values) {
            std::int32_t parsed = 0;
            if (qs::parse_int32(lines[v], parsed) && parsed == number) found = true;
        }
        FUZZ_CHECK(found);

        const std::wstring text = qs::find_text_setting(key, lines, L"\x01default");
        found = text == L"\x01default";
        for (std::size_t v : values) found = found || lines[v] == text;
        FUZZ_CHECK(found);
        if (values.empty()) FUZZ_CHECK(text == L"\x01default");

        const float real = qs::find_real_setting(key, lines, 0.5f);
        FUZZ_CHECK(real == real);  // never NaN
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> files = qs::fuzz::split_parts(data, size, 2);
    qs::fake::fake_platform os;
    os.add_file(qs::user_settings_path(os, L"default_values.ini"), files[0]);
    os.add_file(qs::program_dir_path(os, L"vcf132.ini"), files[1]);
    os.yes_no_answers.assign(4, size > 0 && data[0] % 2 == 0);

    const qs::shared_settings settings = qs::read_default_values(os);
    FUZZ_CHECK(settings.valdor_yt_maximum == settings.valdor_yt_maximum);
    const qs::workbook_flags flags = qs::read_workbook_settings(os);
    FUZZ_CHECK(os.questions.size() <= 1);
    if (os.questions.size() == 1) FUZZ_CHECK(flags.ask_for_workbook);

    for (const std::string& file : files) check_lookups(qs::split_lines(qs::decode_text(qs::fuzz::bytes(file), os).text));
    return 0;
}
