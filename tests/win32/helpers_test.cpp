// The shared unit's path and file-system helpers running on the real platform.
#include <gtest/gtest.h>

#include "basics/fs_helpers.h"
#include "basics/paths.h"
#include "tests/win32/test_support.h"

namespace qs::test {
namespace {

class Win32Helpers : public testing::Test {
protected:
    win32::win32_platform os;
    scratch_folder root;

    std::vector<std::wstring> folder_names_in_search_order(const std::wstring& folder)
    {
        std::vector<std::wstring> names;
        for (const dir_entry& entry : os.find_entries(folder + L"\\*.*"))
            if (entry.is_directory()) names.push_back(entry.name);
        return names;
    }
};

TEST_F(Win32Helpers, CopyMissingFilesKeepsExistingFilesAndLeavesFoldersAlone)
{
    make_folders(root / L"src");
    make_folders(root / L"dst");
    write_bytes(root / L"src\\kept.dll", "new version");
    write_bytes(root / L"src\\missing.dll", "copied");
    write_bytes(root / L"src\\hidden.dll", "hidden");
    set_attributes(root / L"src\\hidden.dll", FILE_ATTRIBUTE_HIDDEN);
    write_bytes(root / L"src\\other.txt", "not matched");
    make_folders(root / L"src\\folder.dll");
    write_bytes(root / L"dst\\kept.dll", "installed version");

    EXPECT_TRUE(copy_missing_files(os, root / L"src", root / L"dst", L"*.dll"));
    EXPECT_EQ(read_bytes(root / L"dst\\kept.dll"), "installed version");
    EXPECT_EQ(read_bytes(root / L"dst\\missing.dll"), "copied");
    EXPECT_EQ(read_bytes(root / L"dst\\hidden.dll"), "hidden");
    EXPECT_FALSE(os.file_exists(root / L"dst\\other.txt"));
    EXPECT_FALSE(os.find_any(root / L"dst\\folder.dll"));

    // Trailing separators on both sides give the same result, and a second run changes nothing.
    write_bytes(root / L"dst\\missing.dll", "changed since");
    EXPECT_TRUE(copy_missing_files(os, root.path() + L"\\src\\", root.path() + L"\\dst\\", L"*.*"));
    EXPECT_EQ(read_bytes(root / L"dst\\missing.dll"), "changed since");
    EXPECT_EQ(read_bytes(root / L"dst\\other.txt"), "not matched");
}

TEST_F(Win32Helpers, CopyMissingFilesWithNothingToCopySucceeds)
{
    make_folders(root / L"only_folders");
    make_folders(root / L"only_folders\\inner");
    make_folders(root / L"dst");
    EXPECT_TRUE(copy_missing_files(os, root / L"only_folders", root / L"dst", L"*.*"));
    EXPECT_TRUE(copy_missing_files(os, root / L"no_such_source", root / L"dst", L"*.*"));
    EXPECT_EQ(folder_names_in_search_order(root / L"dst"), (std::vector<std::wstring>{L".", L".."}));
}

TEST_F(Win32Helpers, ListSubfoldersSkipsSystemAndDotFoldersButEntersHiddenOnes)
{
    for (const wchar_t* name : {L"bin", L".git", L"cache", L"sys", L"zeta"}) make_folders(root / name);
    set_attributes(root / L"cache", FILE_ATTRIBUTE_HIDDEN);
    set_attributes(root / L"sys", FILE_ATTRIBUTE_SYSTEM);
    write_bytes(root / L"file.txt", "");
    write_bytes(root / L"system_file", "");
    set_attributes(root / L"system_file", FILE_ATTRIBUTE_SYSTEM);

    std::vector<std::wstring> names{L"left over"};
    EXPECT_EQ(list_subfolders(os, root.path(), names), 3);
    std::vector<std::wstring> expected;
    for (const std::wstring& name : folder_names_in_search_order(root.path()))
        if (name == L"bin" || name == L"cache" || name == L"zeta") expected.push_back(name);
    EXPECT_EQ(names, expected);  // the platform's order, not sorted

    EXPECT_EQ(list_subfolders(os, root.path() + L"\\", names), 3);
    EXPECT_EQ(list_subfolders(os, root / L"missing", names), 0);
    EXPECT_TRUE(names.empty());
}

TEST_F(Win32Helpers, FileFoundAndEnsureDirWorkOnRealFolders)
{
    write_bytes(root / L"vcf132.ini", "");
    EXPECT_TRUE(file_found(os, root / L"vcf132.ini"));
    EXPECT_TRUE(file_found(os, root / L"*.ini"));
    EXPECT_FALSE(file_found(os, root / L"default_values.ini"));

    EXPECT_TRUE(ensure_dir(os, root / L"RUN_THIS_FIRST"));
    EXPECT_TRUE(os.directory_exists(root / L"RUN_THIS_FIRST"));
    EXPECT_TRUE(ensure_dir(os, root / L"RUN_THIS_FIRST"));
    EXPECT_FALSE(ensure_dir(os, root / L"missing\\downloads"));
}

TEST(Win32Environment, ProgramPathFunctionsFollowTheRunningProgram)
{
    win32::win32_platform os;
    EXPECT_EQ(exe_title(os), L"WIN32_TESTS");
    const std::wstring folder = installation_folder(os);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    EXPECT_TRUE(os.directory_exists(folder));
    EXPECT_EQ(program_dir_path(os, L"vcf132.ini"), folder + L"vcf132.ini");
    EXPECT_EQ(user_settings_path(os, L"default_values.ini"),
              os.appdata_folder() + L"\\WIN32_TESTS\\default_values.ini");
}

TEST(Win32Environment, WindowsFolderAndDateTimeStamp)
{
    win32::win32_platform os;
    EXPECT_EQ(windows_folder(os), os.windows_directory());

    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::wstring date = os.short_date();
    const std::wstring time = os.long_time();
    EXPECT_FALSE(date.empty());
    EXPECT_FALSE(time.empty());
    // A short date names the year by at least its last two digits.
    EXPECT_NE(date.find(std::to_wstring(now.wYear % 100)), std::wstring::npos) << narrow(date);

    const std::wstring stamp = date_time_stamp(os);
    const auto gap = stamp.find(L"  ");
    ASSERT_NE(gap, std::wstring::npos) << narrow(stamp);
    EXPECT_EQ(stamp.substr(0, gap), os.short_date());
    EXPECT_FALSE(stamp.substr(gap + 2).empty());
    EXPECT_NE(stamp[gap + 2], L' ');
    EXPECT_EQ(stamp.find(L"  ", gap + 2), std::wstring::npos);
}

}  // namespace
}  // namespace qs::test
