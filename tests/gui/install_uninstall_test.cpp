// "/install" and the entry's QuietUninstallString under Wine: the real program from a medium with
// a file type, an OLE server, an ActiveX control and a Windows-folder file, checked with Wine's own
// uninstaller, reg.exe, the desktop and the folders.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "platform/win32/win32_platform.h"
#include "tests/gui/driver.h"
#include "tests/gui/medium.h"

namespace qs::gui {
namespace {

const std::wstring entry_key = L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvex_Qs Install Test";

DWORD run_to_end(const std::wstring& exe, const std::wstring& folder, const std::wstring& arguments)
{
    program p(exe, folder, arguments);
    DWORD code = 999;
    if (!p.started() || !p.wait_for_exit(code, std::chrono::seconds(90))) return 999;
    return code;
}

std::wstring file_name_of_folder(std::wstring folder)
{
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder.substr(folder.find_last_of(L'\\') + 1);
}

std::string listed_by_wine()
{
    return test::run_captured(L"uninstaller --list");
}

TEST(InstallUnderWine, InstallsFindsItInTheListAndTheQuietUninstallRemovesIt)
{
    test_medium medium(L"QsInstallSample");
    medium.write_lines(L"init_setup\\application_name.txt", {L"Qs Install Test"});
    medium.write_lines(L"init_setup\\language.txt", {L"1"});
    medium.write_lines(L"init_setup\\release.txt", {L"12"});
    medium.write_lines(L"init_setup\\extensions.txt",
                       {L".qsinst", L"QsInst.Document", L"Qs install test document", L"app.exe", L"%1", L"0"});
    medium.write_lines(L"init_setup\\ole_servers.txt", {L"qs_test_server.exe"});
    ASSERT_TRUE(CopyFileW(test::wine_path_of(QS_TEST_SERVER).c_str(), (medium.folder() + L"qs_test_server.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(test::wine_path_of(QS_TEST_CONTROL).c_str(), (medium.folder() + L"qs_test_control.ocx").c_str(), FALSE));
    medium.write_bytes(L"app.exe", "a program");
    medium.write_bytes(L"windows\\qs_install_shared.dll", "shared");
    win32::win32_platform os;
    const std::wstring shared = os.windows_directory() + L"\\qs_install_shared.dll";
    const std::wstring link = os.desktop_folder() + L"\\app.lnk";
    const std::wstring log = medium.root() + L"install.log";
    const std::wstring folder = medium.root() + L"Programs\\QsInstallSample\\";

    ASSERT_EQ(run_to_end(medium.exe(), medium.folder(),
                         L"/install /acceptlicence \"/dir=" + medium.root() + L"Programs\" \"/log=" + log + L"\""),
              0u)
        << read_bytes(log);
    EXPECT_NE(listed_by_wine().find("Korvex_Qs Install Test|||Qs Install Test"), std::string::npos) << listed_by_wine();
    const std::string entry = test::run_captured(L"reg query \"" + entry_key + L"\"");
    EXPECT_EQ(test::reg_query_data(entry, "DisplayName"), "Qs Install Test");
    EXPECT_EQ(test::reg_query_data(entry, "Publisher"), "Korvex Hard- and Software");
    EXPECT_EQ(test::reg_query_data(entry, "DisplayVersion"), "12");
    EXPECT_EQ(test::reg_query_data(entry, "InstallLocation"), test::narrow(folder));
    EXPECT_EQ(test::reg_query_data(entry, "NoModify"), "0x1");
    const std::string quiet = test::reg_query_data(entry, "QuietUninstallString");
    std::string expected_quiet(1, '"');
    expected_quiet.append(test::narrow(folder)).append("run_this_first.exe\" /uninstall /silent");
    EXPECT_EQ(quiet, expected_quiet);
    EXPECT_EQ(test::reg_query_data(test::run_captured(L"reg query HKCR\\.qsinst"), "(Default)"), "QsInst.Document");
    EXPECT_TRUE(file_exists(shared));
    EXPECT_TRUE(file_exists(link));
    EXPECT_EQ(read_bytes(folder + L"qs_test_server.exe.started"), "/regserver");
    EXPECT_TRUE(file_exists(folder + L"qs_test_control.ocx.registered"));

    // The quiet uninstall string as it stands: the quoted program, then its switches.
    const std::size_t end_quote = quiet.find('"', 1);
    ASSERT_NE(end_quote, std::string::npos);
    const std::wstring exe(quiet.begin() + 1, quiet.begin() + static_cast<std::ptrdiff_t>(end_quote));
    const std::wstring switches(quiet.begin() + static_cast<std::ptrdiff_t>(end_quote) + 2, quiet.end());
    EXPECT_EQ(run_to_end(exe, folder, switches + L" \"/log=" + log + L"\""), 0u) << read_bytes(log);
    EXPECT_EQ(listed_by_wine().find("Korvex_Qs Install Test"), std::string::npos) << listed_by_wine();
    EXPECT_EQ(test::reg_query_data(test::run_captured(L"reg query \"" + entry_key + L"\""), "DisplayName"), "<no value>");
    EXPECT_EQ(test::reg_query_data(test::run_captured(L"reg query HKCR\\.qsinst"), "(Default)"), "<no value>");
    EXPECT_FALSE(file_exists(shared));
    EXPECT_FALSE(file_exists(link));
    // The servers were unregistered; what they wrote beside themselves is all that is left.
    EXPECT_EQ(read_bytes(folder + L"qs_test_server.exe.started"), "/unregserver");
    EXPECT_TRUE(file_exists(folder + L"qs_test_control.ocx.unregistered"));
    EXPECT_FALSE(file_exists(folder + L"run_this_first.exe"));
    EXPECT_FALSE(file_exists(folder + L"app.exe"));
    EXPECT_FALSE(folder_exists(folder + L"init_setup"));
    EXPECT_FALSE(folder_exists(folder + L"___korvex_install"));
}

// A medium of a plain application with one file for the Windows folder, installed below its
// own temporary folder: the program folder.
std::wstring install_plain(test_medium& medium, const std::wstring& name, const std::wstring& windows_file)
{
    medium.write_lines(L"init_setup\\application_name.txt", {name});
    medium.write_lines(L"init_setup\\language.txt", {L"1"});
    medium.write_bytes(L"windows\\" + windows_file, "shared between applications");
    const std::wstring log = medium.root() + L"install.log";
    EXPECT_EQ(run_to_end(medium.exe(), medium.folder(),
                         L"/install /acceptlicence /noshortcuts \"/dir=" + medium.root() + L"Programs\" \"/log=" + log + L"\""),
              0u)
        << read_bytes(log);
    const std::wstring folder = medium.folder();
    return medium.root() + L"Programs\\" + file_name_of_folder(folder) + L"\\";
}

TEST(InstallUnderWine, AWindowsFileOfTwoApplicationsGoesWithTheSecond)
{
    test_medium first(L"QsShareOne"), second(L"QsShareTwo");
    const std::wstring file = win32::win32_platform().windows_directory() + L"\\qs_shared_by_two.dll";
    const std::wstring one = install_plain(first, L"Qs Share One", L"qs_shared_by_two.dll");
    const std::wstring two = install_plain(second, L"Qs Share Two", L"qs_shared_by_two.dll");
    EXPECT_EQ(run_to_end(one + L"run_this_first.exe", one, L"/uninstall /silent"), 0u);
    EXPECT_TRUE(file_exists(file));
    EXPECT_FALSE(folder_exists(one));
    EXPECT_EQ(run_to_end(two + L"run_this_first.exe", two, L"/uninstall /silent"), 0u);
    EXPECT_FALSE(file_exists(file));
}

// A box of any process (the uninstall asks from its copy under %TEMP%) with this caption whose
// message begins with the text.
HWND wait_for_box_beginning(const std::wstring& text)
{
    return wait_until([&text]() -> HWND {
        HWND box = FindWindowW(L"#32770", L"Korvex Hard- and Software setup");
        return box != nullptr && message_text(box).rfind(text, 0) == 0 ? box : nullptr;
    });
}

TEST(InstallUnderWine, TheUninstallAsksShowsItsProgressAndClosesWithABox)
{
    test_medium medium(L"QsAskSample");
    const std::wstring folder = install_plain(medium, L"Qs Ask Test", L"qs_ask_test.dll");
    program p(folder + L"run_this_first.exe", folder, L"/uninstall");
    ASSERT_TRUE(p.started());
    HWND question = wait_for_box_beginning(L"Remove Qs Ask Test and all of its components from this computer?");
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(answer(question, L"Yes"));
    HWND closing = wait_for_box_beginning(L"Qs Ask Test was removed from this computer.");
    ASSERT_NE(closing, nullptr);
    // Behind the closing box the progress window stays, its bar full, saying the same.
    HWND progress = FindWindowW(L"#32770", L"Removing Qs Ask Test");
    ASSERT_NE(progress, nullptr);
    HWND bar = nullptr;
    for (HWND child : children(progress))
        if (class_of(child) == L"msctls_progress32") bar = child;
    ASSERT_NE(bar, nullptr);
    const LRESULT high = send(bar, PBM_GETRANGE, FALSE);
    EXPECT_GT(high, send(bar, PBM_GETRANGE, TRUE));
    EXPECT_EQ(send(bar, PBM_GETPOS), high);
    EXPECT_NE(child_with_text(progress, L"Qs Ask Test was removed from this computer."), nullptr);
    ASSERT_TRUE(answer(closing, L"OK"));
    DWORD code = 999;
    ASSERT_TRUE(p.wait_for_exit(code));
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(folder_exists(folder));
}

}  // namespace
}  // namespace qs::gui
