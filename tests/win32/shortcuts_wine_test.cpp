#include <gtest/gtest.h>

#include "tests/support/page_fixture.h"
#include "tests/win32/registration_support.h"

namespace qs::wine_test {
namespace {

using test::lines;

// COM comes first and goes last, as in the program.
struct ShortcutsUnderWine : ::testing::Test, com_apartment, test::page_on<scripted_dialogs> {
    std::wstring desktop;
    std::wstring folder;
    // Link names of this suite only, removed before and after each test.
    const lines link_names{L"qs_calc", L"qs link test", L"qs_manual help", L"QS Handbuch", L"qs_Setup",
                           L"qs bad|name"};

    void SetUp() override
    {
        desktop = os.desktop_folder();
        ASSERT_FALSE(desktop.empty());
        ASSERT_TRUE(os.directory_exists(desktop));
        remove_links();
        folder = fresh_folder(L"program folder");
    }
    void TearDown() override
    {
        remove_links();
        remove_tree(own_folder() + L"program folder");
    }
    void remove_links()
    {
        for (const auto& name : link_names) DeleteFileW((desktop + L"\\" + name + L".lnk").c_str());
    }
    std::wstring program_file(const std::wstring& name)
    {
        const std::wstring path = folder + L"\\" + name;
        copy_or_fail(own_folder() + L"qs_test_server.exe", path);
        return path;
    }
    void expect_link(const std::wstring& name, const std::wstring& target)
    {
        const auto link = load_link(desktop + L"\\" + name + L".lnk");
        ASSERT_TRUE(link) << "no link " << std::string(name.begin(), name.end());
        EXPECT_EQ(link->target, target);
        EXPECT_EQ(link->arguments, L"");
        EXPECT_EQ(link->working_dir, target.substr(0, target.find_last_of(L'\\') + 1));
    }
};

TEST_F(ShortcutsUnderWine, DesktopLinkIsWrittenAndAnExistingOneReplaced)
{
    const std::wstring first = program_file(L"first.exe");
    CreateDirectoryW((folder + L"\\bin").c_str(), nullptr);
    const std::wstring second = folder + L"\\bin\\second.exe";
    copy_or_fail(first, second);

    page.create_desktop_link(first, L"qs link test");
    expect_link(L"qs link test", first);
    page.create_desktop_link(second, L"qs link test");
    expect_link(L"qs link test", second);
    EXPECT_TRUE(view.info.empty());
    EXPECT_TRUE(os.questions.empty());  // replacing asks nothing
}

TEST_F(ShortcutsUnderWine, ProgramShortcutsOfferEveryProgramButTheSetupPrograms)
{
    for (const wchar_t* name : {L"setup.exe", L"run_this_first.exe", L"simple_setup.exe", L"qs_calc.exe",
                                L"qs_Setup.exe"})
        program_file(name);
    CreateDirectoryW((folder + L"\\qs_tools.exe").c_str(), nullptr);
    // Directory order decides the order of the questions: note what the search gives.
    lines offered;
    for (const auto& e : os.find_entries(folder + L"\\*.exe"))
        if (e.name == L"qs_calc.exe" || e.name == L"qs_Setup.exe") offered.push_back(folder + L"\\" + e.name);
    ASSERT_EQ(offered.size(), 2u);
    os.yes_no_answers = {true, true};
    os.input_answers = {std::nullopt, std::nullopt};  // Cancel: the proposed names
    page.target_folder = folder;

    page.launch_buttonClick();

    ASSERT_EQ(os.questions.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(os.questions[i].text, L"Create a desktop shortcut for program " + offered[i] + L"?");
        EXPECT_EQ(os.questions[i].caption, L"Confirm");
        EXPECT_EQ(os.questions[i].icon, box_icon::question);
    }
    expect_link(L"qs_calc", folder + L"\\qs_calc.exe");
    expect_link(L"qs_Setup", folder + L"\\qs_Setup.exe");
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(view.info, (lines{L"", L"Creation of program shortcuts finished"}));
    EXPECT_FALSE(view.is_enabled(control::launch_button));
    EXPECT_TRUE(view.is_enabled(control::help_shortcut_button));
}

TEST_F(ShortcutsUnderWine, HelpShortcutsInGermanUnderTypedAndProposedNames)
{
    page.language = ui_language::german;
    write_bytes(folder + L"\\qs_manual.chm", "not really compiled help");
    write_bytes(folder + L"\\qs_guide.chm", "not really compiled help");
    CreateDirectoryW((folder + L"\\old.chm").c_str(), nullptr);
    lines offered;
    for (const auto& e : os.find_entries(folder + L"\\*.chm"))
        if (e.name != L"old.chm") offered.push_back(e.name);
    ASSERT_EQ(offered.size(), 2u);
    os.yes_no_answers = {true, true};
    // The manual keeps its proposed name; the guide gets a typed one.
    for (const auto& name : offered)
        os.input_answers.push_back(name == L"qs_manual.chm" ? std::nullopt : std::optional<std::wstring>(L"QS Handbuch"));
    page.target_folder = folder + L"\\";

    page.help_shortcut_buttonClick();

    ASSERT_EQ(os.inputs.size(), 2u);
    for (const auto& input : os.inputs) {
        EXPECT_EQ(input.title, L"Desktop-Symbol");
        EXPECT_EQ(input.prompt, L"Geben Sie einen Namen f\u00fcr das neue Desktop-Symbol an: ");
    }
    expect_link(L"qs_manual help", folder + L"\\qs_manual.chm");
    expect_link(L"QS Handbuch", folder + L"\\qs_guide.chm");
    EXPECT_EQ(view.info, (lines{L"", L"Erzeugen von Desktop-Symbolen f\u00fcr Hilfedateien beendet."}));
    EXPECT_FALSE(view.is_enabled(control::help_shortcut_button));
}

TEST_F(ShortcutsUnderWine, ANameTheFileSystemRefusesIsReportedAndTheTaskGoesOn)
{
    program_file(L"qs_calc.exe");
    program_file(L"qs_other.exe");
    os.yes_no_answers = {};
    for (const auto& e : os.find_entries(folder + L"\\*.exe")) {
        os.yes_no_answers.push_back(true);
        os.input_answers.push_back(e.name == L"qs_calc.exe" ? std::optional<std::wstring>(L"qs bad|name")
                                                             : std::optional<std::wstring>(L"qs_calc"));
    }
    page.target_folder = folder;

    page.launch_buttonClick();

    EXPECT_FALSE(load_link(desktop + L"\\qs bad|name.lnk"));
    expect_link(L"qs_calc", folder + L"\\qs_other.exe");
    ASSERT_EQ(view.info.size(), 3u);
    EXPECT_EQ(view.info[0], L"!!! Warning: the desktop shortcut " + desktop + L"\\qs bad|name.lnk could not be written!!!");
    EXPECT_EQ(view.info[2], L"Creation of program shortcuts finished");
    EXPECT_FALSE(view.is_enabled(control::launch_button));
}

}  // namespace
}  // namespace qs::wine_test
