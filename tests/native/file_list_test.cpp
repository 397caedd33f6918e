#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "basics/text_files.h"
#include "platform/fake/md5.h"
#include "setup_main/file_list_format.h"
#include "tests/support/latin1_collation.h"
#include "tests/support/page_fixture.h"

namespace qs {
namespace {

const std::wstring md5_empty = L"D41D8CD98F00B204E9800998ECF8427E";
const std::wstring md5_abc = L"900150983CD24FB0D6963F7D28E17F72";

// Counts how often the walk asks for digests, to see that it asks once per walk.
class counting_platform : public fake::fake_platform {
public:
    int md5_batches = 0;
    std::vector<std::wstring> md5_hex_of_files(const std::vector<std::wstring>& paths) override
    {
        ++md5_batches;
        return fake_platform::md5_hex_of_files(paths);
    }
};

TEST(FileListLine, FormatsPathDigestAndSizeWithRfc1321Digests)
{
    EXPECT_EQ(file_list_line(L"data/abc.txt", md5_abc, 3), L"data/abc.txt\t" + md5_abc + L"\t3");
    EXPECT_EQ(file_list_line(L"empty", md5_empty, 0), L"empty\t" + md5_empty + L"\t0");
    EXPECT_EQ(file_list_line(L"big", md5_abc, 5000000000ull), L"big\t" + md5_abc + L"\t5000000000");
}

TEST(FileListLine, TabFieldTrimsAndCountsFieldsFromOne)
{
    EXPECT_EQ(tab_field(L" a b \t x \t\t3 ", 1), L"a b");
    EXPECT_EQ(tab_field(L" a b \t x \t\t3 ", 2), L"x");
    EXPECT_EQ(tab_field(L" a b \t x \t\t3 ", 3), L"");
    EXPECT_EQ(tab_field(L" a b \t x \t\t3 ", 4), L"3");
    EXPECT_EQ(tab_field(L" a b \t x \t\t3 ", 5), L"");
    EXPECT_EQ(tab_field(L"  no tab here\r", 1), L"no tab here");
    EXPECT_EQ(tab_field(L"  no tab here", 2), L"");
    EXPECT_EQ(tab_field(L"", 1), L"");
    // Only characters up to U+0020 are trimmed; a no-break space stays.
    EXPECT_EQ(tab_field(L"\x01\x1f\u00a0p\u00a0 ", 1), L"\u00a0p\u00a0");

    std::vector<std::wstring> lines = {L"a/b.txt\tX\t1", L" lone ", L"\tempty path\t2"};
    reduce_to_paths(lines);
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"a/b.txt", L"lone", L""}));
}

TEST(FileListLine, ParsesOnlyWellFormedDigestAndSize)
{
    auto entry = parse_file_list_line(L" sub/x.dll\t" + md5_abc + L"\t3 ");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->path, L"sub/x.dll");
    EXPECT_EQ(entry->md5_hex, md5_abc);
    EXPECT_EQ(entry->size, 3u);
    // Lower-case digits are the same digest.
    auto lower = parse_file_list_line(L"x\t900150983cd24fb0d6963f7d28e17f72\t3");
    ASSERT_TRUE(lower.has_value());
    EXPECT_EQ(lower->md5_hex, md5_abc);
    EXPECT_EQ(parse_file_list_line(L"x\t18446744073709551615\t3"), std::nullopt);           // digest too short
    EXPECT_EQ(parse_file_list_line(L"x\t" + md5_abc + L"\t-3"), std::nullopt);              // signed size
    EXPECT_EQ(parse_file_list_line(L"x\t" + md5_abc + L"\t18446744073709551616"), std::nullopt);  // overflow
    EXPECT_EQ(parse_file_list_line(L"x\tG00150983CD24FB0D6963F7D28E17F72\t3"), std::nullopt);
    EXPECT_EQ(parse_file_list_line(L"just a path"), std::nullopt);
}

TEST(SortFileList, FollowsTheCaseIgnoringCollationAndKeepsEqualLinesInOrder)
{
    fake::fake_platform os;
    std::vector<std::wstring> lines = {L"b\t1", L"A\t2", L"a\t3", L"B/c\t4", L"\u00c4x\t5", L"_\t6", L"a\t3 "};
    sort_file_list(os, lines);
    for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_LE(os.compare_locale(lines[i - 1], lines[i], true), 0);
    // "A\t2" and "a\t3" differ; "a\t3" and "a\t3 " differ in length; the case-equal pair keeps
    // the walk's order.
    std::vector<std::wstring> same = {L"Readme.txt\tX\t1", L"README.TXT\tX\t1", L"readme.txt\tX\t1"};
    const std::vector<std::wstring> before = same;
    sort_file_list(os, same);
    EXPECT_EQ(same, before);
    // Keys that share a long beginning, keys that are a beginning of others, and empty ones.
    std::vector<std::wstring> shared = {L"folder/file2", L"folder/file10", L"FOLDER/FILE1", L"folder/file",
                                        L"",             L"f",             L"folder/file1"};
    sort_file_list(os, shared);
    EXPECT_EQ(shared, (std::vector<std::wstring>{L"", L"f", L"folder/file", L"FOLDER/FILE1", L"folder/file1",
                                                 L"folder/file10", L"folder/file2"}));
}

TEST(SortFileList, LatinOneLettersSortAsWindowsSortsThem)
{
    fake::fake_platform os;
    test::expect_windows_latin1_collation(os);
}

TEST(SortFileList, EqualsAStableSortByWholeKeysWhereKeysShareLongBeginnings)
{
    // The sort looks at keys 16 bytes at a time; these keys share up to 90 bytes, end inside and
    // outside such a stretch, and hold zero bytes (the fake's key of U+0001 holds two in a row).
    fake::fake_platform os;
    std::mt19937 random(5);
    const std::wstring tails = L"aAbB_\x01\u00e4";
    for (int round = 0; round < 300; ++round) {
        const std::wstring stem(random() % 30, L'x');
        std::vector<std::wstring> lines(1 + random() % 60);
        for (std::wstring& line : lines) {
            line = random() % 2 ? stem : stem.substr(0, random() % (stem.size() + 1));
            for (unsigned n = random() % 8; n > 0; --n) line += tails[random() % tails.size()];
        }
        std::vector<std::wstring> expected = lines;
        std::stable_sort(expected.begin(), expected.end(), [&os](const std::wstring& a, const std::wstring& b) {
            return os.sort_key(a, true) < os.sort_key(b, true);
        });
        sort_file_list(os, lines);
        ASSERT_EQ(lines, expected) << "round " << round;
    }
}

class WalkTest : public ::testing::Test, public test::page_on<counting_platform> {
protected:
    std::vector<std::wstring> list(const std::wstring& folder)
    {
        std::vector<std::wstring> lines;
        page.list_folder_files(folder, folder, lines);
        return lines;
    }
};

TEST_F(WalkTest, ListsFilesOfEveryAttributeAndEntersOnlyTheRightSubfolders)
{
    os.add_file(L"C:\\data\\abc.txt", "abc");
    os.add_file(L"C:\\data\\.hidden_by_dot", "");
    os.add_file(L"C:\\data\\hidden.bin", "abc", attr::hidden);
    os.add_file(L"C:\\data\\system.bin", "", attr::system | attr::readonly);
    os.add_folder(L"C:\\data\\.svn");
    os.add_file(L"C:\\data\\.svn\\entries", "x");
    os.add_file(L"C:\\data\\sys\\inside", "x");
    os.set_attributes(L"C:\\data\\sys", attr::directory | attr::system);
    os.add_file(L"C:\\data\\cache\\c.dat", "abc");
    os.set_attributes(L"C:\\data\\cache", attr::directory | attr::hidden);
    os.add_file(L"C:\\data\\sub\\deeper\\Deep File.TXT", "");

    EXPECT_EQ(list(L"C:\\data"), (std::vector<std::wstring>{
                                     L"abc.txt\t" + md5_abc + L"\t3",
                                     L".hidden_by_dot\t" + md5_empty + L"\t0",
                                     L"hidden.bin\t" + md5_abc + L"\t3",
                                     L"system.bin\t" + md5_empty + L"\t0",
                                     L"cache/c.dat\t" + md5_abc + L"\t3",
                                     L"sub/deeper/Deep File.TXT\t" + md5_empty + L"\t0",
                                 }));
    EXPECT_EQ(os.md5_batches, 1);
}

TEST_F(WalkTest, TrailingSeparatorOfTheFolderMakesNoDifference)
{
    os.add_file(L"C:\\data\\a.txt", "abc");
    os.add_file(L"C:\\data\\sub\\b.txt", "");
    const auto plain = list(L"C:\\data");
    EXPECT_EQ(list(L"C:\\data\\"), plain);
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(plain[1], L"sub/b.txt\t" + md5_empty + L"\t0");
    // A drive root lists as well.
    os.add_file(L"E:\\top.txt", "abc");
    EXPECT_EQ(list(L"E:\\"), (std::vector<std::wstring>{L"top.txt\t" + md5_abc + L"\t3"}));
}

TEST_F(WalkTest, AMissingFolderGivesNoLinesAndAnUnreadableFileEndsTheWalk)
{
    EXPECT_TRUE(list(L"C:\\nowhere").empty());
    os.add_file(L"C:\\data\\locked.txt", "x");
    os.unreadable.insert(L"C:\\data\\locked.txt");
    EXPECT_THROW(list(L"C:\\data"), system_error);
}

TEST_F(WalkTest, GenerateFileListSortsAndSecondRunListsTheFirstList)
{
    os.add_file(L"C:\\data\\b.txt", "abc");
    os.add_file(L"C:\\data\\A.txt", "");
    os.add_file(L"C:\\data\\sub\\c.txt", "abc");
    page.generate_file_list(L"C:\\data");
    const std::string first = os.content(L"C:\\data\\___korvex_file_list.txt");
    const std::string expected = "A.txt\t" + std::string("D41D8CD98F00B204E9800998ECF8427E") + "\t0\r\n" +
                                 "b.txt\t900150983CD24FB0D6963F7D28E17F72\t3\r\n" +
                                 "sub/c.txt\t900150983CD24FB0D6963F7D28E17F72\t3\r\n";
    EXPECT_EQ(first, expected);

    page.generate_file_list(L"C:\\data\\");
    const std::vector<std::wstring> second = load_lines(os, L"C:\\data\\___korvex_file_list.txt");
    ASSERT_EQ(second.size(), 4u);
    EXPECT_EQ(second[2], L"sub/c.txt\t" + md5_abc + L"\t3");
    const std::wstring list_line = L"___korvex_file_list.txt\t" + fake::md5_hex(first) + L"\t" +
                                   std::to_wstring(first.size());
    // Upper-cased, "_" sorts after the letters.
    EXPECT_EQ(second[3], list_line);
}

TEST_F(WalkTest, AnEmptyFolderGivesAZeroByteList)
{
    os.add_folder(L"C:\\empty");
    os.add_file(L"C:\\empty\\.git\\HEAD", "ref");
    page.generate_file_list(L"C:\\empty\\");
    EXPECT_TRUE(os.has_file(L"C:\\empty\\___korvex_file_list.txt"));
    EXPECT_EQ(os.content(L"C:\\empty\\___korvex_file_list.txt"), "");
}

TEST_F(WalkTest, Button5ClickListsTheChosenFolderOrNothingOnCancel)
{
    os.add_file(L"C:\\data\\a.txt", "abc");
    os.folder_choices = {L""};
    page.Button5Click();
    ASSERT_EQ(os.browses.size(), 1u);
    EXPECT_EQ(os.browses[0].title, L"Select folder for file list creation");
    EXPECT_EQ(os.browses[0].initial, L"");
    EXPECT_EQ(os.browses[0].flags, 0x0241u);
    EXPECT_FALSE(os.has_file(L"C:\\data\\___korvex_file_list.txt"));
    EXPECT_EQ(view.progress_texts, (std::vector<std::wstring>{L"Generating file list ... be patient!"}));

    os.folder_choices = {L"C:\\data"};
    page.Button5Click();
    EXPECT_EQ(os.content(L"C:\\data\\___korvex_file_list.txt"), "a.txt\t900150983CD24FB0D6963F7D28E17F72\t3\r\n");
    EXPECT_EQ(view.progress_texts.back(), L"File list ready!");
    EXPECT_TRUE(os.errors.empty());
}

TEST_F(WalkTest, Button5ClickShowsTheErrorAndWritesNoListWhenAFileIsLocked)
{
    os.add_file(L"C:\\data\\a.txt", "abc");
    os.unreadable.insert(L"C:\\data\\a.txt");
    os.folder_choices = {L"C:\\data"};
    page.Button5Click();
    EXPECT_EQ(os.errors, (std::vector<std::wstring>{os.system_message(win_error::sharing_violation)}));
    EXPECT_FALSE(os.has_file(L"C:\\data\\___korvex_file_list.txt"));
    EXPECT_EQ(view.progress_texts.back(), L"Generating file list ... be patient!");
}

}  // namespace
}  // namespace qs
