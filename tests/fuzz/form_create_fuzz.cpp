// Any five init_setup files through FormCreate on the fake platform: the window gets the first
// lines and the seven captions, the language is English just for a first line "1", and nothing
// fails.

#include "basics/paths.h"
#include "basics/text_files.h"
#include "fuzz_support.h"
#include "platform/fake/fake_platform.h"
#include "setup_main/setup_main_page.h"
#include "tests/support/fake_main_window_view.h"

namespace {

const wchar_t* const names[] = {L"title.txt", L"application_name.txt", L"infolines.txt", L"captions.txt",
                                L"language.txt"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> files = qs::fuzz::split_parts(data, size, 6);
    // The last part says which files are missing, one bit each.
    const unsigned missing = files[5].empty() ? 0u : static_cast<unsigned char>(files[5][0]);

    qs::fake::fake_platform os;
    qs::fake::fake_view view;
    qs::Tsetup_main_page page{os, view};
    const std::wstring folder = qs::program_dir_path(os, L"init_setup\\");
    for (int i = 0; i < 5; ++i)
        if (!(missing & (1u << i))) os.add_file(folder + names[i], files[i]);
    page.application_name = L"before";
    page.target_folder = L"before";
    page.FormCreate();

    FUZZ_CHECK(os.messages.empty());
    FUZZ_CHECK(os.errors.empty());
    FUZZ_CHECK(page.target_folder.empty());
    FUZZ_CHECK(view.texts.size() <= 7);
    for (const auto& [control, text] : view.texts) FUZZ_CHECK(!text.empty() && text.find_first_of(L"\r\n") == std::wstring::npos);

    auto file_text = [&](int i) { return qs::fuzz::latin1(files[i]); };
    if (missing & 1u) FUZZ_CHECK(view.caption == L"Korvex Hard- and Software quick setup");
    else FUZZ_CHECK(file_text(0).starts_with(view.caption));
    if (missing & 2u) FUZZ_CHECK(page.application_name.empty());
    else FUZZ_CHECK(file_text(1).starts_with(page.application_name) &&
                    page.application_name.find_first_of(L"\r\n") == std::wstring::npos);
    if (!(missing & 4u))
        FUZZ_CHECK(view.info_lines == qs::split_lines(qs::decode_text(qs::fuzz::bytes(files[2]), os).text));
    if (missing & 16u) FUZZ_CHECK(page.language == qs::ui_language::english);
    else FUZZ_CHECK((page.language == qs::ui_language::english) == (qs::split_lines(file_text(4)).size() > 0 &&
                                                  qs::split_lines(file_text(4)).front() == L"1"));
    return 0;
}
