#include <gtest/gtest.h>

#include <algorithm>

#include "basics/text_files.h"
#include "platform/fake/md5.h"
#include "setup_main/file_list_format.h"
#include "setup_main/update/internet_update.h"
#include "setup_main/update_plan_merge.h"
#include "tests/support/page_fixture.h"

namespace qs {
namespace {

using test::lines;

const std::wstring d1 = L"\t11111111111111111111111111111111\t1";
const std::wstring d2 = L"\t22222222222222222222222222222222\t2";

TEST(MergeFileLists, GivesTheTableOfFilesToGetAndToDelete)
{
    const lines remote = {L"both" + d1, L"changed" + d2, L"Case.txt" + d1, L"server_only" + d1};
    const lines local = {L"both" + d1, L"case.txt" + d1, L"changed" + d1, L"local_only" + d1};
    const update_plan plan = merge_file_lists(remote, local);
    EXPECT_EQ(plan.remote, (lines{L"changed" + d2, L"Case.txt" + d1, L"server_only" + d1}));
    EXPECT_EQ(plan.local, (lines{L"case.txt" + d1, L"changed" + d1, L"local_only" + d1}));
}

TEST(MergeFileLists, IdenticalAndEmptySides)
{
    const lines some = {L"a" + d1, L"b" + d1, L"c/d" + d2};
    EXPECT_TRUE(merge_file_lists(some, some).remote.empty());
    EXPECT_TRUE(merge_file_lists(some, some).local.empty());
    EXPECT_EQ(merge_file_lists(some, {}).remote, some);
    EXPECT_TRUE(merge_file_lists(some, {}).local.empty());
    EXPECT_EQ(merge_file_lists({}, some).local, some);
    EXPECT_TRUE(merge_file_lists({}, some).remote.empty());
    EXPECT_TRUE(merge_file_lists({}, {}).remote.empty());
}

TEST(MergeFileLists, BlanksAndTabsAroundLinesMatchButStayAsRead)
{
    const update_plan plan = merge_file_lists({L"  a" + d1 + L"\t ", L"\tb" + d2}, {L"a" + d1, L"b" + d1 + L"  "});
    EXPECT_EQ(plan.remote, (lines{L"\tb" + d2}));
    EXPECT_EQ(plan.local, (lines{L"b" + d1 + L"  "}));
}

TEST(MergeFileLists, ADuplicateIsMatchedOnceAndTheEarliestCopyMatches)
{
    EXPECT_EQ(merge_file_lists({L"a" + d1, L"a" + d1, L"b" + d1}, {L"a" + d1, L"b" + d1}).remote,
              (lines{L"a" + d1}));
    EXPECT_EQ(merge_file_lists({L"a" + d1}, {L"a" + d1, L"a" + d1}).local, (lines{L"a" + d1}));
    const update_plan plan = merge_file_lists({L" a" + d1, L"a" + d1 + L" ", L"a" + d1}, {L"a" + d1, L"\ta" + d1});
    EXPECT_EQ(plan.remote, (lines{L"a" + d1}));
    EXPECT_TRUE(plan.local.empty());
}

TEST(MergeFileLists, CaseCountsWhereverTheLinesStand)
{
    const update_plan plan = merge_file_lists({L"_x" + d1}, {L"abc" + d1, L"_x" + d1});
    EXPECT_TRUE(plan.remote.empty());
    EXPECT_EQ(plan.local, (lines{L"abc" + d1}));
    const update_plan equal = merge_file_lists({L"A" + d1, L"a" + d1}, {L"a" + d1});
    EXPECT_EQ(equal.remote, (lines{L"A" + d1}));
    EXPECT_TRUE(equal.local.empty());
}

TEST(MergeFileLists, AServerListSortedInAnotherCollationMatchesLineForLine)
{
    // German puts "\u00e4" with "a", Swedish after "z".
    const update_plan swedish = merge_file_lists({L"a" + d1, L"\u00e4" + d1, L"b" + d1, L"c" + d1},
                                                 {L"a" + d1, L"b" + d1, L"c" + d1, L"\u00e4" + d1});
    EXPECT_TRUE(swedish.remote.empty());
    EXPECT_TRUE(swedish.local.empty());

    // Byte-wise (a Linux sort) and reversed against the local order, case ignored; one line
    // changed on the server.
    fake::fake_platform os;
    lines local;
    for (const wchar_t* name : {L"B", L"a", L"_c", L"\u00c4", L"Z/y", L"z_x", L"0", L"~t", L"aB", L"Ab"})
        local.push_back(std::wstring(name) + d1);
    sort_file_list(os, local);
    lines byte_wise = local;
    std::sort(byte_wise.begin(), byte_wise.end());
    ASSERT_NE(byte_wise, local);
    *std::find(byte_wise.begin(), byte_wise.end(), L"Z/y" + d1) = L"Z/y" + d2;
    const update_plan plan = merge_file_lists(byte_wise, local);
    EXPECT_EQ(plan.remote, (lines{L"Z/y" + d2}));
    EXPECT_EQ(plan.local, (lines{L"Z/y" + d1}));
    const update_plan reversed = merge_file_lists(lines(local.rbegin(), local.rend()), local);
    EXPECT_TRUE(reversed.remote.empty());
    EXPECT_TRUE(reversed.local.empty());
}

TEST(MergeFileLists, LeftoversKeepTheOrderAndTextTheyWereReadIn)
{
    const update_plan plan = merge_file_lists({L" z" + d2, L"m" + d1, L"a" + d2 + L"\t", L"Q" + d1},
                                              {L"z" + d1, L"m" + d1 + L"\r", L"q" + d1, L"a" + d1});
    EXPECT_EQ(plan.remote, (lines{L" z" + d2, L"a" + d2 + L"\t", L"Q" + d1}));
    EXPECT_EQ(plan.local, (lines{L"z" + d1, L"q" + d1, L"a" + d1}));
}

TEST(MergeFileLists, HundredThousandIdenticalLinesAllMatch)
{
    lines big;
    big.reserve(100000);
    for (int i = 0; i < 100000; ++i) big.push_back(L"folder/file" + std::to_wstring(1000000 + i) + d1);
    lines remote = big, local = big;
    local[500] = L"folder/file" + std::to_wstring(1000500) + d2;
    const update_plan plan = merge_file_lists(remote, local);
    EXPECT_EQ(plan.remote, (lines{big[500]}));
    EXPECT_EQ(plan.local, (lines{L"folder/file1000500" + d2}));
}

class ComparePlanTest : public ::testing::Test, public test::page_on<> {
protected:
    const std::wstring install = L"D:\\Setup\\Sample\\";

    void write(const std::wstring& name, const std::string& text) { os.add_file(install + name, text); }
};

TEST_F(ComparePlanTest, IdenticalListsGiveEmptyPlanFiles)
{
    write(L"___korvex_file_list.txt", "a\tD41D8CD98F00B204E9800998ECF8427E\t0\r\n");
    const update_plan plan = update::compare_file_lists(os, install, {L"a\tD41D8CD98F00B204E9800998ECF8427E\t0"},
                                                        ui_language::english);
    EXPECT_TRUE(plan.remote.empty() && plan.local.empty());
    EXPECT_TRUE(os.has_file(install + L"___files_to_get.txt"));
    EXPECT_EQ(os.content(install + L"___files_to_get.txt"), "");
    EXPECT_EQ(os.content(install + L"___files_to_delete.txt"), "");
}

TEST_F(ComparePlanTest, WritesBothPlanFilesAsRead)
{
    // A UTF-16 server list, as the run decodes it, and an ANSI local one.
    const std::wstring digest = fake::md5_hex("1");
    const std::vector<std::uint8_t> remote_bytes =
        encode_text(L"\u00e4nderung.txt\t" + digest + L"\t1\r\n", text_encoding::utf16le, os);
    write(L"___korvex_file_list.txt",
          "___files_to_get.txt\tD41D8CD98F00B204E9800998ECF8427E\t0\r\n"
          " old.txt\tD41D8CD98F00B204E9800998ECF8427E\t0 \r\n");
    const update_plan plan = update::compare_file_lists(os, install, split_lines(decode_text(remote_bytes, os).text),
                                                        ui_language::english);
    EXPECT_EQ(plan.remote, (lines{L"\u00e4nderung.txt\t" + digest + L"\t1"}));
    EXPECT_EQ(os.content(install + L"___files_to_get.txt"), "\xe4nderung.txt\t" + os.to_ansi(digest) + "\t1\r\n");
    EXPECT_EQ(os.content(install + L"___files_to_delete.txt"),
              "___files_to_get.txt\tD41D8CD98F00B204E9800998ECF8427E\t0\r\n"
              " old.txt\tD41D8CD98F00B204E9800998ECF8427E\t0 \r\n");
}

TEST_F(ComparePlanTest, ShowFilesToDeleteBreaksWithLfCrThenCrLf)
{
    page.show_files_to_delete({L"a.txt", L"sub/b.txt"});
    EXPECT_EQ(os.messages, (lines{L"Files to delete:\n\ra.txt\r\nsub/b.txt\r\n"}));
}

TEST_F(ComparePlanTest, AMissingLocalListEndsTheRunBeforeAnything)
{
    EXPECT_THROW(update::compare_file_lists(os, install, {L"a\tD41D8CD98F00B204E9800998ECF8427E\t0"},
                                            ui_language::english),
                 system_error);
    EXPECT_FALSE(os.has_file(install + L"___files_to_get.txt"));
}

}  // namespace
}  // namespace qs
