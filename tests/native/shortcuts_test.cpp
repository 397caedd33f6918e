#include <gtest/gtest.h>

#include "setup_main/shortcut_candidates.h"
#include "tests/support/page_fixture.h"

namespace qs {
namespace {

using test::lines;

TEST(ShortcutCandidates, SetupProgramsExcludedCaseSensitivelyAndFoldersDropped)
{
    const std::vector<dir_entry> found{{L"setup.exe", attr::archive, 1},   {L"zeta.exe", attr::archive, 1},
                                       {L"run_this_first.exe", attr::archive, 1}, {L"tools.exe", attr::directory, 0},
                                       {L"Setup.exe", attr::archive, 1},   {L"simple_setup.exe", attr::archive, 1},
                                       {L"calc.exe", attr::archive, 1},    {L"SIMPLE_SETUP.EXE", attr::archive, 1}};
    const auto is_file = [](const std::wstring& p) { return p != L"C:\\P\\tools.exe"; };
    const lines expected{L"C:\\P\\zeta.exe", L"C:\\P\\Setup.exe", L"C:\\P\\calc.exe", L"C:\\P\\SIMPLE_SETUP.EXE"};
    EXPECT_EQ(candidate_paths(L"C:\\P\\", found, is_file, setup_program_names), expected);
    EXPECT_EQ(candidate_paths(L"C:\\P", found, is_file, setup_program_names), expected);
    // Without exclusions only the file test filters.
    EXPECT_EQ(candidate_paths(L"C:\\P", found, is_file).size(), 7u);
}

TEST(ShortcutCandidates, ProposedNamesAndLinkPlaces)
{
    EXPECT_EQ(proposed_program_name(L"C:\\P\\calc.exe"), L"calc");
    EXPECT_EQ(proposed_program_name(L"C:\\P\\my.tool.EXE"), L"my.tool");
    EXPECT_EQ(proposed_program_name(L"C:\\P\\.exe"), L"");
    EXPECT_EQ(proposed_help_name(L"C:\\P\\manual.chm", ui_language::english), L"manual help");
    EXPECT_EQ(proposed_help_name(L"C:\\P\\manual.chm", ui_language::german), L"manual help");
    EXPECT_EQ(link_file_path(L"C:\\Users\\u\\Desktop", L"calc"), L"C:\\Users\\u\\Desktop\\calc.lnk");
    EXPECT_EQ(link_working_directory(L"C:\\P\\bin\\calc.exe"), L"C:\\P\\bin\\");
}

struct Shortcuts : ::testing::Test, test::page_on<> {
    const std::wstring desktop = L"C:\\Users\\tester\\Desktop\\";

    Shortcuts()
    {
        os.add_drive(L"E:");
        page.target_folder = L"E:\\Prog";
    }

    lines questions() const
    {
        lines out;
        for (const auto& q : os.questions) out.push_back(q.text);
        return out;
    }
    void expect_confirmations(const std::wstring& caption) const
    {
        for (const auto& q : os.questions) {
            EXPECT_EQ(q.caption, caption);
            EXPECT_EQ(q.icon, box_icon::question);
        }
    }
};

TEST_F(Shortcuts, ProgramShortcutsInEnglishWithNoYesAndCancel)
{
    for (const wchar_t* name : {L"setup.exe", L"edit.exe", L"run_this_first.exe", L"simple_setup.exe", L"calc.exe",
                                L"readme.txt", L"manual.chm"})
        os.add_file(std::wstring(L"E:\\Prog\\") + name);
    os.add_folder(L"E:\\Prog\\tools.exe");
    os.add_file(L"E:\\Prog\\sub\\deep.exe");
    os.yes_no_answers = {false, true};
    os.input_answers = {std::nullopt};

    page.launch_buttonClick();

    EXPECT_EQ(questions(), (lines{L"Create a desktop shortcut for program E:\\Prog\\edit.exe?",
                                  L"Create a desktop shortcut for program E:\\Prog\\calc.exe?"}));
    expect_confirmations(L"Confirm");
    ASSERT_EQ(os.inputs.size(), 1u);
    EXPECT_EQ(os.inputs[0].title, L"Desktop shortcut");
    EXPECT_EQ(os.inputs[0].prompt, L"Enter the name of the desktop shortcut: ");
    EXPECT_EQ(os.inputs[0].default_text, L"calc");
    EXPECT_EQ(os.inputs[0].buttons.ok, L"OK");
    EXPECT_EQ(os.inputs[0].buttons.cancel, L"Cancel");
    ASSERT_EQ(os.links.size(), 1u);
    // Cancel keeps the proposed name.
    EXPECT_EQ(os.links[0].path, desktop + L"calc.lnk");
    EXPECT_EQ(os.links[0].target, L"E:\\Prog\\calc.exe");
    EXPECT_EQ(os.links[0].arguments, L"");
    EXPECT_EQ(os.links[0].working_dir, L"E:\\Prog\\");
    EXPECT_EQ(view.info, (lines{L"", L"Creation of program shortcuts finished"}));
    EXPECT_FALSE(view.is_enabled(control::launch_button));
    EXPECT_TRUE(view.is_enabled(control::help_shortcut_button));
    EXPECT_TRUE(view.is_enabled(control::register_button));
    EXPECT_TRUE(os.errors.empty());
}

TEST_F(Shortcuts, SetupNamesWithCapitalsAreOfferedUnderTheTypedName)
{
    os.add_file(L"E:\\Prog\\Setup.exe");
    os.add_file(L"E:\\Prog\\Run_This_First.exe");
    os.yes_no_answers = {true, false};
    os.input_answers = {std::wstring(L"Setup program")};
    page.launch_buttonClick();
    EXPECT_EQ(questions(), (lines{L"Create a desktop shortcut for program E:\\Prog\\Setup.exe?",
                                  L"Create a desktop shortcut for program E:\\Prog\\Run_This_First.exe?"}));
    ASSERT_EQ(os.inputs.size(), 1u);
    EXPECT_EQ(os.inputs[0].default_text, L"Setup");
    ASSERT_EQ(os.links.size(), 1u);
    EXPECT_EQ(os.links[0].path, desktop + L"Setup program.lnk");
    EXPECT_EQ(os.links[0].target, L"E:\\Prog\\Setup.exe");
}

TEST_F(Shortcuts, ProgramShortcutsInGerman)
{
    page.language = ui_language::german;
    page.target_folder = L"E:\\Prog\\";
    os.add_file(L"E:\\Prog\\calc.exe");
    os.yes_no_answers = {true};
    os.input_answers = {std::wstring(L"Rechner")};
    page.launch_buttonClick();
    EXPECT_EQ(questions(), (lines{L"Desktop-Symbol f\u00fcr das Programm E:\\Prog\\calc.exe erzeugen?"}));
    expect_confirmations(L"Best\u00e4tigen");
    ASSERT_EQ(os.inputs.size(), 1u);
    EXPECT_EQ(os.inputs[0].title, L"Desktop-Symbol");
    EXPECT_EQ(os.inputs[0].prompt, L"Bitte geben Sie einen Namen f\u00fcr das Desktop-Objekt an: ");
    EXPECT_EQ(os.inputs[0].buttons.ok, L"OK");
    EXPECT_EQ(os.inputs[0].buttons.cancel, L"Abbrechen");
    ASSERT_EQ(os.links.size(), 1u);
    EXPECT_EQ(os.links[0].path, desktop + L"Rechner.lnk");
    EXPECT_EQ(view.info, (lines{L"", L"Erzeugen von Desktop-Symbolen beendet."}));
    EXPECT_FALSE(view.is_enabled(control::launch_button));
}

TEST_F(Shortcuts, HelpShortcutsInBothLanguages)
{
    os.add_file(L"E:\\Prog\\manual.chm");
    os.add_file(L"E:\\Prog\\calc.exe");
    os.add_folder(L"E:\\Prog\\old.chm");
    os.add_file(L"E:\\Prog\\guide.CHM");
    os.yes_no_answers = {true, false};
    os.input_answers = {std::nullopt};
    page.help_shortcut_buttonClick();
    EXPECT_EQ(questions(), (lines{L"Create a desktop shortcut for the helpfile E:\\Prog\\manual.chm?",
                                  L"Create a desktop shortcut for the helpfile E:\\Prog\\guide.CHM?"}));
    expect_confirmations(L"Confirm");
    ASSERT_EQ(os.inputs.size(), 1u);
    EXPECT_EQ(os.inputs[0].title, L"Desktop shortcut");
    EXPECT_EQ(os.inputs[0].prompt, L"Enter the name of the desktop shortcut: ");
    EXPECT_EQ(os.inputs[0].default_text, L"manual help");
    ASSERT_EQ(os.links.size(), 1u);
    EXPECT_EQ(os.links[0].path, desktop + L"manual help.lnk");
    EXPECT_EQ(os.links[0].target, L"E:\\Prog\\manual.chm");
    EXPECT_EQ(os.links[0].working_dir, L"E:\\Prog\\");
    EXPECT_EQ(view.info, (lines{L"", L"Creation of help shortcuts finished"}));
    EXPECT_FALSE(view.is_enabled(control::help_shortcut_button));
    EXPECT_TRUE(view.is_enabled(control::launch_button));

    test::page_on<> german_fixture;
    auto& [os2, view2, german] = german_fixture;
    german.language = ui_language::german;
    os2.add_file(L"D:\\Prog\\manual.chm");
    german.target_folder = L"D:\\Prog";
    os2.yes_no_answers = {true};
    os2.input_answers = {std::nullopt};
    german.help_shortcut_buttonClick();
    ASSERT_EQ(os2.questions.size(), 1u);
    EXPECT_EQ(os2.questions[0].text, L"Soll ein Desktop-Symbol f\u00fcr die Hilfedatei D:\\Prog\\manual.chm erzeugt werden?");
    ASSERT_EQ(os2.inputs.size(), 1u);
    EXPECT_EQ(os2.inputs[0].title, L"Desktop-Symbol");
    EXPECT_EQ(os2.inputs[0].prompt, L"Geben Sie einen Namen f\u00fcr das neue Desktop-Symbol an: ");
    EXPECT_EQ(os2.inputs[0].default_text, L"manual help");
    ASSERT_EQ(os2.links.size(), 1u);
    EXPECT_EQ(os2.links[0].path, desktop + L"manual help.lnk");
    EXPECT_EQ(view2.info, (lines{L"", L"Erzeugen von Desktop-Symbolen f\u00fcr Hilfedateien beendet."}));
    EXPECT_FALSE(view2.is_enabled(control::help_shortcut_button));
}

TEST_F(Shortcuts, NothingToOfferStillFinishesAndDisables)
{
    os.add_file(L"E:\\Prog\\setup.exe");
    os.add_file(L"E:\\Prog\\run_this_first.exe");
    os.add_folder(L"E:\\Prog\\docs.chm");
    page.launch_buttonClick();
    page.help_shortcut_buttonClick();
    EXPECT_TRUE(os.questions.empty());
    EXPECT_EQ(view.info, (lines{L"There are no objects requiring desktop shortcuts!", L"",
                                L"Creation of program shortcuts finished", L"There are no objects requiring shortcuts!",
                                L"", L"Creation of help shortcuts finished"}));
    EXPECT_FALSE(view.is_enabled(control::launch_button));
    EXPECT_FALSE(view.is_enabled(control::help_shortcut_button));

    test::page_on<> german_fixture;
    auto& [os2, view2, german] = german_fixture;
    german.language = ui_language::german;
    german.target_folder = L"D:\\Missing";
    german.launch_buttonClick();
    german.help_shortcut_buttonClick();
    EXPECT_EQ(view2.info, (lines{L"Es wurden keine Objekte gefunden, die ein Desktop-Symbol ben\u00f6tigen!", L"",
                                 L"Erzeugen von Desktop-Symbolen beendet.",
                                 L"Keine Hilfedateien gefunden, f\u00fcr die ein Desktop-Symbol ben\u00f6tigt wird!", L"",
                                 L"Erzeugen von Desktop-Symbolen f\u00fcr Hilfedateien beendet."}));
}

TEST_F(Shortcuts, NoProgramFolderKnownSaysSoAndKeepsTheButtons)
{
    page.target_folder.clear();
    os.add_file(L"D:\\Setup\\Sample\\calc.exe");  // the own folder is not searched
    page.launch_buttonClick();
    page.help_shortcut_buttonClick();
    page.language = ui_language::german;
    page.launch_buttonClick();
    EXPECT_EQ(view.info, (lines{L"No program folder is known yet - please run \"Copy files\" first.",
                                L"No program folder is known yet - please run \"Copy files\" first.",
                                L"Es ist noch kein Programmverzeichnis bekannt - bitte zuerst die Dateien kopieren "
                                L"(\"Copy files\")."}));
    EXPECT_TRUE(os.questions.empty());
    EXPECT_TRUE(os.links.empty());
    EXPECT_TRUE(view.is_enabled(control::launch_button));
    EXPECT_TRUE(view.is_enabled(control::help_shortcut_button));
}

TEST_F(Shortcuts, AfterReRegistrationNoProgramFolderIsKnown)
{
    os.add_file(L"E:\\Prog\\calc.exe");
    page.Button2Click();
    view.info.clear();
    page.launch_buttonClick();
    EXPECT_EQ(view.info, (lines{L"No program folder is known yet - please run \"Copy files\" first."}));
    EXPECT_TRUE(os.questions.empty());
}

TEST_F(Shortcuts, LinkObjectFailureEndsTheTaskSilently)
{
    os.add_file(L"E:\\Prog\\a.exe");
    os.add_file(L"E:\\Prog\\b.exe");
    os.link_object_fails = true;
    os.yes_no_answers = {true, true};
    os.input_answers = {std::nullopt, std::nullopt};
    page.launch_buttonClick();
    EXPECT_EQ(os.questions.size(), 1u);  // b.exe is no longer offered
    EXPECT_TRUE(os.errors.empty());
    EXPECT_TRUE(os.messages.empty());
    EXPECT_TRUE(view.info.empty());
    EXPECT_TRUE(view.is_enabled(control::launch_button));
}

TEST_F(Shortcuts, UnwrittenShortcutIsReportedAndTheTaskGoesOn)
{
    os.add_file(L"E:\\Prog\\a.exe");
    os.add_file(L"E:\\Prog\\b.exe");
    os.unwritable_links = {desktop + L"a.lnk"};
    os.yes_no_answers = {true, true};
    os.input_answers = {std::nullopt, std::nullopt};
    page.launch_buttonClick();
    ASSERT_EQ(os.links.size(), 1u);
    EXPECT_EQ(os.links[0].path, desktop + L"b.lnk");
    EXPECT_EQ(view.info, (lines{L"!!! Warning: the desktop shortcut C:\\Users\\tester\\Desktop\\a.lnk could not be written!!!",
                                L"", L"Creation of program shortcuts finished"}));
    EXPECT_FALSE(view.is_enabled(control::launch_button));
}

TEST_F(Shortcuts, NoDesktopFolderWritesNothingAndSaysSo)
{
    os.add_file(L"E:\\Prog\\a.exe");
    os.desktop.clear();
    os.yes_no_answers = {true};
    os.input_answers = {std::nullopt};
    page.language = ui_language::german;
    page.launch_buttonClick();
    EXPECT_TRUE(os.links.empty());
    EXPECT_EQ(view.info.front(), L"!!! Warnung: Das Desktop-Symbol a.lnk konnte nicht geschrieben werden!!!");
}

TEST_F(Shortcuts, ExistingShortcutIsReplaced)
{
    os.add_file(desktop + L"calc.lnk", "old link");
    os.add_file(L"E:\\Prog\\calc.exe");
    os.yes_no_answers = {true};
    os.input_answers = {std::nullopt};
    page.launch_buttonClick();
    EXPECT_EQ(os.questions.size(), 1u);  // no question about the old file
    EXPECT_EQ(os.content(desktop + L"calc.lnk"), "link to E:\\Prog\\calc.exe");
}

}  // namespace
}  // namespace qs
