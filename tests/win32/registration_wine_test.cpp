#include <gtest/gtest.h>

#include "tests/support/page_fixture.h"
#include "tests/win32/registration_support.h"

namespace qs::wine_test {
namespace {

using test::lines;

// Names no other program of the prefix uses, so the keys can be removed without harm.
const std::wstring abc_ext = L".qstestabc";
const std::wstring abc_type = L"QsTest.Abc.Document";
const std::wstring def_ext = L".qstestdef";
const std::wstring def_type = L"QsTest.Def.Document";
const std::wstring long_type = L"QsTest." + std::wstring(300, L'L');

// COM comes first and goes last, as in the program.
struct RegistrationUnderWine : ::testing::Test, com_apartment, test::page_on<scripted_dialogs> {
    const std::wstring own = own_folder();
    std::wstring folder;

    void SetUp() override
    {
        clean_up();
        folder = fresh_folder(L"component folder");
    }
    void TearDown() override
    {
        close_regsvr32_boxes_and_wait();
        clean_up();
    }
    void clean_up()
    {
        for (const auto& key : {abc_ext, abc_type, def_ext, def_type}) delete_classes_key(key);
        remove_tree(own + L"init_setup");
        remove_tree(own + L"component folder");
        DeleteFileW((own + L"qs_test_control.ocx.registered").c_str());
    }
    void lists(const std::string& extensions, const std::string& ole_servers)
    {
        write_bytes(own + L"init_setup\\extensions.txt", extensions);
        write_bytes(own + L"init_setup\\ole_servers.txt", ole_servers);
    }
    std::wstring control() const { return own + L"qs_test_control.ocx"; }
    std::wstring server() const { return own + L"qs_test_server.exe"; }
};

TEST_F(RegistrationUnderWine, FileTypesServersAndControlsAreRegisteredForReal)
{
    copy_or_fail(control(), folder + L"\\grid control.ocx");
    copy_or_fail(control(), folder + L"\\midas.dll");
    CreateDirectoryW((folder + L"\\plugins.ocx").c_str(), nullptr);
    CreateDirectoryW((folder + L"\\sub").c_str(), nullptr);
    copy_or_fail(control(), folder + L"\\sub\\deep.ocx");
    copy_or_fail(server(), folder + L"\\ole server.exe");
    lists(".qstestabc\r\nQsTest.Abc.Document\r\nQs test document\r\nabc.exe\r\n%1\r\n0\r\n"
          ".qstestdef\r\nQsTest.Def.Document\r\nDef\r\ndef.exe\r\n%1\r\n$A\r\n"
          ".qstestghi\r\nQsTest.Ghi\r\nGhi\r\nghi.exe\r\n%1\r\n3 \r\n"
          "left\r\nover\r\n",
          "ole server.exe\r\nmissing.exe\r\n\r\nsub\r\n");
    os.yes_no_answers = {true, false};
    page.target_folder = folder;  // without its "\"

    page.register_buttonClick();

    ASSERT_EQ(os.questions.size(), 2u);
    EXPECT_EQ(os.questions[0].text, L"Register file extension .qstestabc (QsTest.Abc.Document, Qs test document)?");
    EXPECT_EQ(os.questions[1].text, L"Register file extension .qstestdef (QsTest.Def.Document, Def)?");
    for (const auto& q : os.questions) {
        EXPECT_EQ(q.caption, L"Register file extensions ...");
        EXPECT_EQ(q.icon, box_icon::none);
    }
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(view.info, (lines{L"Registration of components ...", L"Register OLE server: " + folder + L"\\ole server.exe",
                                L"", L"", L"Registration of components finished"}));
    EXPECT_FALSE(view.is_enabled(control::register_button));
    EXPECT_TRUE(view.is_enabled(control::Button2));

    // The started programs run on their own; their marks show what they were given.
    EXPECT_TRUE(wait_for_file(folder + L"\\ole server.exe.started"));
    EXPECT_EQ(read_bytes(folder + L"\\ole server.exe.started"), std::string("/regserver"));
    EXPECT_TRUE(wait_for_file(folder + L"\\grid control.ocx.registered"));
    EXPECT_TRUE(wait_for_file(folder + L"\\midas.dll.registered"));
    close_regsvr32_boxes_and_wait();
    EXPECT_EQ(read_bytes(folder + L"\\sub\\deep.ocx.registered"), "<missing>")
        << "a control of a subfolder was registered";

    // The keys as Wine's registry holds them, read by its own reg program.
    const std::wstring program = folder + L"\\abc.exe";
    EXPECT_EQ(reg_query_default(abc_ext), abc_type);
    EXPECT_EQ(reg_query_default(abc_type), L"Qs test document");
    EXPECT_EQ(reg_query_default(abc_type + L"\\DefaultIcon"), program + L",0");
    EXPECT_EQ(reg_query_default(abc_type + L"\\Shell\\Open\\Command"), L"\"" + program + L"\" \"%1\"");
    EXPECT_FALSE(reg_query_default(def_ext)) << "a record answered No was written";
    EXPECT_FALSE(reg_query_default(L".qstestghi")) << "a record with an invalid icon line was written";
}

TEST_F(RegistrationUnderWine, MidasIsRegisteredInGermanWithoutControlsOrLists)
{
    page.language = ui_language::german;
    copy_or_fail(control(), folder + L"\\midas.dll");
    CreateDirectoryW((folder + L"\\plugins.ocx").c_str(), nullptr);
    page.target_folder = folder + L"\\";

    page.register_buttonClick();

    EXPECT_TRUE(os.questions.empty());
    EXPECT_EQ(view.info, (lines{L"Registrieren von Komponenten ...",
                                L"Keine ActiveX-Komponenten brauchten registriert zu werden!", L"",
                                L"Registrierung von Komponenten beendet!"}));
    EXPECT_TRUE(wait_for_file(folder + L"\\midas.dll.registered"));
    EXPECT_FALSE(view.is_enabled(control::register_button));
}

TEST_F(RegistrationUnderWine, ReRegistrationRegistersTheOwnFolderAfterTheButtonWasDisabled)
{
    copy_or_fail(control(), folder + L"\\elsewhere.ocx");
    lists(".qstestabc\r\nQsTest.Abc.Document\r\nQs test document\r\nabc.exe\r\n%1\r\n-1\r\n", "");
    os.yes_no_answers = {false, true};
    page.target_folder = folder;
    page.register_buttonClick();
    ASSERT_FALSE(view.is_enabled(control::register_button));
    EXPECT_TRUE(wait_for_file(folder + L"\\elsewhere.ocx.registered"));

    page.Button2Click();

    EXPECT_TRUE(page.target_folder.empty());
    EXPECT_EQ(os.questions.size(), 2u);  // asked again: nothing is remembered
    EXPECT_EQ(reg_query_default(abc_type + L"\\DefaultIcon"), own + L"abc.exe,-1");
    EXPECT_TRUE(wait_for_file(own + L"qs_test_control.ocx.registered"));
    EXPECT_FALSE(view.is_enabled(control::register_button));
    EXPECT_EQ(view.info.back(), L"Registration of components finished");
}

TEST_F(RegistrationUnderWine, InstallExtStopsAtTheFirstRefusedKeyAndKeepsTheEarlierOnes)
{
    // A key name longer than the registry allows is refused at the second step.
    EXPECT_FALSE(page.InstallExt(def_ext, long_type, L"Long", L"C:\\x.exe", L"%1", 0));
    EXPECT_EQ(reg_query_default(def_ext), long_type);
    EXPECT_TRUE(page.InstallExt(abc_ext, abc_type, L"Abc", L"C:\\P\\abc.exe", L"%1", 10));
    EXPECT_EQ(reg_query_default(abc_type + L"\\DefaultIcon"), L"C:\\P\\abc.exe,10");
    EXPECT_EQ(reg_query_default(abc_type + L"\\Shell\\Open\\Command"), L"\"C:\\P\\abc.exe\" \"%1\"");
}

}  // namespace
}  // namespace qs::wine_test
