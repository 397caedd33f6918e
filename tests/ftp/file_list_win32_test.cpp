// The file list's platform parts as Windows gives them: BCrypt digests of real files and the
// locale's sort keys against CompareStringW.
#include <gtest/gtest.h>

#include <random>

#include "platform/fake/md5.h"
#include "setup_main/file_list_format.h"
#include "setup_main/update_plan_merge.h"
#include "tests/ftp/ftp_fixture.h"

namespace qs::ftp_test {
namespace {
namespace fs = std::filesystem;

class FileListWin32 : public ::testing::Test {
protected:
    fs::path folder;
    win32::win32_platform os;

    void SetUp() override { folder = fresh_test_folder(); }
};

TEST_F(FileListWin32, DigestsAreRfc1321ForEveryKindAndSizeOfFileInListOrder)
{
    std::mt19937 random(1);
    std::vector<std::pair<std::wstring, std::string>> files = {{L"empty", ""}, {L"abc", "abc"}};
    // Around the read size, and many small ones, so that the threads' results must come back
    // in list order.
    for (std::size_t size : {std::size_t{1} << 20, (std::size_t{1} << 20) - 1, (std::size_t{1} << 20) + 1,
                             std::size_t{3} << 20})
        files.push_back({L"big" + std::to_wstring(size), std::string(size, static_cast<char>('a' + size % 26))});
    for (int i = 0; i < 300; ++i) {
        std::string content(random() % 3000, '\0');
        for (char& c : content) c = static_cast<char>(random());
        files.push_back({L"small" + std::to_wstring(i), content});
    }
    std::vector<std::wstring> paths;
    for (const auto& [name, content] : files) {
        write_bytes(folder / name, content);
        paths.push_back((folder / name).wstring());
    }
    const std::vector<std::wstring> digests = os.md5_hex_of_files(paths);
    ASSERT_EQ(digests.size(), files.size());
    EXPECT_EQ(digests[0], L"D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(digests[1], L"900150983CD24FB0D6963F7D28E17F72");
    for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(digests[i], fake::md5_hex(files[i].second)) << i;
}

TEST_F(FileListWin32, TheFirstUnreadableFileInListOrderIsReported)
{
    write_bytes(folder / "a", "a");
    std::vector<std::wstring> paths;
    for (int i = 0; i < 50; ++i) paths.push_back((folder / "a").wstring());
    paths[30] = (folder / "missing30").wstring();
    paths[40] = folder.wstring();  // a folder cannot be read as a file
    try {
        os.md5_hex_of_files(paths);
        FAIL() << "no error";
    } catch (const system_error& e) {
        EXPECT_EQ(e.text(), os.system_message(ERROR_FILE_NOT_FOUND));
    }
    // A file open for writing by someone else cannot be hashed: its content is not settled.
    const std::wstring busy = (folder / "busy").wstring();
    const HANDLE writer = CreateFileW(busy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_THROW(os.md5_hex_of_files({busy}), system_error);
    CloseHandle(writer);
    EXPECT_EQ(os.md5_hex_of_files({busy}), (std::vector<std::wstring>{L"D41D8CD98F00B204E9800998ECF8427E"}));
}

TEST_F(FileListWin32, SortKeysOrderExactlyAsCompareStringIgnoringCase)
{
    const std::vector<std::wstring> words = {L"a", L"A", L"b", L"B", L"_", L"-", L"a-b", L"ab", L"a_b", L"\u00e4", L"\u00c4",
                                             L"ae", L"z", L"Z", L"0", L"9", L"10", L"sub/x", L"sub_x", L"sub x",
                                             L"\t", L"a\tb", L"a.b", L"\u00df", L"ss", L"~", L"", L"\u00e9", L"e"};
    std::mt19937 random(3);
    std::vector<std::wstring> lines;
    for (int i = 0; i < 2000; ++i)
        lines.push_back(words[random() % words.size()] + words[random() % words.size()] + words[random() % words.size()]);
    for (const auto& a : lines) {
        const auto& b = lines[random() % lines.size()];
        const std::string ka = os.sort_key(a, true), kb = os.sort_key(b, true);
        const int by_key = ka < kb ? -1 : (kb < ka ? 1 : 0);
        const int c = os.compare_locale(a, b, true);
        ASSERT_EQ(by_key, c < 0 ? -1 : (c > 0 ? 1 : 0)) << os.to_ansi(a) << " / " << os.to_ansi(b);
    }
    sort_file_list(os, lines);
    for (std::size_t i = 1; i < lines.size(); ++i) ASSERT_LE(os.compare_locale(lines[i - 1], lines[i], true), 0) << i;
    // Lines the collation calls equal but that differ in case still pair each with itself.
    const update_plan plan = merge_file_lists(lines, lines);
    EXPECT_TRUE(plan.remote.empty()) << plan.remote.size();
    EXPECT_TRUE(plan.local.empty());
}

}  // namespace
}  // namespace qs::ftp_test
