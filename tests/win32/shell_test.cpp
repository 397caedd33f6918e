// The shell's own copy, program start and shell links, checked on disk and by loading links back.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <thread>

#include "basics/fs_helpers.h"
#include "platform/win32/handles.h"
#include "tests/win32/test_support.h"

namespace qs::test {
namespace {

class Win32Shell : public testing::Test {
protected:
    win32::win32_platform os;
    scratch_folder root;

    void make_tree(const std::wstring& top)
    {
        make_folders(top);
        make_folders(top + L"\\sub");
        make_folders(top + L"\\sub\\deeper");
        write_bytes(top + L"\\a.txt", "top file");
        write_bytes(top + L"\\sub\\b.txt", "second level");
        write_bytes(top + L"\\sub\\deeper\\c.txt", "third level");
    }
    void expect_tree(const std::wstring& top)
    {
        EXPECT_EQ(read_bytes(top + L"\\a.txt"), "top file") << narrow(top);
        EXPECT_EQ(read_bytes(top + L"\\sub\\b.txt"), "second level");
        EXPECT_EQ(read_bytes(top + L"\\sub\\deeper\\c.txt"), "third level");
    }
};

TEST_F(Win32Shell, CopyIntoANewDestinationMakesItTheCopy)
{
    make_tree(root / L"Sample");
    EXPECT_TRUE(shell_copy(os, root / L"Sample", root / L"Installed"));
    expect_tree(root / L"Installed");
    EXPECT_FALSE(os.directory_exists(root / L"Installed\\Sample"));
    expect_tree(root / L"Sample");  // a copy, not a move
}

TEST_F(Win32Shell, CopyIntoAnExistingFolderNestsTheSourceUnderItsName)
{
    make_tree(root / L"Sample");
    make_folders(root / L"Programs");
    write_bytes(root / L"Programs\\other.txt", "stays");
    EXPECT_TRUE(shell_copy(os, root / L"Sample", root / L"Programs"));
    expect_tree(root / L"Programs\\Sample");
    EXPECT_EQ(read_bytes(root / L"Programs\\other.txt"), "stays");
    EXPECT_FALSE(os.file_exists(root / L"Programs\\a.txt"));
}

TEST_F(Win32Shell, CopyOfASingleFileIntoAFolder)
{
    write_bytes(root / L"single.txt", "one file");
    make_folders(root / L"target");
    EXPECT_TRUE(shell_copy(os, root / L"single.txt", root / L"target"));
    EXPECT_EQ(read_bytes(root / L"target\\single.txt"), "one file");
}

struct loaded_link {
    std::wstring target, arguments, working_dir;
};

loaded_link load_link(const std::wstring& path)
{
    win32::com_ptr<IShellLinkW> link;
    EXPECT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.receive()));
    win32::com_ptr<IPersistFile> file;
    EXPECT_HRESULT_SUCCEEDED(link.query(IID_IPersistFile, file));
    if (!file) return {};
    EXPECT_HRESULT_SUCCEEDED(file->Load(path.c_str(), STGM_READ));
    wchar_t buffer[1024] = {};
    loaded_link loaded;
    link->GetPath(buffer, 1024, nullptr, SLGP_RAWPATH);
    loaded.target = buffer;
    buffer[0] = 0;
    link->GetArguments(buffer, 1024);
    loaded.arguments = buffer;
    buffer[0] = 0;
    link->GetWorkingDirectory(buffer, 1024);
    loaded.working_dir = buffer;
    return loaded;
}

TEST_F(Win32Shell, SavedLinksLoadBackAndReplaceAnExistingOne)
{
    make_folders(root / L"prog");
    write_bytes(root / L"prog\\calc.exe", "MZ");
    write_bytes(root / L"prog\\other.exe", "MZ");
    const std::wstring link = root / L"calc.lnk";

    ASSERT_TRUE(os.save_shell_link(link, root / L"prog\\calc.exe", L"", root.path() + L"\\prog\\"));
    loaded_link loaded = load_link(link);
    EXPECT_EQ(_wcsicmp(loaded.target.c_str(), (root / L"prog\\calc.exe").c_str()), 0) << narrow(loaded.target);
    EXPECT_EQ(loaded.arguments, L"");
    EXPECT_EQ(_wcsicmp(loaded.working_dir.c_str(), (root.path() + L"\\prog\\").c_str()), 0)
        << narrow(loaded.working_dir);

    ASSERT_TRUE(os.save_shell_link(link, root / L"prog\\other.exe", L"/x", root.path() + L"\\prog\\"));
    loaded = load_link(link);
    EXPECT_EQ(_wcsicmp(loaded.target.c_str(), (root / L"prog\\other.exe").c_str()), 0) << narrow(loaded.target);
    EXPECT_EQ(loaded.arguments, L"/x");
}

TEST_F(Win32Shell, ALinkThatCannotBeWrittenGivesFalse)
{
    write_bytes(root / L"calc.exe", "MZ");
    EXPECT_FALSE(os.save_shell_link(root / L"missing\\calc.lnk", root / L"calc.exe", L"", root.path() + L"\\"));
    EXPECT_FALSE(os.find_any(root / L"missing"));
}

TEST_F(Win32Shell, ALinkOnTheDesktopFolder)
{
    // The prefix's desktop is a folder of its own (the test environment replaces the link to
    // the home folder), so writing there stays inside the prefix.
    const std::wstring desktop = os.desktop_folder();
    ASSERT_TRUE(os.directory_exists(desktop));
    write_bytes(root / L"tool.exe", "MZ");
    const std::wstring link = desktop + L"\\qs_test_tool.lnk";
    ASSERT_TRUE(os.save_shell_link(link, root / L"tool.exe", L"", root.path() + L"\\"));
    EXPECT_TRUE(os.file_exists(link));
    EXPECT_EQ(_wcsicmp(load_link(link).target.c_str(), (root / L"tool.exe").c_str()), 0);
    DeleteFileW(link.c_str());
}

TEST_F(Win32Shell, ALinkWithoutCoInitialisedThrowsTheSystemText)
{
    // A thread that never initialised COM cannot create the link object.
    write_bytes(root / L"calc.exe", "MZ");
    bool thrown = false;
    std::wstring text;
    std::thread without_com([&] {
        try {
            os.save_shell_link(root / L"calc.lnk", root / L"calc.exe", L"", root.path() + L"\\");
        } catch (const system_error& error) {
            thrown = true;
            text = error.text();
        }
    });
    without_com.join();
    EXPECT_TRUE(thrown);
    EXPECT_EQ(text, os.system_message(static_cast<std::uint32_t>(CO_E_NOTINITIALIZED)));
    EXPECT_FALSE(os.file_exists(root / L"calc.lnk"));
}

TEST(Win32ShellExecute, StartsTheProgramWithItsParametersWithoutWaiting)
{
    const wchar_t* const key = L"Software\\qs_test_started";
    RegDeleteKeyW(HKEY_CURRENT_USER, key);
    win32::win32_platform os;
    os.shell_execute(L"reg", L"add HKCU\\Software\\qs_test_started /ve /d started /f");

    // The started program runs on its own; wait (up to a minute) until it has written its key.
    std::string shown;
    for (int attempt = 0; attempt < 240; ++attempt) {
        shown = reg_query_data(run_captured(L"reg.exe query HKCU\\Software\\qs_test_started /ve"), "(Default)");
        if (shown == "started") break;
        Sleep(250);
    }
    EXPECT_EQ(shown, "started");
    RegDeleteKeyW(HKEY_CURRENT_USER, key);
}

}  // namespace
}  // namespace qs::test
