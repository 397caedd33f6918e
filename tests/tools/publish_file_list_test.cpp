// The publishing tool, run as the maker runs it, against the program's own "Generate file list"
// over the same files in the fake: the lists must agree byte for byte.
#include <gtest/gtest.h>

#include "setup_main/file_list.h"
#include "tests/support/page_fixture.h"
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>


namespace qs {
namespace {
namespace fs = std::filesystem;

std::string read_all(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

void write_all(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(PublishFileList, WritesTheListGenerateFileListWritesAndDropsTheLastRelease)
{
    const fs::path folder = fs::path(QS_TEST_WORK) / "publish_file_list";
    fs::remove_all(folder);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"Setup.exe", "MZ program"},      {"readme.txt", "read me\r\n"},  {"empty.dat", ""},
        {"Data/b.csv", "1;2\n"},          {"data2/a.bin", std::string("\0\x01\xff", 3)},
        {"Data/deeper/Z_last.txt", "z"},  {"_underscore.txt", "u"},      {"a-b.txt", "dash"},
        {".hidden_folder/skipped.txt", "hidden folders are not walked"},
    };
    fake::fake_platform os;
    for (const auto& [path, content] : files) {
        write_all(folder / path, content);
        std::wstring windows_path = L"D:\\pub\\" + fs::path(path).wstring();
        std::replace(windows_path.begin(), windows_path.end(), L'/', L'\\');
        os.add_file(windows_path, content);
    }
    write_all(folder / "___korvex_file_list.txt", "last release's list\r\n");
    write_all(folder / "___korvex_file_list.txt.sig", "last release's signature");

    const std::string command = std::string(QS_PUBLISH_TOOL) + " " + folder.string();
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    generate_file_list(os, L"D:\\pub");
    const std::string expected = os.content(L"D:\\pub\\___korvex_file_list.txt");
    EXPECT_EQ(read_all(folder / "___korvex_file_list.txt"), expected);
    EXPECT_NE(expected.find("Data/deeper/Z_last.txt\t"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder / "___korvex_file_list.txt.sig"));

    // With a release, the signature file begins with what the maker's signature covers before
    // the list: the application, by default the folder's name, and the release.
    ASSERT_EQ(std::system((command + " 12").c_str()), 0);
    EXPECT_EQ(read_all(folder / "___korvex_file_list.txt.sig"), "application: publish_file_list\r\nrelease: 12\r\n");
    // The medium says its release too, in a file the list names.
    EXPECT_EQ(read_all(folder / "init_setup" / "release.txt"), "12\r\n");
    EXPECT_NE(read_all(folder / "___korvex_file_list.txt").find("init_setup/release.txt\t"), std::string::npos);
    ASSERT_EQ(std::system((command + " 13 SpectraDemo").c_str()), 0);
    EXPECT_EQ(read_all(folder / "___korvex_file_list.txt.sig"), "application: SpectraDemo\r\nrelease: 13\r\n");
    EXPECT_EQ(read_all(folder / "init_setup" / "release.txt"), "13\r\n");
    os.add_file(L"D:\\pub\\init_setup\\release.txt", "13\r\n");
    os.remove(L"D:\\pub\\___korvex_file_list.txt");
    generate_file_list(os, L"D:\\pub");
    EXPECT_EQ(read_all(folder / "___korvex_file_list.txt"), os.content(L"D:\\pub\\___korvex_file_list.txt"));
    EXPECT_NE(std::system((command + " twelve 2>/dev/null").c_str()), 0);

    // No folder, no list.
    EXPECT_NE(std::system((std::string(QS_PUBLISH_TOOL) + " " + (folder / "missing").string() + " 2>/dev/null").c_str()), 0);
    EXPECT_FALSE(fs::exists(folder / "missing"));
}

}  // namespace
}  // namespace qs
