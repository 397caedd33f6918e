#include <gtest/gtest.h>

#include "tests/support/page_fixture.h"

namespace qs {
namespace {

using test::lines;
const std::wstring medium = L"D:\\Setup\\Sample";
const std::wstring appdata = L"C:\\Users\\tester\\AppData\\Roaming";

const wchar_t* const explained_en =
    L"Select or create a new folder for the application. The program folder name \"Sample\" will be added "
    L"automatically.\n\r\n\rExample: If you select \"c:\\program files\" the final folder will be "
    L"\"c:\\program files\\Sample\".";
const wchar_t* const explained_de =
    L"Bitte w\u00e4hlen oder erzeugen Sie ein Verzeichnis f\u00fcr die Anwendung. Der Verzeichnisname \"Sample\" "
    L"wird vom Setup-Programm automatisch hinzugef\u00fcgt werden.\n\r\n\rBeispiel: Wenn Sie \"c:\\programme\"  "
    L"ausw\u00e4hlen, wird das Programmverzeichnis \"c:\\programme\\Sample\" sein.";

struct CopyFiles : ::testing::Test, test::page_on<> {
    void SetUp() override
    {
        os.add_file(medium + L"\\run_this_first.exe", "exe");
        os.add_file(medium + L"\\init_setup\\application_name.txt", "Prog");
        page.application_name = L"Prog";
    }
    void with_application_data() { os.add_file(medium + L"\\Application_Data\\Prog\\data.ini", "data"); }
    void with_windows_files()
    {
        os.add_file(medium + L"\\windows\\w1.dll", "new w1");
        os.add_file(medium + L"\\windows\\w2.dll", "new w2");
        os.add_file(medium + L"\\windows\\sub\\inner.dll", "inner");
    }
    // The platform names a Windows directory that is not there, and c:\windows is gone too.
    void without_windows_directory()
    {
        os.windows_dir = L"C:\\WinNowhere";
        os.remove(L"C:\\Windows");
    }
    lines program_copy_lines(const std::wstring& target, bool german = false) const
    {
        return {german ? L"Kopiere Dateien von" : L"Copying files from", medium, german ? L"nach" : L"to", target,
                L"...", L"", german ? L"Kopieren beendet." : L"Copying finished.", L""};
    }
    static lines join(lines a, const lines& b)
    {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
};

TEST(SourceDirNameOnly, LastComponentOfAFolderPath)
{
    test::page_on<> fixture;
    auto& [os, view, page] = fixture;
    EXPECT_EQ(page.source_dir_name_only(L"D:\\Setup\\Sample"), L"Sample");
    EXPECT_EQ(page.source_dir_name_only(L"D:\\Setup\\Sample\\"), L"Sample");
    EXPECT_EQ(page.source_dir_name_only(L"D:\\"), L"D:");
    EXPECT_EQ(page.source_dir_name_only(L"D:"), L"D:");
    EXPECT_EQ(page.source_dir_name_only(L""), L"");
    EXPECT_EQ(page.source_dir_name_only(L"\\"), L"");
    EXPECT_EQ(page.source_dir_name_only(L"D:\\a\\\\"), L"");  // only one trailing "\" is cut
}

TEST_F(CopyFiles, AllThreeStagesInEnglish)
{
    with_application_data();
    with_windows_files();
    os.folder_choices = {L"C:\\Program Files"};
    page.copy_buttonClick();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(view.info, join({L"Setup started at 07.12.2026  12:44:12", L"",
                               L"Copying files to Windows application data folder", L"Copying finished.", L"",
                               L"All required files copied to Windows directory!"},
                              program_copy_lines(L"C:\\Program Files\\Sample")));
    EXPECT_EQ(os.messages, lines{explained_en});
    ASSERT_EQ(os.browses.size(), 1u);
    EXPECT_EQ(os.browses[0].title, L"Select directory where the program should be installed");
    EXPECT_EQ(os.browses[0].initial, L"C:\\Program Files");
    EXPECT_EQ(os.browses[0].flags, 0x0041u);
    ASSERT_EQ(os.shell_copies.size(), 2u);
    EXPECT_EQ(os.shell_copies[0].from, medium + L"\\Application_Data\\Prog");
    EXPECT_EQ(os.shell_copies[0].to, appdata);
    EXPECT_EQ(os.shell_copies[1].from, medium);
    EXPECT_EQ(os.shell_copies[1].to, L"C:\\Program Files\\Sample");
    EXPECT_EQ(os.content(appdata + L"\\Prog\\data.ini"), "data");
    EXPECT_EQ(os.content(L"C:\\Windows\\w2.dll"), "new w2");
    EXPECT_FALSE(os.has_folder(L"C:\\Windows\\sub"));
    EXPECT_EQ(os.tree(L"C:\\Program Files\\Sample"),
              (lines{L"Application_Data", L"Application_Data\\Prog", L"Application_Data\\Prog\\data.ini",
                     L"___korvex_install", L"___korvex_install\\record.txt", L"init_setup",
                     L"init_setup\\application_name.txt", L"run_this_first.exe", L"windows", L"windows\\sub",
                     L"windows\\sub\\inner.dll", L"windows\\w1.dll", L"windows\\w2.dll"}));
    EXPECT_EQ(page.source_folder, medium);
    EXPECT_EQ(page.target_folder, L"C:\\Program Files\\Sample");
    // Only the installation's record folder is made by the program itself; the shell made the rest.
    EXPECT_EQ(os.created_directories, lines{L"C:\\Program Files\\Sample\\___korvex_install"});
}

TEST_F(CopyFiles, AllThreeStagesInGerman)
{
    page.language = ui_language::german;
    with_application_data();
    with_windows_files();
    os.folder_choices = {L"C:\\Program Files"};
    page.copy_buttonClick();
    EXPECT_EQ(view.info, join({L"Installation gestartet: 07.12.2026  12:44:12", L"",
                               L"Dateien werden in den Windows-Ordner appdata kopiert.", L"Kopieren beendet.", L"",
                               L"Ben\u00f6tigte Dateien wurden ins Windows-Verzeichnis kopiert!"},
                              program_copy_lines(L"C:\\Program Files\\Sample", true)));
    EXPECT_EQ(os.messages, lines{explained_de});
    EXPECT_EQ(os.browses.at(0).title, L"Select directory where the program should be installed");
}

TEST_F(CopyFiles, WithoutApplicationDataAndWindowsOnlyTheProgramFolderIsCopied)
{
    os.folder_choices = {L"C:\\Program Files"};
    page.copy_buttonClick();
    EXPECT_EQ(view.info, join({L"Setup started at 07.12.2026  12:44:12"}, program_copy_lines(L"C:\\Program Files\\Sample")));
    EXPECT_EQ(os.shell_copies.size(), 1u);
    EXPECT_TRUE(os.file_copies.empty());
}

TEST_F(CopyFiles, CancelledPickerEndsTheTaskWithoutALine)
{
    with_windows_files();
    os.folder_choices = {L""};
    page.target_folder = L"old";
    page.copy_buttonClick();
    EXPECT_EQ(view.info, (lines{L"Setup started at 07.12.2026  12:44:12", L"All required files copied to Windows directory!"}));
    EXPECT_EQ(page.target_folder, L"");
    EXPECT_EQ(page.source_folder, medium);
    EXPECT_EQ(os.messages.size(), 1u);
    EXPECT_TRUE(os.shell_copies.empty());
    EXPECT_TRUE(os.errors.empty());
}

TEST_F(CopyFiles, APickedFolderThatDoesNotExistIsNoChoice)
{
    os.folder_choices = {L"C:\\Gone"};
    page.copy_buttonClick();
    EXPECT_EQ(view.info.size(), 1u);
    EXPECT_EQ(page.target_folder, L"C:\\Gone");
    EXPECT_TRUE(os.shell_copies.empty());
}

TEST_F(CopyFiles, DriveRootGetsOneSeparatorBeforeTheName)
{
    os.add_drive(L"E:");
    os.folder_choices = {L"E:\\"};
    page.copy_buttonClick();
    EXPECT_EQ(view.info, join({L"Setup started at 07.12.2026  12:44:12"}, program_copy_lines(L"E:\\Sample")));
    EXPECT_EQ(os.shell_copies.at(0).to, L"E:\\Sample");
    EXPECT_EQ(page.target_folder, L"E:\\Sample");
    EXPECT_TRUE(os.has_file(L"E:\\Sample\\run_this_first.exe"));
}

TEST_F(CopyFiles, AnExistingProgramFolderGetsTheCopyNestedAndTargetFolderFollowsIt)
{
    os.add_file(L"C:\\Program Files\\Sample\\old.txt", "old");
    os.folder_choices = {L"C:\\Program Files\\"};
    page.copy_buttonClick();
    EXPECT_EQ(view.info, join({L"Setup started at 07.12.2026  12:44:12"}, program_copy_lines(L"C:\\Program Files\\Sample")));
    EXPECT_EQ(page.target_folder, L"C:\\Program Files\\Sample\\Sample");
    EXPECT_TRUE(os.has_file(page.target_folder + L"\\run_this_first.exe"));
    EXPECT_TRUE(os.has_file(L"C:\\Program Files\\Sample\\old.txt"));
}

TEST_F(CopyFiles, NoProgramFilesFolderOpensThePickerWithoutPreselection)
{
    os.remove(L"C:\\Program Files");
    os.folder_choices = {L""};
    page.copy_buttonClick();
    EXPECT_EQ(os.browses.at(0).initial, L"");
}

TEST_F(CopyFiles, ExistingWindowsFilesKeepTheirContent)
{
    with_windows_files();
    os.add_file(L"C:\\Windows\\w1.dll", "installed w1");
    os.folder_choices = {L""};
    page.copy_buttonClick();
    EXPECT_EQ(os.content(L"C:\\Windows\\w1.dll"), "installed w1");
    EXPECT_EQ(os.content(L"C:\\Windows\\w2.dll"), "new w2");
    ASSERT_EQ(os.file_copies.size(), 1u);
    EXPECT_EQ(os.file_copies[0].from, medium + L"\\windows\\w2.dll");
    EXPECT_EQ(os.file_copies[0].to, L"C:\\Windows\\w2.dll");
    // A second run copies nothing more.
    os.folder_choices = {L""};
    page.copy_buttonClick();
    EXPECT_EQ(os.file_copies.size(), 1u);
}

TEST_F(CopyFiles, MissingWindowsDirectoryFallsBackToCWindowsThenCWinnt)
{
    with_windows_files();
    os.windows_dir = L"C:\\WinNowhere";
    os.folder_choices = {L""};
    page.copy_buttonClick();
    EXPECT_EQ(os.file_copies.at(0).to, L"c:\\windows\\w1.dll");

    test::page_on<> second_fixture;
    auto& [other, other_view, second] = second_fixture;
    other.add_file(medium + L"\\windows\\w1.dll", "w1");
    other.windows_dir = L"C:\\WinNowhere";
    other.remove(L"C:\\Windows");
    other.add_folder(L"C:\\WINNT");
    other.folder_choices = {L""};
    second.copy_buttonClick();
    EXPECT_TRUE(other.has_file(L"C:\\WINNT\\w1.dll"));
    EXPECT_TRUE(other.messages.size() == 1u);  // only the program-folder note: no "cannot locate"
    EXPECT_EQ(other_view.info.at(1), L"All required files copied to Windows directory!");
}

TEST_F(CopyFiles, UnknownWindowsDirectoryIsAskedForInTheSelectDirectoryDialog)
{
    with_windows_files();
    without_windows_directory();
    os.directory_choices = {std::wstring(L"C:\\MyWindows")};
    os.folder_choices = {L""};
    page.copy_buttonClick();
    EXPECT_EQ(os.messages.at(0),
              L"Cannot locate your Windows directory! Please specify yourself in the following dialog.");
    EXPECT_EQ(os.directory_dialogs, lines{L"c:\\winnt"});
    const select_directory_texts& en = os.directory_dialog_texts.at(0);
    EXPECT_EQ((lines{en.title, en.name_label, en.folders_label, en.files_label, en.drives_label, en.buttons.ok, en.buttons.cancel}),
              (lines{L"Select Directory", L"Directory &Name:", L"&Directories:", L"Files: (*.*)", L"Dri&ves:", L"OK",
                     L"Cancel"}));
    EXPECT_EQ((lines{en.confirm_caption, en.create_question, en.error_caption, en.drive_not_ready}),
              (lines{L"Confirm", L"The specified directory does not exist. Create it?", L"Error",
                     L"Drive {1} is not ready."}));
    EXPECT_EQ(os.content(L"C:\\MyWindows\\w1.dll"), "new w1");
    EXPECT_EQ(view.info, (lines{L"Setup started at 07.12.2026  12:44:12", L"All required files copied to Windows directory!"}));
}

TEST_F(CopyFiles, CancelledSelectDirectoryDialogSkipsWindowsFilesButNotTheProgramFolder)
{
    page.language = ui_language::german;
    with_windows_files();
    without_windows_directory();
    os.directory_choices = {std::nullopt};
    os.folder_choices = {L"C:\\Program Files"};
    page.copy_buttonClick();
    const select_directory_texts& de = os.directory_dialog_texts.at(0);
    EXPECT_EQ((lines{de.title, de.name_label, de.folders_label, de.files_label, de.drives_label, de.buttons.ok, de.buttons.cancel}),
              (lines{L"Verzeichnis auswählen", L"Verzeichnis&name:", L"&Verzeichnisse:", L"Dateien: (*.*)",
                     L"&Laufwerke:", L"OK", L"Abbrechen"}));
    EXPECT_EQ((lines{de.confirm_caption, de.create_question, de.error_caption, de.drive_not_ready}),
              (lines{L"Bestätigen", L"Das angegebene Verzeichnis existiert nicht. Soll es erstellt werden?", L"Fehler",
                     L"Laufwerk {1} ist nicht bereit."}));
    EXPECT_EQ(os.messages, (lines{L"Das Windows-Verzeichnis wurde nicht gefunden (Gesucht wurde nach c:\\windows und "
                                  L"c:\\winnt)!\n\rBitte lokalisieren Sie es selbst in dem folgenden Dialog!",
                                  explained_de}));
    EXPECT_TRUE(os.file_copies.empty());
    EXPECT_EQ(view.info, join({L"Installation gestartet: 07.12.2026  12:44:12"},
                              program_copy_lines(L"C:\\Program Files\\Sample", true)));
    EXPECT_EQ(page.target_folder, L"C:\\Program Files\\Sample");
}

TEST_F(CopyFiles, WindowsFolderFailureEndsTheTaskWithTheErrorBox)
{
    with_application_data();
    with_windows_files();
    os.windows_dir.clear();
    page.copy_buttonClick();
    EXPECT_EQ(os.errors, lines{L"The system cannot find the file specified."});
    EXPECT_EQ(view.info, (lines{L"Setup started at 07.12.2026  12:44:12", L"",
                                L"Copying files to Windows application data folder", L"Copying finished.", L""}));
    EXPECT_TRUE(os.messages.empty());
    EXPECT_TRUE(os.browses.empty());
    EXPECT_EQ(os.shell_copies.size(), 1u);
    EXPECT_FALSE(page.task_running());
}

TEST_F(CopyFiles, ProgramFilesFolderFailureEndsTheTaskAfterTheNote)
{
    os.registry_open_error = win_error::access_denied;
    page.copy_buttonClick();
    EXPECT_EQ(os.errors, lines{L"Access is denied."});
    EXPECT_EQ(os.messages, lines{explained_en});
    EXPECT_TRUE(os.browses.empty());
    EXPECT_EQ(view.info.size(), 1u);
}

TEST_F(CopyFiles, MissingApplicationDataFolderIsCreatedAndAnnounced)
{
    with_application_data();
    os.appdata = L"C:\\Users\\tester\\Fresh";
    os.folder_choices = {L""};
    page.copy_buttonClick();
    EXPECT_EQ(os.created_directories, lines{L"C:\\Users\\tester\\Fresh"});
    EXPECT_EQ(os.messages.at(0), L"Create dir C:\\Users\\tester\\Fresh");
    EXPECT_EQ(os.content(L"C:\\Users\\tester\\Fresh\\Prog\\data.ini"), "data");
    EXPECT_EQ(view.info.size(), 5u);
}

TEST_F(CopyFiles, ApplicationDataFolderThatCannotBeCreatedEndsStageOneSilently)
{
    page.language = ui_language::german;
    with_application_data();
    os.appdata = L"Q:\\nowhere";
    os.folder_choices = {L""};
    page.copy_buttonClick();
    EXPECT_EQ(os.messages.at(0), L"Create dir Q:\\nowhere");
    EXPECT_EQ(view.info, lines{L"Installation gestartet: 07.12.2026  12:44:12"});
    EXPECT_TRUE(os.shell_copies.empty());
    EXPECT_EQ(page.source_folder, medium);  // stage 3 went on

    // No application-data folder named at all: the same, with the bare text.
    test::page_on<> second_fixture;
    auto& [other, other_view, second] = second_fixture;
    second.application_name = L"Prog";
    other.add_file(medium + L"\\Application_Data\\Prog\\data.ini", "data");
    other.appdata.clear();
    other.folder_choices = {L""};
    second.copy_buttonClick();
    EXPECT_EQ(other.messages.at(0), L"Create dir ");
    EXPECT_TRUE(other.shell_copies.empty());
}

TEST_F(CopyFiles, NoApplicationNameCopiesTheWholeApplicationDataFolderUnderItsName)
{
    with_application_data();
    page.application_name.clear();
    os.folder_choices = {L""};
    page.copy_buttonClick();
    ASSERT_EQ(os.shell_copies.size(), 1u);
    EXPECT_EQ(os.shell_copies[0].from, medium + L"\\Application_Data");
    EXPECT_EQ(os.shell_copies[0].to, appdata);
    EXPECT_EQ(os.content(appdata + L"\\Application_Data\\Prog\\data.ini"), "data");
    EXPECT_FALSE(os.has_folder(appdata + L"\\Prog"));
}

TEST_F(CopyFiles, AnotherApplicationsDataIsNotCopied)
{
    os.add_file(medium + L"\\Application_Data\\Other\\x.ini", "x");
    os.folder_choices = {L""};
    page.copy_buttonClick();
    EXPECT_TRUE(os.shell_copies.empty());
    EXPECT_EQ(view.info.size(), 1u);
}

}  // namespace
}  // namespace qs

namespace qs {
namespace {

TEST(CopyFilesFromADriveRoot, StagesOneAndTwoRunButTheProgramFolderIsNotCopied)
{
    test::page_on<> fixture;
    auto& [os, view, page] = fixture;
    os.add_drive(L"E:");
    os.program = L"E:\\run_this_first.exe";
    os.add_file(L"E:\\windows\\w1.dll", "w1");
    page.language = ui_language::german;
    page.copy_buttonClick();
    EXPECT_EQ(view.info, (std::vector<std::wstring>{
                             L"Installation gestartet: 07.12.2026  12:44:12",
                             L"Ben\u00f6tigte Dateien wurden ins Windows-Verzeichnis kopiert!",
                             L"Das Programm l\u00e4uft im Stammverzeichnis eines Laufwerks, das keinen "
                             L"Verzeichnisnamen f\u00fcr die Installation hat - der Programmordner wurde nicht kopiert."}));
    EXPECT_TRUE(os.has_file(L"C:\\Windows\\w1.dll"));
    EXPECT_TRUE(os.messages.empty());
    EXPECT_TRUE(os.browses.empty());
    EXPECT_TRUE(os.shell_copies.empty());
    // Not the Windows directory of stage 2: registration must not take that for the program folder.
    EXPECT_EQ(page.target_folder, L"");
}

}  // namespace
}  // namespace qs
