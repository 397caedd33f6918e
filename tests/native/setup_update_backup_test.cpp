#include <gtest/gtest.h>

#include "setup_main/folder_rules.h"
#include "tests/support/page_fixture.h"

namespace qs {
namespace {

using test::lines;
const std::wstring appdata = L"C:\\Users\\tester\\AppData\\Roaming";
const std::wstring program = L"C:\\Apps\\Prog";

struct Maintenance : ::testing::Test, test::page_on<> {
    void SetUp() override
    {
        os.program = program + L"\\setup.exe";
        os.add_file(program + L"\\setup.exe", "setup");
        os.add_file(program + L"\\prog.exe", "old prog");
        os.add_file(program + L"\\keep.txt", "keep");
        page.application_name = L"Prog";
    }
};

// ---- Update from folder

struct UpdateFromFolder : Maintenance {
    void SetUp() override
    {
        Maintenance::SetUp();
        os.add_file(L"D:\\upd\\Prog\\prog.exe", "new prog");
        os.add_file(L"D:\\upd\\New\\other.exe", "other");
    }
};

TEST_F(UpdateFromFolder, AFolderOfTheProgramsNameOverlaysTheInstallation)
{
    os.folder_choices = {L"D:\\upd\\Prog"};
    page.update_buttonClick();
    EXPECT_EQ(view.info, (lines{L"Copying files from D:\\upd\\Prog to C:\\Apps ...", L"File copy finished!"}));
    ASSERT_EQ(os.browses.size(), 1u);
    EXPECT_EQ(os.browses[0].title, L"Select the directory that contains new files");
    EXPECT_EQ(os.browses[0].initial, L"");
    EXPECT_EQ(os.browses[0].flags, 0x0041u);
    ASSERT_EQ(os.shell_copies.size(), 1u);
    EXPECT_EQ(os.shell_copies[0].from, L"D:\\upd\\Prog");
    EXPECT_EQ(os.shell_copies[0].to, L"C:\\Apps");
    EXPECT_EQ(os.content(program + L"\\prog.exe"), "new prog");
    EXPECT_EQ(os.content(program + L"\\keep.txt"), "keep");
    EXPECT_TRUE(os.messages.empty());
    EXPECT_TRUE(os.errors.empty());
}

TEST_F(UpdateFromFolder, AFolderOfAnotherNameLandsBesideTheInstallation)
{
    page.language = ui_language::german;
    os.folder_choices = {L"D:\\upd\\New"};
    page.update_buttonClick();
    EXPECT_EQ(view.info, (lines{L"Kopiere Dateien von D:\\upd\\New nach C:\\Apps ...", L"Kopieren der Dateien beendet!"}));
    EXPECT_EQ(os.content(L"C:\\Apps\\New\\other.exe"), "other");
    EXPECT_EQ(os.tree(program), (lines{L"keep.txt", L"prog.exe", L"setup.exe"}));
    EXPECT_EQ(os.content(program + L"\\prog.exe"), "old prog");
}

TEST_F(UpdateFromFolder, ApplicationDataPartGoesToTheUsersFolderFirst)
{
    os.add_file(L"D:\\upd\\Prog\\Application_Data\\Prog\\data.ini", "data");
    os.add_file(L"D:\\upd\\Prog\\Application_Data\\Other\\x.ini", "x");
    os.folder_choices = {L"D:\\upd\\Prog"};
    page.update_buttonClick();
    EXPECT_EQ(view.info, (lines{L"", L"Copying files to Windows application data folder", L"Copying finished.", L"",
                                L"Copying files from D:\\upd\\Prog to C:\\Apps ...", L"File copy finished!"}));
    ASSERT_EQ(os.shell_copies.size(), 2u);
    EXPECT_EQ(os.shell_copies[0].from, L"D:\\upd\\Prog\\Application_Data\\Prog");
    EXPECT_EQ(os.shell_copies[0].to, appdata);
    EXPECT_EQ(os.content(appdata + L"\\Prog\\data.ini"), "data");
    EXPECT_FALSE(os.has_folder(appdata + L"\\Other"));
    EXPECT_EQ(page.source_folder, L"D:\\upd\\Prog\\Application_Data\\Prog");
    EXPECT_EQ(page.target_folder, appdata);
}

TEST_F(UpdateFromFolder, GermanApplicationDataLines)
{
    page.language = ui_language::german;
    os.add_file(L"D:\\upd\\Prog\\Application_Data\\Prog\\data.ini", "data");
    os.folder_choices = {L"D:\\upd\\Prog"};
    page.update_buttonClick();
    EXPECT_EQ(view.info, (lines{L"", L"Dateien werden in den Windows-Ordner application data kopiert.",
                                L"Kopieren beendet.", L"", L"Kopiere Dateien von D:\\upd\\Prog nach C:\\Apps ...",
                                L"Kopieren der Dateien beendet!"}));
}

TEST_F(UpdateFromFolder, CancelOrAMissingFolderChangesNothing)
{
    page.source_folder = L"s";
    page.target_folder = L"t";
    os.folder_choices = {L"", L"D:\\upd\\Gone"};
    page.update_buttonClick();
    page.update_buttonClick();
    EXPECT_TRUE(view.info.empty());
    EXPECT_TRUE(os.shell_copies.empty());
    EXPECT_TRUE(os.messages.empty());
    EXPECT_EQ(page.source_folder, L"s");
    EXPECT_EQ(page.target_folder, L"t");
}

TEST_F(UpdateFromFolder, WithoutAnApplicationDataPartTheFieldsStayAsTheyWere)
{
    page.target_folder = L"C:\\Program Files\\Prog";
    os.folder_choices = {L"D:\\upd\\Prog"};
    page.update_buttonClick();
    EXPECT_EQ(os.shell_copies.size(), 1u);
    EXPECT_EQ(page.target_folder, L"C:\\Program Files\\Prog");
    EXPECT_EQ(page.source_folder, L"");
}

TEST_F(UpdateFromFolder, MissingApplicationDataFolderIsCreatedOrTheStepIsSkipped)
{
    os.add_file(L"D:\\upd\\Prog\\Application_Data\\Prog\\data.ini", "data");
    os.appdata = L"C:\\Users\\tester\\Fresh";
    os.folder_choices = {L"D:\\upd\\Prog"};
    page.update_buttonClick();
    EXPECT_EQ(os.messages, lines{L"Create dir C:\\Users\\tester\\Fresh"});
    EXPECT_EQ(os.content(L"C:\\Users\\tester\\Fresh\\Prog\\data.ini"), "data");

    view.info.clear();
    os.messages.clear();
    os.appdata = L"Q:\\nowhere";
    os.folder_choices = {L"D:\\upd\\Prog"};
    page.update_buttonClick();
    EXPECT_EQ(os.messages, lines{L"Create dir Q:\\nowhere"});
    EXPECT_EQ(view.info, (lines{L"Copying files from D:\\upd\\Prog to C:\\Apps ...", L"File copy finished!"}));
}

TEST_F(UpdateFromFolder, NoApplicationNameTakesTheApplicationDataFolderAsAWhole)
{
    page.application_name.clear();
    os.add_file(L"D:\\upd\\Prog\\Application_Data\\Prog\\data.ini", "data");
    os.folder_choices = {L"D:\\upd\\Prog"};
    page.update_buttonClick();
    EXPECT_EQ(os.shell_copies.at(0).from, L"D:\\upd\\Prog\\Application_Data");
    EXPECT_EQ(os.content(appdata + L"\\Application_Data\\Prog\\data.ini"), "data");
}

TEST_F(UpdateFromFolder, APickedDriveRootGetsOneSeparator)
{
    os.add_drive(L"E:");
    os.add_file(L"E:\\Application_Data\\Prog\\data.ini", "data");
    os.folder_choices = {L"E:\\"};
    page.update_buttonClick();
    EXPECT_EQ(os.shell_copies.at(0).from, L"E:\\Application_Data\\Prog");
    EXPECT_EQ(view.info.at(4), L"Copying files from E: to C:\\Apps ...");
}

TEST_F(UpdateFromFolder, ProgramAtADriveRootCopiesNothing)
{
    os.program = L"C:\\setup.exe";
    page.update_buttonClick();
    EXPECT_EQ(view.info, lines{L"The program runs from the root of a drive, which has no parent folder to update - "
                               L"nothing was copied."});
    page.language = ui_language::german;
    page.update_buttonClick();
    EXPECT_EQ(view.info.at(1), L"Das Programm l\u00e4uft im Stammverzeichnis eines Laufwerks, das kein "
                               L"\u00fcbergeordnetes Verzeichnis zum Aktualisieren hat - es wurde nichts kopiert.");
    EXPECT_TRUE(os.browses.empty());
    EXPECT_TRUE(os.shell_copies.empty());
}

// ---- Generate backup folder

const wchar_t* const backup_explained =
    L"Select or create a new folder for the backup. The program folder name \"Prog\" will be added automatically."
    L"\n\r\n\rExample: If you select \"c:\\my_backups\" the final folder will be \"c:\\my_backups\\Prog\".";
const wchar_t* const backup_ready =
    L"Ready for generating the backup folder for your program. \n\rIf you are asked to overwrite files or "
    L"integrate folders, please agree to do so.";
const wchar_t* const started = L"Backup started at 07.12.2026  12:44:12";
const wchar_t* const finished = L"Backup finished 07.12.2026  12:44:12";

struct Backup : Maintenance {
    void SetUp() override
    {
        Maintenance::SetUp();
        os.add_file(program + L"\\Application_Data\\Prog\\old.ini", "old");
        os.add_file(appdata + L"\\Prog\\fresh.ini", "fresh");
        os.add_folder(L"E:\\Backups");
    }
    static lines program_lines(const std::wstring& target)
    {
        return {L"Copying files from", program, L"to", target, L"...", L"", L"Copying finished.", L""};
    }
    static lines appdata_lines()
    {
        return {L"", L"Copying files from Windows application data", appdata + L"\\Prog", L"to",
                program + L"\\Application_Data\\", L"Copying finished.", L""};
    }
    static lines framed(std::initializer_list<lines> parts)
    {
        lines out{started};
        for (const lines& p : parts) out.insert(out.end(), p.begin(), p.end());
        out.push_back(finished);
        return out;
    }
};

TEST_F(Backup, ProgramFolderThenApplicationDataInEnglishEvenForGerman)
{
    page.language = ui_language::german;
    os.folder_choices = {L"E:\\Backups"};
    page.Button3Click();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(view.info, framed({program_lines(L"E:\\Backups\\Prog"), appdata_lines()}));
    EXPECT_EQ(os.messages, (lines{backup_explained, backup_ready}));
    ASSERT_EQ(os.browses.size(), 1u);
    EXPECT_EQ(os.browses[0].title, L"Select directory where the program should be installed");
    EXPECT_EQ(os.browses[0].initial, L"C:\\Program Files");
    EXPECT_EQ(os.browses[0].flags, 0x0041u);
    ASSERT_EQ(os.shell_copies.size(), 2u);
    EXPECT_EQ(os.shell_copies[0].from, program);
    EXPECT_EQ(os.shell_copies[0].to, L"E:\\Backups\\Prog");
    EXPECT_EQ(os.shell_copies[1].from, appdata + L"\\Prog");
    EXPECT_EQ(os.shell_copies[1].to, program + L"\\Application_Data\\");
    // The backup holds the application data as it stood before; the program folder gets the fresh one.
    EXPECT_EQ(os.tree(L"E:\\Backups\\Prog"),
              (lines{L"Application_Data", L"Application_Data\\Prog", L"Application_Data\\Prog\\old.ini", L"keep.txt",
                     L"prog.exe", L"setup.exe"}));
    EXPECT_EQ(os.content(program + L"\\Application_Data\\Prog\\fresh.ini"), "fresh");
    EXPECT_EQ(page.source_folder, program);
    EXPECT_EQ(page.target_folder, L"E:\\Backups\\Prog");
}

TEST_F(Backup, DriveRootGivesTheNameDirectlyBelowIt)
{
    os.folder_choices = {L"E:\\"};
    page.Button3Click();
    EXPECT_EQ(os.shell_copies.at(0).to, L"E:\\Prog");
    EXPECT_EQ(view.info, framed({program_lines(L"E:\\Prog"), appdata_lines()}));
    EXPECT_EQ(page.target_folder, L"E:\\Prog");
}

TEST_F(Backup, AnExistingBackupFolderGetsTheCopyNestedWithoutTheInstallationsRecord)
{
    os.add_file(L"E:\\Backups\\Prog\\earlier.txt", "earlier");
    os.add_file(program + L"\\___korvex_install\\record.txt", "entry\tHKLM\tKey\r\n");
    os.add_file(program + L"\\___korvex_update\\release.txt", "7");
    os.set_file_attributes(program + L"\\___korvex_install\\record.txt", attr::readonly);
    os.folder_choices = {L"E:\\Backups\\"};
    page.Button3Click();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(view.info, framed({program_lines(L"E:\\Backups\\Prog"), appdata_lines()}));
    EXPECT_EQ(page.target_folder, L"E:\\Backups\\Prog\\Prog");
    EXPECT_TRUE(os.has_file(L"E:\\Backups\\Prog\\Prog\\prog.exe"));
    EXPECT_FALSE(os.has_folder(L"E:\\Backups\\Prog\\Prog\\___korvex_install"));
    EXPECT_TRUE(os.has_file(L"E:\\Backups\\Prog\\Prog\\___korvex_update\\release.txt"));
    EXPECT_TRUE(os.has_file(program + L"\\___korvex_install\\record.txt"));
}

TEST_F(Backup, CancelStillShowsBothBoxesAndCopiesNothing)
{
    os.folder_choices = {L""};
    page.Button3Click();
    EXPECT_EQ(view.info, (lines{started, finished}));
    EXPECT_EQ(os.messages, (lines{backup_explained, backup_ready}));
    EXPECT_TRUE(os.shell_copies.empty());
    EXPECT_EQ(page.target_folder, L"");
    EXPECT_EQ(page.source_folder, program + L"\\");
}

TEST_F(Backup, WithoutTheProgramsApplicationDataOnlyTheProgramFolderIsCopied)
{
    os.remove(program + L"\\Application_Data");
    os.folder_choices = {L"E:\\Backups"};
    page.Button3Click();
    EXPECT_EQ(view.info, framed({program_lines(L"E:\\Backups\\Prog")}));
    EXPECT_EQ(os.shell_copies.size(), 1u);
}

TEST_F(Backup, NoProgramFilesFolderOpensThePickerWithoutPreselection)
{
    os.remove(L"C:\\Program Files");
    os.folder_choices = {L""};
    page.Button3Click();
    EXPECT_EQ(os.browses.at(0).initial, L"");
}

TEST_F(Backup, ProgramFilesFailureEndsTheTaskBeforeTheFinishedLine)
{
    os.registry_open_error = win_error::access_denied;
    page.Button3Click();
    EXPECT_EQ(os.errors, lines{L"Access is denied."});
    EXPECT_EQ(view.info, lines{started});
    EXPECT_EQ(os.messages, lines{backup_explained});
    EXPECT_TRUE(os.browses.empty());
}

TEST_F(Backup, ProgramAtADriveRootCopiesNothing)
{
    os.program = L"D:\\setup.exe";
    page.Button3Click();
    EXPECT_EQ(view.info, (lines{started,
                                L"The program runs from the root of a drive, which has no folder name to back up "
                                L"under - nothing was copied.",
                                finished}));
    EXPECT_TRUE(os.messages.empty());
    EXPECT_TRUE(os.browses.empty());
    EXPECT_TRUE(os.shell_copies.empty());
}

TEST_F(Backup, TheOfferedParentFolderWouldAimTheBackupAtTheProgramItself)
{
    os.folder_choices = {L"C:\\Apps"};
    page.target_folder = L"C:\\Program Files\\Prog";
    page.Button3Click();
    EXPECT_EQ(view.info, (lines{started,
                                L"The backup folder C:\\Apps\\Prog\\Prog lies inside the program folder C:\\Apps\\Prog - "
                                L"nothing was copied. Please choose another folder.",
                                finished}));
    EXPECT_TRUE(os.shell_copies.empty());
    EXPECT_EQ(page.target_folder, L"");
    EXPECT_EQ(os.tree(program).size(), 6u);
}

TEST_F(Backup, AFolderInsideTheProgramFolderIsRefusedWhateverItsSpelling)
{
    os.add_folder(program + L"\\Sub");
    os.folder_choices = {L"c:/apps/PROG/sub/", L"C:\\Apps\\Prog"};
    page.Button3Click();
    page.Button3Click();
    EXPECT_TRUE(os.shell_copies.empty());
    EXPECT_EQ(view.info.size(), 6u);
    EXPECT_EQ(view.info[1].rfind(L"The backup folder ", 0), 0u);
    EXPECT_EQ(view.info[4].rfind(L"The backup folder ", 0), 0u);
}

TEST_F(Backup, AFolderThatOnlySharesThePrefixIsNoProblem)
{
    os.add_folder(L"C:\\Apps\\Prog2");
    os.folder_choices = {L"C:\\Apps\\Prog2"};
    page.Button3Click();
    EXPECT_EQ(os.shell_copies.at(0).to, L"C:\\Apps\\Prog2\\Prog");
    EXPECT_TRUE(os.has_file(L"C:\\Apps\\Prog2\\Prog\\prog.exe"));
}

TEST_F(Backup, NoApplicationNameBringsBackTheApplicationDataFolderNotTheWholeUserFolder)
{
    page.application_name.clear();
    os.add_file(appdata + L"\\Application_Data\\Prog\\fresh.ini", "fresh");
    os.folder_choices = {L"E:\\Backups"};
    page.Button3Click();
    ASSERT_EQ(os.shell_copies.size(), 2u);
    EXPECT_EQ(os.shell_copies[1].from, appdata + L"\\Application_Data");
    EXPECT_EQ(os.shell_copies[1].to, program + L"\\");
    EXPECT_EQ(os.content(program + L"\\Application_Data\\Prog\\fresh.ini"), "fresh");
    EXPECT_FALSE(os.has_folder(program + L"\\Application_Data\\Application_Data"));
}

// ---- the shared path rules

TEST(FolderRules, SameOrInside)
{
    EXPECT_TRUE(is_same_or_inside(L"C:\\Apps\\Prog", L"C:\\Apps\\Prog"));
    EXPECT_TRUE(is_same_or_inside(L"c:\\apps\\prog\\", L"C:\\Apps\\Prog"));
    EXPECT_TRUE(is_same_or_inside(L"C:/Apps//Prog/x", L"C:\\Apps\\Prog\\"));
    EXPECT_TRUE(is_same_or_inside(L"C:\\\u00c4pps\\x", L"c:\\\u00e4pps"));
    EXPECT_FALSE(is_same_or_inside(L"C:\\Apps\\Prog2", L"C:\\Apps\\Prog"));
    EXPECT_FALSE(is_same_or_inside(L"C:\\Apps", L"C:\\Apps\\Prog"));
    EXPECT_FALSE(is_same_or_inside(L"C:\\Apps", L""));
}

TEST(FolderRules, DriveRootsAndApplicationDataParts)
{
    EXPECT_TRUE(is_drive_root(L"D:\\"));
    EXPECT_TRUE(is_drive_root(L"D:"));
    EXPECT_FALSE(is_drive_root(L"D:\\x\\"));
    EXPECT_EQ(application_data_part(L"D:\\m\\", L"Prog"), L"D:\\m\\Application_Data\\Prog");
    EXPECT_EQ(application_data_part(L"D:\\m\\", L""), L"D:\\m\\Application_Data");
    EXPECT_EQ(application_data_part(L"D:\\m\\", L"Prog  "), L"D:\\m\\Application_Data\\Prog  ");
}

}  // namespace
}  // namespace qs
