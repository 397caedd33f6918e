#include <gtest/gtest.h>

#include "tests/support/page_fixture.h"

namespace qs {
namespace {

const std::wstring setup_dir = L"D:\\Setup\\Sample\\init_setup\\";

struct FormCreate : ::testing::Test, test::page_on<> {
    void file(const wchar_t* name, const std::string& content) { os.add_file(setup_dir + name, content); }
    void create()
    {
        page.target_folder = L"left over";
        page.FormCreate();
    }
};

TEST_F(FormCreate, WithoutInitSetupEverythingKeepsTheFormsTexts)
{
    page.application_name = L"old";
    page.language = ui_language::german;
    create();
    EXPECT_EQ(page.target_folder, L"");
    EXPECT_EQ(page.application_name, L"");
    EXPECT_EQ(page.language, ui_language::english);
    EXPECT_EQ(view.caption, L"Korvex Hard- and Software quick setup");
    EXPECT_TRUE(view.texts.empty());
    EXPECT_TRUE(view.info_lines.empty());
    EXPECT_TRUE(os.messages.empty());
}

TEST_F(FormCreate, EveryFileSetsItsPart)
{
    file(L"title.txt", "Sample setup\r\nsecond line\r\n");
    file(L"application_name.txt", "Prog  \r\nignored\r\n");
    file(L"infolines.txt", "\xEF\xBB\xBF" "Zeile \xC3\xBC" "ber\r\n\r\nlast");
    file(L"captions.txt", "Read:\r\nCopy\r\nRegister\r\nShortcuts\r\nHelp\r\nQuit\r\nUpdate\r\nEighth\r\n");
    file(L"language.txt", "1\r\n2\r\n");
    create();
    EXPECT_EQ(view.caption, L"Sample setup");
    EXPECT_EQ(page.application_name, L"Prog  ");
    EXPECT_EQ(view.info_lines, (std::vector<std::wstring>{L"Zeile \u00fcber", L"", L"last"}));
    EXPECT_FALSE(os.secure_connections_readied_before) << "the build's FTP server needs no certificates";
    EXPECT_EQ(view.texts, (std::map<control, std::wstring>{{control::Label1, L"Read:"},
                                                           {control::copy_button, L"Copy"},
                                                           {control::register_button, L"Register"},
                                                           {control::launch_button, L"Shortcuts"},
                                                           {control::help_shortcut_button, L"Help"},
                                                           {control::exit_button, L"Quit"},
                                                           {control::update_button, L"Update"}}));
    EXPECT_EQ(page.language, ui_language::english);
    EXPECT_EQ(page.target_folder, L"");
}

TEST_F(FormCreate, AnHttpsUpdateSourceIsReadiedWhileTheUserReadsTheWindow)
{
    os.set_registry_string(registry_root::local_machine, L"Software\\Policies\\Korvex\\QuickSetup", L"UpdateSource",
                           L"https://mirror.corp.example/public/live/");
    create();
    EXPECT_EQ(os.secure_connections_readied_before, 0u);
}

TEST_F(FormCreate, LineByLineFilesAreReadAsAnsiWithoutTrimming)
{
    file(L"title.txt", "K\xF6ln  ");
    file(L"application_name.txt", "\xEF\xBB\xBFProg");
    create();
    EXPECT_EQ(view.caption, L"K\u00f6ln  ");
    // No byte-order mark is looked for in these files: its bytes are ANSI characters.
    EXPECT_EQ(page.application_name, L"\u00ef\u00bb\u00bfProg");
}

TEST_F(FormCreate, EmptyTitleGivesEmptyCaption)
{
    file(L"title.txt", "");
    create();
    EXPECT_EQ(view.caption, L"");
    os.add_file(setup_dir + L"title.txt", "\r\nsecond");
    create();
    EXPECT_EQ(view.caption, L"");
}

TEST_F(FormCreate, ShortCaptionsFileChangesOnlyItsLines)
{
    file(L"captions.txt", "A\nB\nC");
    create();
    EXPECT_EQ(view.texts, (std::map<control, std::wstring>{
                              {control::Label1, L"A"}, {control::copy_button, L"B"}, {control::register_button, L"C"}}));
}

TEST_F(FormCreate, EmptyCaptionLineLeavesItsControlAlone)
{
    file(L"captions.txt", "A\r\n\r\nC\r\nD\r\nE\r\nF\r\nG\r\n");
    create();
    EXPECT_EQ(view.texts.count(control::copy_button), 0u);
    EXPECT_EQ(view.texts.size(), 6u);
    EXPECT_EQ(view.texts[control::register_button], L"C");
    EXPECT_EQ(view.texts[control::update_button], L"G");
}

TEST_F(FormCreate, LanguageIsEnglishOnlyForAFirstLineOfExactlyOne)
{
    constexpr ui_language en = ui_language::english, de = ui_language::german;
    const std::pair<std::string, ui_language> cases[] = {
        {"1", en},   {"1\r\nx", en}, {"2", de},        {"", de},        {"1 ", de},
        {" 1", de},  {"0", de},      {"English", de},  {"\r\n1", de},   {"01", de}};
    for (const auto& [content, expected] : cases) {
        os.add_file(setup_dir + L"language.txt", content);
        create();
        EXPECT_EQ(page.language, expected) << "language.txt: '" << content << "'";
    }
    os.remove(setup_dir + L"language.txt");
    page.language = ui_language::german;
    create();
    EXPECT_EQ(page.language, ui_language::english);
}

TEST_F(FormCreate, AReadErrorIsShownAndSkipsTheRemainingSteps)
{
    file(L"title.txt", "Sample");
    file(L"application_name.txt", "Prog");
    file(L"infolines.txt", "info");
    file(L"captions.txt", "A");
    file(L"language.txt", "2");
    os.unreadable.insert(setup_dir + L"infolines.txt");
    create();
    EXPECT_EQ(os.messages,
              (std::vector<std::wstring>{L"The process cannot access the file because it is being used by another process."}));
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(view.caption, L"Sample");
    EXPECT_EQ(page.application_name, L"Prog");
    EXPECT_TRUE(view.info_lines.empty());
    EXPECT_TRUE(view.texts.empty());
    EXPECT_EQ(page.language, ui_language::english);
}

TEST_F(FormCreate, AReadErrorInTheFirstFileLeavesEverythingElse)
{
    file(L"title.txt", "Sample");
    file(L"language.txt", "2");
    os.unreadable.insert(setup_dir + L"title.txt");
    create();
    EXPECT_EQ(os.messages.size(), 1u);
    EXPECT_EQ(view.caption, L"Korvex Hard- and Software quick setup");
    EXPECT_EQ(page.language, ui_language::english);
    EXPECT_EQ(page.target_folder, L"");
}

TEST_F(FormCreate, AFolderNamedLikeAFileIsNoFile)
{
    os.add_folder(setup_dir + L"title.txt");
    create();
    EXPECT_TRUE(os.messages.empty());
    EXPECT_EQ(view.caption, L"Korvex Hard- and Software quick setup");
}

}  // namespace
}  // namespace qs
