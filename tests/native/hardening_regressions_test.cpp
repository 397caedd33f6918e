// Inputs the fuzz targets found mishandled, kept here so they stay handled.
#include <gtest/gtest.h>

#include "setup_main/server_paths.h"
#include "tests/support/page_fixture.h"

namespace qs {
namespace {
using test::listed_line;

TEST(ServerPathRegressions, DeviceNamesFollowedByBlanksBeforeTheExtensionAreRefused)
{
    // Windows ignores blanks between a device name and its extension.
    for (const wchar_t* path : {L"NUL .txt", L"con  .log", L"sub/AUX .dll", L"COM1 .x", L"lpt3   .txt.gz"})
        EXPECT_FALSE(is_safe_relative_path(path)) << path;
    // Other names that only start like a device stay ordinary files.
    for (const wchar_t* path : {L"NULL .txt", L"a NUL.txt", L"CONFIG .sys", L"sub/COM10 .x"})
        EXPECT_TRUE(is_safe_relative_path(path)) << path;
}

// Downloads were once written beside their targets first. An installed file that happened to bear
// that temporary name (the server's list may hold one) must not be overwritten, nor anything else
// installed when a later file fails.
TEST(DownloadRegressions, AnInstalledFileNamedLikeATemporaryDownloadIsNeverOverwritten)
{
    test::page_on<> fixture;
    auto& [os, view, page] = fixture;
    page.application_name = L"MyApp";
    const std::wstring install = L"D:\\Setup\\Sample\\", live = L"/public/live/MyApp/";
    const std::wstring temporary_name = L"a.txt.___download";
    os.add_file(install + L"run_this_first.exe", "setup program");
    os.add_file(install + L"a.txt", "old a");
    os.add_file(install + temporary_name, "installed earlier");
    os.ftp_files[live + L"a.txt"] = "new a";
    os.ftp_errors[live + temporary_name] = L"550 refused";
    os.ftp_files[live + L"___korvex_file_list.txt"] =
        os.to_ansi(listed_line(L"a.txt", "new a") + L"\r\n" + listed_line(temporary_name, "newer") + L"\r\n");

    page.Button4Click();

    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0].rfind(temporary_name + L": ", 0), 0u);
    EXPECT_EQ(os.content(install + L"a.txt"), "old a");
    EXPECT_EQ(os.content(install + temporary_name), "installed earlier");
    for (const std::wstring& entry : os.tree(install))
        EXPECT_TRUE(entry == L"a.txt" || entry == temporary_name || entry == L"run_this_first.exe" ||
                    entry.rfind(L"___", 0) == 0)
            << std::string(entry.begin(), entry.end());
}

}  // namespace
}  // namespace qs
