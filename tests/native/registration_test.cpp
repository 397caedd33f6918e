#include <gtest/gtest.h>

#include "setup_main/extension_records.h"
#include "tests/support/page_fixture.h"

namespace qs {
namespace {

using test::lines;
using execute = program_start;

const std::wstring own = L"D:\\Setup\\Sample\\";
const std::wstring extensions_path = own + L"init_setup/extensions.txt";
const std::wstring ole_servers_path = own + L"init_setup/ole_servers.txt";

std::string crlf_joined(const lines& text)
{
    std::string out;
    for (const auto& l : text) out += std::string(l.begin(), l.end()) + "\r\n";
    return out;
}

std::vector<execute> started(const fake::fake_platform& os)
{
    std::vector<execute> out;
    for (const auto& e : os.executed) out.push_back({e.file, e.parameters});
    return out;
}

struct Registration : ::testing::Test, test::page_on<> {
    Registration() { os.add_file(own + L"run_this_first.exe"); }

    void extensions(const lines& text) { os.add_file(extensions_path, crlf_joined(text)); }
    void ole_servers(const lines& text) { os.add_file(ole_servers_path, crlf_joined(text)); }

    std::vector<execute> executed() const { return started(os); }
    std::vector<std::pair<std::wstring, std::wstring>> writes() const
    {
        std::vector<std::pair<std::wstring, std::wstring>> out;
        for (const auto& w : os.registry_writes) {
            EXPECT_EQ(w.root, registry_root::classes_root);
            out.emplace_back(w.key, w.value);
        }
        return out;
    }
};

const lines abc_record{L".abc", L"Abc.Document", L"Abc document", L"abc.exe", L"%1", L"0"};
const lines xyz_record{L".xyz", L"Xyz.File", L"Xyz file", L"tools\\xyz.exe", L"/o %1", L"-1"};

lines two_records_and_rest()
{
    lines l = abc_record;
    l.insert(l.end(), xyz_record.begin(), xyz_record.end());
    l.push_back(L".rest");
    return l;
}

TEST_F(Registration, WholeTaskInEnglishOnTheCopiedProgramFolder)
{
    os.add_drive(L"E:");
    os.add_file(L"E:\\Prog\\abc.exe");
    os.add_file(L"E:\\Prog\\server.exe");
    os.add_folder(L"E:\\Prog\\folder.exe");
    os.add_file(L"E:\\Prog\\grid.ocx");
    os.add_folder(L"E:\\Prog\\plugins.ocx");
    os.add_file(L"E:\\Prog\\sub\\deep.ocx");
    os.add_file(L"E:\\Prog\\chart.OCX");
    os.add_file(L"E:\\Prog\\midas.dll");
    extensions(two_records_and_rest());
    ole_servers({L"server.exe", L"", L"missing.exe", L"folder.exe"});
    os.yes_no_answers = {false, true};
    page.target_folder = L"E:\\Prog";

    page.register_buttonClick();

    ASSERT_EQ(os.questions.size(), 2u);
    EXPECT_EQ(os.questions[0].text, L"Register file extension .abc (Abc.Document, Abc document)?");
    EXPECT_EQ(os.questions[1].text, L"Register file extension .xyz (Xyz.File, Xyz file)?");
    for (const auto& q : os.questions) {
        EXPECT_EQ(q.caption, L"Register file extensions ...");
        EXPECT_EQ(q.icon, box_icon::none);
    }
    // Only the record answered Yes is written, with its program in the component folder.
    EXPECT_EQ(writes(), (std::vector<std::pair<std::wstring, std::wstring>>{
                            {L".xyz", L"Xyz.File"},
                            {L"Xyz.File", L"Xyz file"},
                            {L"Xyz.File\\DefaultIcon", L"E:\\Prog\\tools\\xyz.exe,-1"},
                            {L"Xyz.File\\Shell\\Open\\Command", L"\"E:\\Prog\\tools\\xyz.exe\" \"/o %1\""},
                        }));
    EXPECT_EQ(executed(), (std::vector<execute>{
                              {L"\"E:\\Prog\\server.exe\"", L"/regserver"},
                              {L"regsvr32", L"\"E:\\Prog\\grid.ocx\""},
                              {L"regsvr32", L"\"E:\\Prog\\chart.OCX\""},
                              {L"regsvr32", L"\"E:\\Prog\\midas.dll\""},
                          }));
    EXPECT_EQ(view.info, (lines{L"Registration of components ...", L"Register OLE server: E:\\Prog\\server.exe", L"",
                                L"", L"Registration of components finished"}));
    EXPECT_FALSE(view.is_enabled(control::register_button));
    EXPECT_TRUE(view.is_enabled(control::launch_button));
    EXPECT_TRUE(view.is_enabled(control::Button2));
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(page.target_folder, L"E:\\Prog");
}

TEST_F(Registration, WholeTaskInGermanOnTheOwnFolder)
{
    page.language = ui_language::german;
    os.add_file(own + L"server.exe");
    extensions(abc_record);
    ole_servers({L"server.exe"});
    os.yes_no_answers = {true};

    page.register_buttonClick();

    ASSERT_EQ(os.questions.size(), 1u);
    EXPECT_EQ(os.questions[0].text, L"Dateityp .abc (Abc.Document, Abc document) registrieren?");
    EXPECT_EQ(os.questions[0].caption, L"Dateityp registrieren ...");
    EXPECT_EQ(os.registry_default(registry_root::classes_root, L"Abc.Document\\DefaultIcon"),
              L"D:\\Setup\\Sample\\abc.exe,0");
    EXPECT_EQ(executed(), (std::vector<execute>{{L"\"D:\\Setup\\Sample\\server.exe\"", L"/regserver"}}));
    EXPECT_EQ(view.info, (lines{L"Registrieren von Komponenten ...",
                                L"Registriere OLE server: D:\\Setup\\Sample\\server.exe", L"",
                                L"Keine ActiveX-Komponenten brauchten registriert zu werden!", L"",
                                L"Registrierung von Komponenten beendet!"}));
    EXPECT_FALSE(view.is_enabled(control::register_button));
}

TEST_F(Registration, ExampleRecordWritesTheFourKeysOfTheExample)
{
    extensions(abc_record);
    os.yes_no_answers = {true};
    page.register_components(L"C:\\P\\");
    EXPECT_EQ(os.registry_default(registry_root::classes_root, L".abc"), L"Abc.Document");
    EXPECT_EQ(os.registry_default(registry_root::classes_root, L"Abc.Document"), L"Abc document");
    EXPECT_EQ(os.registry_default(registry_root::classes_root, L"Abc.Document\\DefaultIcon"), L"C:\\P\\abc.exe,0");
    EXPECT_EQ(os.registry_default(registry_root::classes_root, L"Abc.Document\\Shell\\Open\\Command"),
              L"\"C:\\P\\abc.exe\" \"%1\"");
    EXPECT_EQ(os.registry_writes.size(), 4u);
}

TEST_F(Registration, FolderWithAndWithoutBackslashGiveTheSamePaths)
{
    os.add_file(L"C:\\P\\grid.ocx");
    os.add_file(L"C:\\P\\srv.exe");
    extensions(abc_record);
    ole_servers({L"srv.exe"});
    os.yes_no_answers = {true, true};
    page.register_components(L"C:\\P");
    const auto first_writes = writes();
    const auto first_executed = executed();
    const auto first_info = view.info;
    os.registry_writes.clear();
    os.executed.clear();
    view.info.clear();
    page.register_components(L"C:\\P\\");
    EXPECT_EQ(writes(), first_writes);
    EXPECT_EQ(executed(), first_executed);
    EXPECT_EQ(view.info, first_info);
    EXPECT_EQ(first_executed.back(), (execute{L"regsvr32", L"\"C:\\P\\grid.ocx\""}));
    EXPECT_EQ(first_info[1], L"Register OLE server: C:\\P\\srv.exe");
}

TEST_F(Registration, InvalidIconLinesAndShortFilesAskNothing)
{
    lines text;
    for (const wchar_t* icon : {L"3 ", L"", L"abc", L"99999999999"}) {
        lines r = abc_record;
        r[5] = icon;
        text.insert(text.end(), r.begin(), r.end());
    }
    lines accepted = xyz_record;
    accepted[5] = L" 3";
    text.insert(text.end(), accepted.begin(), accepted.end());
    text.insert(text.end(), abc_record.begin(), abc_record.end() - 1);  // five lines left over
    extensions(text);
    os.yes_no_answers = {true};
    page.register_components(own);
    ASSERT_EQ(os.questions.size(), 1u);
    EXPECT_EQ(os.registry_default(registry_root::classes_root, L"Xyz.File\\DefaultIcon"),
              L"D:\\Setup\\Sample\\tools\\xyz.exe,3");
    EXPECT_TRUE(os.messages.empty());
    EXPECT_TRUE(os.errors.empty());
}

TEST_F(Registration, ListFilesAreDecodedByTheirByteOrderMark)
{
    // UTF-8 with its mark, LF line ends and no final break.
    os.add_file(extensions_path, "\xEF\xBB\xBF.k\xC3\xB6\nK.Datei\nK\xC3\xB6ln\nk.exe\n%1\n1");
    // UTF-16 LE with its mark.
    const std::string utf16("\xFF\xFE" "s\0r\0v\0\xE4\0.\0e\0x\0e\0\r\0\n\0", 20);
    os.add_file(ole_servers_path, utf16);
    os.add_file(own + L"srv\u00e4.exe");
    os.yes_no_answers = {true};
    page.register_components(own);
    ASSERT_EQ(os.questions.size(), 1u);
    EXPECT_EQ(os.questions[0].text, L"Register file extension .k\u00f6 (K.Datei, K\u00f6ln)?");
    EXPECT_EQ(os.registry_default(registry_root::classes_root, L".k\u00f6"), L"K.Datei");
    EXPECT_EQ(executed().front(), (execute{L"\"D:\\Setup\\Sample\\srv\u00e4.exe\"", L"/regserver"}));
}

TEST_F(Registration, FiveLinesAreNoRecordAndThirteenAreTwo)
{
    extensions(lines(abc_record.begin(), abc_record.end() - 1));
    page.register_components(own);
    EXPECT_TRUE(os.questions.empty());
    EXPECT_TRUE(os.registry_writes.empty());

    extensions(two_records_and_rest());
    os.yes_no_answers = {true, true};
    page.register_components(own);
    EXPECT_EQ(os.questions.size(), 2u);
    EXPECT_EQ(os.registry_writes.size(), 8u);
    EXPECT_FALSE(os.registry_default(registry_root::classes_root, L".rest"));
}

TEST_F(Registration, ShellHearsOnceOfNewFileTypesAfterAllTheirKeys)
{
    extensions(two_records_and_rest());
    os.yes_no_answers = {true, true};
    page.register_components(own);
    EXPECT_EQ(os.association_notices, (std::vector<std::size_t>{8}));

    // No type accepted, or no list at all: the shell is not told anything.
    os.association_notices.clear();
    os.yes_no_answers = {false, false};
    page.register_components(own);
    os.remove(extensions_path);
    page.register_components(own);
    EXPECT_TRUE(os.association_notices.empty());
    EXPECT_EQ(os.questions.size(), 4u);
}

TEST_F(Registration, HexadecimalIconIndexIsWrittenInDecimal)
{
    lines r = abc_record;
    r[5] = L"$A";
    extensions(r);
    os.yes_no_answers = {true};
    page.register_components(L"C:\\P\\");
    EXPECT_EQ(os.registry_default(registry_root::classes_root, L"Abc.Document\\DefaultIcon"), L"C:\\P\\abc.exe,10");
}

TEST_F(Registration, ListFilesAreReadBesideTheProgramNotInTheComponentFolder)
{
    // Lists in the component folder are not looked at.
    os.add_file(L"E:\\Prog\\init_setup\\extensions.txt", crlf_joined(xyz_record));
    os.add_file(L"E:\\Prog\\init_setup\\ole_servers.txt", crlf_joined({L"e_only.exe"}));
    os.add_file(L"E:\\Prog\\e_only.exe");
    os.add_file(L"E:\\Prog\\srv.exe");
    extensions(abc_record);
    ole_servers({L"srv.exe"});
    os.yes_no_answers = {true};
    page.target_folder = L"E:\\Prog\\";
    page.register_buttonClick();
    ASSERT_EQ(os.questions.size(), 1u);
    EXPECT_EQ(os.questions[0].text, L"Register file extension .abc (Abc.Document, Abc document)?");
    EXPECT_EQ(os.registry_default(registry_root::classes_root, L"Abc.Document\\DefaultIcon"), L"E:\\Prog\\abc.exe,0");
    EXPECT_EQ(executed(), (std::vector<execute>{{L"\"E:\\Prog\\srv.exe\"", L"/regserver"}}));
}

TEST_F(Registration, MissingTargetFolderStillAsksAndPointsIntoIt)
{
    extensions(abc_record);
    ole_servers({L"srv.exe"});
    os.yes_no_answers = {true};
    page.target_folder = L"E:\\Gone";
    page.register_buttonClick();
    EXPECT_EQ(os.questions.size(), 1u);
    EXPECT_EQ(os.registry_default(registry_root::classes_root, L"Abc.Document\\Shell\\Open\\Command"),
              L"\"E:\\Gone\\abc.exe\" \"%1\"");
    EXPECT_TRUE(os.executed.empty());
    EXPECT_EQ(view.info, (lines{L"Registration of components ...", L"There are no ActiveX components to register!", L"",
                                L"Registration of components finished"}));
    EXPECT_FALSE(view.is_enabled(control::register_button));
}

TEST_F(Registration, MidasIsRegisteredWithAndWithoutControls)
{
    os.add_file(own + L"midas.dll");
    page.register_components(own);
    EXPECT_EQ(executed(), (std::vector<execute>{{L"regsvr32", L"\"D:\\Setup\\Sample\\midas.dll\""}}));
    EXPECT_EQ(view.info, (lines{L"Registration of components ...", L"There are no ActiveX components to register!", L"",
                                L"Registration of components finished"}));

    os.executed.clear();
    view.info.clear();
    os.add_file(own + L"a.ocx");
    page.register_components(own);
    EXPECT_EQ(executed(), (std::vector<execute>{{L"regsvr32", L"\"D:\\Setup\\Sample\\a.ocx\""},
                                                {L"regsvr32", L"\"D:\\Setup\\Sample\\midas.dll\""}}));
    EXPECT_EQ(view.info, (lines{L"Registration of components ...", L"", L"Registration of components finished"}));
}

TEST_F(Registration, FoldersNamedLikeControlsOrMidasAreNotRegistered)
{
    os.add_folder(own + L"plugins.ocx");
    os.add_folder(own + L"midas.dll");
    page.register_components(own);
    EXPECT_TRUE(os.executed.empty());
    EXPECT_EQ(view.info[1], L"There are no ActiveX components to register!");
}

TEST_F(Registration, ReRegistrationUsesTheOwnFolderAndWorksWhileTheButtonIsDisabled)
{
    os.add_drive(L"E:");
    os.add_file(L"E:\\Prog\\e.ocx");
    os.add_file(own + L"own.ocx");
    page.target_folder = L"E:\\Prog";
    page.register_buttonClick();
    EXPECT_FALSE(view.is_enabled(control::register_button));
    os.executed.clear();

    page.Button2Click();
    EXPECT_EQ(executed(), (std::vector<execute>{{L"regsvr32", L"\"D:\\Setup\\Sample\\own.ocx\""}}));
    EXPECT_TRUE(page.target_folder.empty());
    EXPECT_FALSE(view.is_enabled(control::register_button));
    EXPECT_TRUE(view.is_enabled(control::Button2));
    EXPECT_EQ(view.info.back(), L"Registration of components finished");
}

TEST_F(Registration, ReRegistrationAloneDisablesRegisterButton)
{
    page.target_folder = L"E:\\Prog";
    page.Button2Click();
    EXPECT_TRUE(page.target_folder.empty());
    EXPECT_FALSE(view.is_enabled(control::register_button));
    EXPECT_TRUE(view.is_enabled(control::Button2));
}

TEST_F(Registration, FailedRegistryWriteKeepsEarlierKeysAndTheTaskGoesOn)
{
    lines text = abc_record;
    text.insert(text.end(), xyz_record.begin(), xyz_record.end());
    extensions(text);
    os.yes_no_answers = {true, true};
    os.failing_registry_keys = {L"Abc.Document\\DefaultIcon"};
    page.register_buttonClick();
    EXPECT_EQ(os.registry_default(registry_root::classes_root, L".abc"), L"Abc.Document");
    EXPECT_EQ(os.registry_default(registry_root::classes_root, L"Abc.Document"), L"Abc document");
    EXPECT_FALSE(os.registry_default(registry_root::classes_root, L"Abc.Document\\Shell\\Open\\Command"));
    EXPECT_EQ(os.registry_default(registry_root::classes_root, L"Xyz.File\\Shell\\Open\\Command"),
              L"\"D:\\Setup\\Sample\\tools\\xyz.exe\" \"/o %1\"");
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(view.info.back(), L"Registration of components finished");
    EXPECT_FALSE(view.is_enabled(control::register_button));
}

TEST_F(Registration, InstallExtReportsTheFirstFailure)
{
    EXPECT_TRUE(page.InstallExt(L".q", L"Q.File", L"Q", L"C:\\q.exe", L"%1", 2));
    EXPECT_EQ(os.registry_writes.size(), 4u);
    os.failing_registry_keys = {L"R.File"};
    EXPECT_FALSE(page.InstallExt(L".r", L"R.File", L"R", L"C:\\r.exe", L"%1", 2));
    EXPECT_EQ(os.registry_writes.size(), 5u);  // only ".r" made it
    EXPECT_EQ(os.registry_default(registry_root::classes_root, L".r"), L"R.File");
}

TEST_F(Registration, MissingListFilesSkipTheirStagesSilently)
{
    os.add_file(own + L"srv.exe");
    page.register_buttonClick();
    EXPECT_TRUE(os.questions.empty());
    EXPECT_TRUE(os.executed.empty());
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(view.info.back(), L"Registration of components finished");
}

TEST_F(Registration, UnreadableListEndsTheTaskWithItsErrorAndKeepsTheButton)
{
    os.add_file(own + L"a.ocx");
    ole_servers({L"a.ocx"});
    os.unreadable = {ole_servers_path};
    page.register_buttonClick();
    EXPECT_EQ(os.errors, (lines{L"The process cannot access the file because it is being used by another process."}));
    EXPECT_TRUE(os.executed.empty());
    EXPECT_EQ(view.info, (lines{L"Registration of components ..."}));
    EXPECT_TRUE(view.is_enabled(control::register_button));
}

// A platform whose ShellExecuteW fails for one file.
struct failing_start_platform : fake::fake_platform {
    std::wstring failing_file;
    void shell_execute(const std::wstring& file, const std::wstring& parameters) override
    {
        fake_platform::shell_execute(file, parameters);
        if (file == failing_file) throw system_error(L"the start failed");
    }
};

struct RegistrationGuard : ::testing::Test, test::page_on<failing_start_platform> {};

TEST_F(RegistrationGuard, ErrorInTheActiveXStageEndsTheTaskSilently)
{
    os.failing_file = L"regsvr32";
    os.add_file(L"D:\\Setup\\Sample\\a.ocx");
    os.add_file(L"D:\\Setup\\Sample\\b.ocx");
    os.add_file(L"D:\\Setup\\Sample\\midas.dll");
    page.register_buttonClick();
    EXPECT_EQ(os.executed.size(), 1u);  // the first control ended the stage
    EXPECT_TRUE(os.errors.empty());
    EXPECT_TRUE(os.messages.empty());
    EXPECT_EQ(view.info, (lines{L"Registration of components ..."}));
    EXPECT_TRUE(view.is_enabled(control::register_button));
}

TEST_F(RegistrationGuard, ErrorInTheOleServerStageIsShownAndEndsTheTask)
{
    os.failing_file = L"\"D:\\Setup\\Sample\\srv.exe\"";
    os.add_file(L"D:\\Setup\\Sample\\init_setup\\ole_servers.txt", "srv.exe\r\nother.exe\r\n");
    os.add_file(L"D:\\Setup\\Sample\\srv.exe");
    os.add_file(L"D:\\Setup\\Sample\\other.exe");
    os.add_file(L"D:\\Setup\\Sample\\a.ocx");
    page.register_buttonClick();
    EXPECT_EQ(os.errors, (lines{L"the start failed"}));
    EXPECT_EQ(started(os), (std::vector<execute>{{L"\"D:\\Setup\\Sample\\srv.exe\"", L"/regserver"}}));
    EXPECT_EQ(view.info, (lines{L"Registration of components ...", L"Register OLE server: D:\\Setup\\Sample\\srv.exe"}));
    EXPECT_TRUE(view.is_enabled(control::register_button));
}

TEST_F(RegistrationGuard, FileTypesWrittenBeforeAFailingStageAreStillAnnounced)
{
    os.failing_file = L"\"D:\\Setup\\Sample\\srv.exe\"";
    os.add_file(L"D:\\Setup\\Sample\\init_setup\\extensions.txt", crlf_joined(abc_record));
    os.add_file(L"D:\\Setup\\Sample\\init_setup\\ole_servers.txt", "srv.exe\r\n");
    os.add_file(L"D:\\Setup\\Sample\\srv.exe");
    os.yes_no_answers = {true};
    page.register_buttonClick();
    EXPECT_EQ(os.errors, (lines{L"the start failed"}));
    EXPECT_EQ(os.association_notices, (std::vector<std::size_t>{4}));
}

}  // namespace
}  // namespace qs
