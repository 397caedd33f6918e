// The record, the Apps & Features entry, the uninstall and the unattended install, end to end on
// the fake: a medium with a file type, an OLE server, an ActiveX control, a program, a help file,
// a Windows-folder file and application data.
#include <gtest/gtest.h>

#include "basics/text_files.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/md5.h"
#include "platform/utf8.h"
#include "setup_main/command_line.h"
#include "setup_main/install/entry.h"
#include "setup_main/install/record.h"
#include "setup_main/update/internet_update.h"
#include "setup_main/setup_main_page.h"
#include "tests/support/fake_main_window_view.h"

namespace qs {
namespace {

using lines = std::vector<std::wstring>;
using install::change;
using install::record_line;

const std::wstring installed = L"C:\\Apps\\Sample\\";
const std::wstring entry_key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvex_Prog";
const std::wstring shared_key = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::wstring shared_dll = L"C:\\Windows\\shared.dll";
const std::wstring log_file = L"C:\\install.log";
constexpr auto hkcr = registry_root::classes_root;
constexpr auto hklm = registry_root::local_machine;

struct Install : ::testing::Test {
    fake::fake_platform os;

    void SetUp() override
    {
        make_medium(L"D:\\Setup\\Sample", "Prog");
        // Programs started for registration succeed; the uninstall's copy under %TEMP% runs the
        // program again, in this fake, as the started process.
        os.on_run = [this](const std::wstring& file, const std::wstring& parameters) -> std::uint32_t {
            if (file.find(L"korvex_uninstall_") == std::wstring::npos) return 0;
            const std::wstring parent = os.program;
            os.program = file;
            const int code = run_without_windows(os, parse_command_line(split_command_line(parameters)));
            os.program = parent;
            return static_cast<std::uint32_t>(code);
        };
    }

    void make_medium(const std::wstring& medium, const std::string& name)
    {
        os.add_file(medium + L"\\run_this_first.exe", "setup");
        os.add_file(medium + L"\\app.exe", "app");
        os.add_file(medium + L"\\manual.chm", "help");
        os.add_file(medium + L"\\server.exe", "server");
        os.add_file(medium + L"\\ctl.ocx", "control");
        os.add_file(medium + L"\\windows\\shared.dll", "shared");
        os.add_file(medium + L"\\Application_Data\\" + std::wstring(name.begin(), name.end()) + L"\\data.ini", "data");
        os.add_file(medium + L"\\init_setup\\application_name.txt", name);
        os.add_file(medium + L"\\init_setup\\language.txt", "1");
        os.add_file(medium + L"\\init_setup\\release.txt", "7");
        os.add_file(medium + L"\\init_setup\\ole_servers.txt", "server.exe");
        os.add_file(medium + L"\\init_setup\\extensions.txt", ".abc\r\nAbc.Document\r\nAbc document\r\napp.exe\r\n%1\r\n0\r\n");
    }

    int run(const lines& arguments) { return run_without_windows(os, parse_command_line(arguments)); }
    int install_into(const std::wstring& dir = L"C:\\Apps")
    {
        return run({L"/install", L"/acceptlicence", L"/dir=" + dir, L"/log=" + log_file});
    }
    // The uninstall as Apps & Features starts it: the installed program, from its folder.
    int uninstall(const std::wstring& folder = installed)
    {
        os.program = folder + L"run_this_first.exe";
        os.running = {os.program};
        return run({L"/uninstall", L"/silent", L"/log=" + log_file});
    }
    std::vector<record_line> record(const std::wstring& folder = installed)
    {
        return install::install_record(os, folder).lines();
    }
    std::wstring log() const { return utf8_to_wide(os.content(log_file)); }
    std::optional<std::wstring> entry(const std::wstring& name) { return os.registry_string(hklm, entry_key, name); }
};

TEST_F(Install, RecordsEachChangeOnceWithTheEntryFirstAndRegistersWithNoQuestion)
{
    ASSERT_EQ(install_into(), 0) << log();
    const std::vector<record_line> r = record();
    ASSERT_FALSE(r.empty());
    EXPECT_EQ(r.front(), (record_line{change::entry, {L"HKLM", entry_key}}));
    // Each line reached the disk on its own, before the change it names.
    const auto written_through = std::count(os.flushed_writes.begin(), os.flushed_writes.end(),
                                            installed + L"___korvex_install\\record.txt");
    EXPECT_GE(static_cast<std::size_t>(written_through), r.size());
    const auto has = [&r](const record_line& line) { return std::find(r.begin(), r.end(), line) != r.end(); };
    EXPECT_TRUE(has({change::program_folder, {installed}}));
    EXPECT_TRUE(has({change::program_file, {installed + L"app.exe"}}));
    EXPECT_TRUE(has({change::program_file, {installed + L"init_setup\\extensions.txt"}}));
    EXPECT_TRUE(has({change::windows_file, {shared_dll, fake::md5_hex("shared")}}));
    EXPECT_TRUE(has({change::application_data, {L"C:\\Users\\tester\\AppData\\Roaming\\Prog"}}));
    EXPECT_TRUE(has({change::class_key, {L".abc", L"Abc.Document"}}));
    EXPECT_TRUE(has({change::class_key, {L"Abc.Document\\Shell"}}));  // a level made on the way
    EXPECT_TRUE(has({change::class_key, {L"Abc.Document\\Shell\\Open\\Command",
                                         L"\"" + installed + L"app.exe\" \"%1\""}}));
    EXPECT_TRUE(has({change::ole_server, {installed + L"server.exe"}}));
    EXPECT_TRUE(has({change::activex_control, {installed + L"ctl.ocx"}}));
    EXPECT_TRUE(has({change::shortcut, {L"C:\\Users\\tester\\Desktop\\app.lnk", installed + L"app.exe"}}));
    EXPECT_TRUE(has({change::shortcut, {L"C:\\Users\\tester\\Desktop\\manual help.lnk", installed + L"manual.chm"}}));
    EXPECT_EQ(os.registry_dword(hklm, shared_key, shared_dll), 1u);
    // Nothing was asked or shown; the shell copied silently; regsvr32 was told to be silent.
    EXPECT_TRUE(os.questions.empty());
    EXPECT_TRUE(os.messages.empty());
    EXPECT_TRUE(os.shell_copies.empty());
    EXPECT_EQ(os.silent_shell_copies.size(), 2u);
    EXPECT_EQ(os.runs.at(0).file, installed + L"server.exe");
    EXPECT_EQ(os.runs.at(0).parameters, L"/regserver");
    EXPECT_EQ(os.runs.at(1).file, L"regsvr32");
    EXPECT_EQ(os.runs.at(1).parameters, L"/s \"" + installed + L"ctl.ocx\"");
    // The entry Apps & Features shows.
    EXPECT_EQ(entry(L"DisplayName"), L"Prog");
    EXPECT_EQ(entry(L"Publisher"), L"Korvex Hard- and Software");
    EXPECT_EQ(entry(L"DisplayVersion"), L"7");
    EXPECT_EQ(entry(L"InstallLocation"), installed);
    EXPECT_EQ(entry(L"DisplayIcon"), installed + L"app.exe");
    EXPECT_EQ(entry(L"UninstallString"), L"\"C:\\Apps\\Sample\\run_this_first.exe\" /uninstall");
    EXPECT_EQ(entry(L"QuietUninstallString"), L"\"C:\\Apps\\Sample\\run_this_first.exe\" /uninstall /silent");
    EXPECT_EQ(entry(L"InstallDate"), L"20261207");
    EXPECT_EQ(os.registry_dword(hklm, entry_key, L"NoModify"), 1u);
    EXPECT_EQ(os.registry_dword(hklm, entry_key, L"NoRepair"), 1u);
    EXPECT_TRUE(os.registry_dword(hklm, entry_key, L"EstimatedSize").has_value());

    // Registering again from the installed folder, in the window, adds nothing to its record;
    // an install into the same folder again finds it installed.
    os.program = installed + L"run_this_first.exe";
    fake::fake_view view;
    Tsetup_main_page page(os, view);
    page.FormCreate();
    os.yes_no_answers = {true};
    page.re_register_components();
    EXPECT_EQ(record(), r);
    os.program = L"D:\\Setup\\Sample\\run_this_first.exe";
    ASSERT_EQ(install_into(), 0) << log();
    EXPECT_EQ(record(), r);
    EXPECT_FALSE(os.has_folder(installed + L"Sample"));
    EXPECT_EQ(os.registry_dword(hklm, shared_key, shared_dll), 1u);
    // An update that commits a release shows it.
    install::show_installed_release(os, installed, 9);
    EXPECT_EQ(entry(L"DisplayVersion"), L"9");
}

TEST_F(Install, WithoutAdministratorRightsTheEntryGoesUnderTheUser)
{
    os.administrator = false;
    ASSERT_EQ(install_into(), 0) << log();
    EXPECT_EQ(record().front(), (record_line{change::entry, {L"HKCU", entry_key}}));
    EXPECT_EQ(os.registry_string(registry_root::current_user, entry_key, L"DisplayName"), L"Prog");
}

TEST_F(Install, UninstallRemovesEverythingButTheUsersDataFromACopyOfItself)
{
    ASSERT_EQ(install_into(), 0) << log();
    EXPECT_EQ(uninstall(), 0) << log();
    EXPECT_TRUE(os.progress.empty());  // silent: no window at all
    EXPECT_FALSE(os.has_folder(installed));
    EXPECT_TRUE(os.has_folder(L"C:\\Apps"));  // not ours: it was made for the install, but holds nothing of it
    EXPECT_FALSE(os.has_registry_key(hkcr, L".abc"));
    EXPECT_FALSE(os.has_registry_key(hkcr, L"Abc.Document"));
    EXPECT_FALSE(os.has_registry_key(hklm, entry_key));
    EXPECT_FALSE(os.registry_dword(hklm, shared_key, shared_dll));
    EXPECT_FALSE(os.has_file(shared_dll));
    EXPECT_EQ(os.tree(L"C:\\Users\\tester\\Desktop"), lines{});
    EXPECT_TRUE(os.has_file(L"C:\\Users\\tester\\AppData\\Roaming\\Prog\\data.ini"));
    const std::wstring text = log();
    EXPECT_NE(text.find(L"The user's data stays in C:\\Users\\tester\\AppData\\Roaming\\Prog."), std::wstring::npos);
    // The servers were unregistered and waited for; the copy ran on the installed folder.
    bool unregistered = false, unregistered_control = false;
    std::wstring copy_parameters;
    for (const auto& r : os.runs) {
        unregistered = unregistered || (r.file == installed + L"server.exe" && r.parameters == L"/unregserver");
        unregistered_control = unregistered_control || r.parameters == L"/u /s \"" + installed + L"ctl.ocx\"";
        if (r.file.find(L"korvex_uninstall_") != std::wstring::npos) copy_parameters = r.parameters;
    }
    EXPECT_TRUE(unregistered);
    EXPECT_TRUE(unregistered_control);
    EXPECT_EQ(copy_parameters, L"/uninstall /installation=\"C:\\Apps\\Sample\" /silent \"/log=C:\\install.log\"");
    // The running program was moved beside the copy; the next run sweeps it, leaving no copy.
    const lines temp = os.tree(os.temp);
    ASSERT_EQ(temp.size(), 2u);
    EXPECT_NE(temp[1].find(L"started_run_this_first.exe"), std::wstring::npos);
    os.program = L"D:\\Setup\\Sample\\run_this_first.exe";
    run({L"/frobnicate"});
    EXPECT_EQ(os.tree(os.temp), lines{});
}

TEST_F(Install, UninstallLeavesWhatOthersChangedAndRestoresWhatItReplaced)
{
    os.set_registry_string(hkcr, L"Abc.Document", L"", L"An older document");
    ASSERT_EQ(install_into(), 0) << log();
    EXPECT_EQ(os.registry_default(hkcr, L"Abc.Document"), L"Abc document");
    os.set_registry_default_value(hkcr, L".abc", L"Other.Type");  // another program takes the type
    os.add_file(installed + L"data\\notes.txt", "mine");          // the user's own file
    os.add_file(L"C:\\Users\\tester\\Desktop\\app.lnk", "not a link of ours");
    os.append_file(installed + L"___korvex_install\\record.txt", fake::bytes_of("class_key\r\n"));  // damaged
    EXPECT_EQ(uninstall(), 0) << log();
    EXPECT_EQ(os.registry_default(hkcr, L".abc"), L"Other.Type");
    EXPECT_EQ(os.registry_default(hkcr, L"Abc.Document"), L"An older document");
    EXPECT_FALSE(os.has_registry_key(hkcr, L"Abc.Document\\Shell"));
    EXPECT_EQ(os.tree(installed), (lines{L"data", L"data\\notes.txt"}));
    EXPECT_TRUE(os.has_file(L"C:\\Users\\tester\\Desktop\\app.lnk"));
    const std::wstring text = log();
    EXPECT_NE(text.find(L"Stays: HKEY_CLASSES_ROOT\\.abc, another program has taken it since."), std::wstring::npos);
    EXPECT_NE(text.find(L"Could not undo \"class_key\": the line is damaged."), std::wstring::npos);
    EXPECT_NE(text.find(L"Left in the program folder, as nothing installed them: C:\\Apps\\Sample\\data\\notes.txt"),
              std::wstring::npos);
}

TEST_F(Install, AWindowsFileSharedByTwoApplicationsGoesWithTheLast)
{
    make_medium(L"D:\\Setup\\Other", "Second");
    os.add_file(L"C:\\Windows\\old.dll", "there before");
    os.add_file(L"D:\\Setup\\Sample\\windows\\old.dll", "there before");
    ASSERT_EQ(install_into(), 0) << log();
    os.program = L"D:\\Setup\\Other\\run_this_first.exe";
    ASSERT_EQ(install_into(), 0) << log();
    EXPECT_EQ(os.registry_dword(hklm, shared_key, shared_dll), 2u);
    EXPECT_EQ(os.registry_dword(hklm, shared_key, L"C:\\Windows\\old.dll"), 2u);  // no count: starts at 2
    EXPECT_EQ(uninstall(), 0) << log();
    EXPECT_TRUE(os.has_file(shared_dll));
    EXPECT_EQ(os.registry_dword(hklm, shared_key, shared_dll), 1u);
    EXPECT_EQ(uninstall(L"C:\\Apps\\Other\\"), 0) << log();
    EXPECT_FALSE(os.has_file(shared_dll));
    EXPECT_TRUE(os.has_file(L"C:\\Windows\\old.dll"));
}

TEST_F(Install, AHeldFileIsRetriedThenLeftNamedWithCode3)
{
    ASSERT_EQ(install_into(), 0) << log();
    os.in_use = {installed + L"app.exe"};
    EXPECT_EQ(uninstall(), 3);
    EXPECT_TRUE(os.has_file(installed + L"app.exe"));
    EXPECT_EQ(os.reboot_deletions, lines{installed + L"app.exe"});
    EXPECT_NE(log().find(L"Not removed: C:\\Apps\\Sample\\app.exe: it is held open and goes at the next start of "
                         L"Windows."),
              std::wstring::npos);
    EXPECT_FALSE(os.has_registry_key(hkcr, L".abc"));
}

TEST_F(Install, AFailedInstallUndoesWhatItDid)
{
    os.unwritable_links = {L"C:\\Users\\tester\\Desktop\\manual help.lnk"};
    EXPECT_EQ(install_into(), 3);
    EXPECT_FALSE(os.has_folder(installed));
    EXPECT_FALSE(os.has_registry_key(hkcr, L".abc"));
    EXPECT_FALSE(os.has_registry_key(hklm, entry_key));
    EXPECT_FALSE(os.has_file(shared_dll));
    EXPECT_FALSE(os.registry_dword(hklm, shared_key, shared_dll));
    EXPECT_EQ(os.tree(L"C:\\Users\\tester\\Desktop"), lines{});
    EXPECT_NE(log().find(L"The install failed and what it had done was undone: The shortcut "
                         L"C:\\Users\\tester\\Desktop\\manual help.lnk could not be written."),
              std::wstring::npos);
}

TEST_F(Install, ExitCodesForTheLicenceTheCommandLineAndARunningUpdate)
{
    EXPECT_EQ(run({L"/install", L"/dir=C:\\Apps", L"/log=" + log_file}), 4);
    EXPECT_NE(log().find(L"The licence must be accepted (/acceptlicence); nothing was installed."), std::wstring::npos);
    EXPECT_EQ(run({L"/install", L"/dir=C:\\Apps", L"/dir=C:\\Other"}), 4);
    EXPECT_EQ(run({L"/install", L"/acceptlicence", L"/dir=C:\\Apps", L"/silent"}), 4);
    EXPECT_EQ(run({L"/uninstall", L"/noshortcuts"}), 4);
    EXPECT_FALSE(os.has_folder(L"C:\\Apps"));
    EXPECT_EQ(parse_command_line({L"/install", L"/uninstall"}).not_understood, L"/uninstall");
    EXPECT_EQ(parse_command_line({L"/acceptlicence"}).not_understood, L"/acceptlicence without /install");

    // Without /dir the program folder goes where the folder question would offer first.
    EXPECT_EQ(run({L"/install", L"/acceptlicence"}), 0);
    EXPECT_TRUE(os.has_file(L"C:\\Program Files\\Sample\\app.exe"));

    ASSERT_EQ(install_into(), 0) << log();
    os.locks_held.insert(update::update_lock_name(installed));
    EXPECT_EQ(install_into(), 5);
    EXPECT_EQ(uninstall(), 5);
    EXPECT_TRUE(os.has_file(installed + L"app.exe"));
}

TEST_F(Install, TheUninstallAsksFirstShowsItsProgressAndClosesWithABox)
{
    ASSERT_EQ(install_into(), 0) << log();
    os.program = installed + L"run_this_first.exe";
    os.yes_no_answers = {false, true};
    EXPECT_EQ(run({L"/uninstall"}), 0);
    ASSERT_EQ(os.questions.size(), 1u);
    EXPECT_EQ(os.questions[0].text, L"Remove Prog and all of its components from this computer?");
    EXPECT_TRUE(os.has_file(installed + L"app.exe"));
    EXPECT_TRUE(os.messages.empty());
    EXPECT_TRUE(os.progress.empty());
    EXPECT_EQ(run({L"/uninstall"}), 0);
    EXPECT_FALSE(os.has_file(installed + L"app.exe"));
    ASSERT_EQ(os.messages.size(), 1u);
    EXPECT_EQ(os.messages[0], L"Prog was removed from this computer.\r\n\r\n"
                              L"Your own data stays in C:\\Users\\tester\\AppData\\Roaming\\Prog.");

    // Between the question and the closing box: each step named, the bar never going back, the
    // entry last, and the bar full at the end.
    ASSERT_GE(os.progress.size(), 4u);
    const auto shown = [this](const std::wstring& text) {
        for (std::size_t i = 0; i < os.progress.size(); ++i)
            if (os.progress[i].text == text) return i;
        return os.progress.size();
    };
    EXPECT_LT(shown(installed + L"app.exe"), os.progress.size());
    EXPECT_LT(shown(L"HKEY_CLASSES_ROOT\\.abc"), os.progress.size());
    EXPECT_EQ(shown(L"HKEY_LOCAL_MACHINE\\" + entry_key), os.progress.size() - 2);
    for (std::size_t i = 0; i < os.progress.size(); ++i) {
        EXPECT_EQ(os.progress[i].caption, L"Removing Prog");
        EXPECT_EQ(os.progress[i].messages_before, 0u);
        if (i > 0) {
            EXPECT_GE(os.progress[i].done, os.progress[i - 1].done);
        }
    }
    EXPECT_EQ(os.progress.front().done, 0u);
    EXPECT_EQ(os.progress.back().text, L"Prog was removed from this computer.");
    EXPECT_EQ(os.progress.back().done, os.progress.back().total);
    EXPECT_EQ(os.progress_windows_open, 0u);
}

TEST(InstallRecord, FieldsKeepTabsAndLineBreaksAndUnknownLinesArePassedOver)
{
    const record_line line{change::class_value, {L"A\tB", L"x\r\ny%25", L"1", L""}};
    EXPECT_EQ(install::format_line(line), L"class_value\tA%09B\tx%0D%0Ay%2525\t1\t");
    EXPECT_EQ(install::parse_line(install::format_line(line)), line);
    EXPECT_FALSE(install::parse_line(L"later_kind\tx"));
}

}  // namespace
}  // namespace qs
