// Any extensions.txt and ole_servers.txt through register_components on the fake platform: one
// question per record whose sixth line is a whole number, four keys for each answered Yes, the
// values built from the record, and one started OLE server per line that names a file.

#include "basics/paths.h"
#include "basics/settings.h"
#include "basics/text_files.h"
#include "fuzz_support.h"
#include "platform/fake/fake_platform.h"
#include "setup_main/extension_records.h"
#include "setup_main/setup_main_page.h"
#include "tests/support/fake_main_window_view.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> parts = qs::fuzz::split_parts(data, size, 3);
    qs::fake::fake_platform os;
    qs::fake::fake_view view;
    qs::Tsetup_main_page page{os, view};
    page.language = parts[2].size() % 2 ? qs::ui_language::german : qs::ui_language::english;
    const std::wstring own = qs::program_dir_path(os, L"");
    const std::wstring component = L"C:\\P\\";
    os.add_folder(component);
    for (const wchar_t* name : {L"server.exe", L"sub\\other.exe", L"a.ocx", L"midas.dll"}) os.add_file(component + name);
    os.add_folder(component + L"folder.ocx");
    os.add_file(own + L"init_setup\\extensions.txt", parts[0]);
    os.add_file(own + L"init_setup\\ole_servers.txt", parts[1]);

    const std::vector<std::wstring> ext_lines = qs::split_lines(qs::decode_text(qs::fuzz::bytes(parts[0]), os).text);
    const std::vector<std::wstring> ole_lines = qs::split_lines(qs::decode_text(qs::fuzz::bytes(parts[1]), os).text);
    std::size_t valid = 0;
    for (std::size_t r = 0; r + 6 <= ext_lines.size(); r += 6) {
        std::int32_t icon = 0;
        valid += qs::parse_int32(ext_lines[r + 5], icon);
    }
    std::size_t yes = 0;
    for (std::size_t i = 0; i < valid; ++i) {
        const bool answer = parts[2].empty() || (static_cast<unsigned char>(parts[2][i % parts[2].size()]) >> (i % 8)) & 1;
        os.yes_no_answers.push_back(answer);
        yes += answer;
    }
    page.target_folder = L"C:\\P";
    page.register_buttonClick();

    FUZZ_CHECK(os.errors.empty());
    FUZZ_CHECK(os.questions.size() == valid);
    FUZZ_CHECK(os.yes_no_answers.empty());
    FUZZ_CHECK(os.registry_writes.size() == 4 * yes);
    const std::vector<qs::extension_record> records = qs::parse_extension_records(ext_lines);
    FUZZ_CHECK(records.size() == valid);
    std::size_t w = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!os.questions[i].text.empty() && os.questions[i].text != qs::extension_question(records[i], page.language).text)
            FUZZ_CHECK(false);
        if (!(parts[2].empty() || (static_cast<unsigned char>(parts[2][i % parts[2].size()]) >> (i % 8)) & 1)) continue;
        for (const qs::registry_default& key : qs::file_type_keys(records[i], component)) {
            FUZZ_CHECK(os.registry_writes[w].key == key.key && os.registry_writes[w].value == key.value);
            ++w;
        }
    }
    std::size_t servers = 0;
    for (const std::wstring& line : ole_lines) servers += os.file_exists(component + line);
    // every OLE server that is a file, then the one real control and midas.dll
    FUZZ_CHECK(os.executed.size() == servers + 2);
    for (std::size_t i = 0; i < servers; ++i) FUZZ_CHECK(os.executed[i].parameters == L"/regserver");
    FUZZ_CHECK(os.executed[servers].file == L"regsvr32" && os.executed[servers + 1].file == L"regsvr32");
    FUZZ_CHECK(!view.is_enabled(qs::control::register_button));
    return 0;
}
