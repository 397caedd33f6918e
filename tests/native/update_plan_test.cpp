#include <gtest/gtest.h>

#include "basics/text_files.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/md5.h"
#include "setup_main/setup_main_page.h"
#include "setup_main/update_plan_merge.h"

namespace qs {
namespace {

using lines = std::vector<std::wstring>;

const std::wstring d1 = L"\t11111111111111111111111111111111\t1";
const std::wstring d2 = L"\t22222222222222222222222222222222\t2";

TEST(MergeFileLists, GivesTheTableOfFilesToGetAndToDelete)
{
    fake::fake_platform os;
    const lines remote = {L"both" + d1, L"changed" + d2, L"Case.txt" + d1, L"server_only" + d1};
    const lines local = {L"both" + d1, L"case.txt" + d1, L"changed" + d1, L"local_only" + d1};
    // Both lists as the generator sorts them: case ignored.
    const update_plan plan = merge_file_lists(os, remote, local);
    EXPECT_EQ(plan.remote, (lines{L"changed" + d2, L"Case.txt" + d1, L"server_only" + d1}));
    EXPECT_EQ(plan.local, (lines{L"case.txt" + d1, L"changed" + d1, L"local_only" + d1}));
}

TEST(MergeFileLists, IdenticalAndEmptySides)
{
    fake::fake_platform os;
    const lines some = {L"a" + d1, L"b" + d1, L"c/d" + d2};
    EXPECT_TRUE(merge_file_lists(os, some, some).remote.empty());
    EXPECT_TRUE(merge_file_lists(os, some, some).local.empty());
    EXPECT_EQ(merge_file_lists(os, some, {}).remote, some);
    EXPECT_TRUE(merge_file_lists(os, some, {}).local.empty());
    EXPECT_EQ(merge_file_lists(os, {}, some).local, some);
    EXPECT_TRUE(merge_file_lists(os, {}, some).remote.empty());
    EXPECT_TRUE(merge_file_lists(os, {}, {}).remote.empty());
}

TEST(MergeFileLists, BlanksAndTabsAroundLinesMatchButStayAsRead)
{
    fake::fake_platform os;
    const update_plan plan =
        merge_file_lists(os, {L"  a" + d1 + L"\t ", L"\tb" + d2}, {L"a" + d1, L"b" + d1 + L"  "});
    EXPECT_EQ(plan.remote, (lines{L"\tb" + d2}));
    EXPECT_EQ(plan.local, (lines{L"b" + d1 + L"  "}));
}

TEST(MergeFileLists, ADuplicateIsMatchedOnce)
{
    fake::fake_platform os;
    EXPECT_EQ(merge_file_lists(os, {L"a" + d1, L"a" + d1, L"b" + d1}, {L"a" + d1, L"b" + d1}).remote,
              (lines{L"a" + d1}));
    EXPECT_EQ(merge_file_lists(os, {L"a" + d1}, {L"a" + d1, L"a" + d1}).local, (lines{L"a" + d1}));
}

TEST(MergeFileLists, ComparesUpperCasedWithCaseSignificant)
{
    // Upper-cased, "_" (0x5F) sorts after "A" (0x41): the remote "_x" must move the local cursor
    // past "abc", and the match on "_x" still happens.
    fake::fake_platform os;
    const update_plan plan = merge_file_lists(os, {L"_x" + d1}, {L"abc" + d1, L"_x" + d1});
    EXPECT_TRUE(plan.remote.empty());
    EXPECT_EQ(plan.local, (lines{L"abc" + d1}));
    // Lines the comparison calls equal although they differ move the remote cursor.
    const update_plan equal = merge_file_lists(os, {L"A" + d1, L"a" + d1}, {L"a" + d1});
    EXPECT_EQ(equal.remote, (lines{L"A" + d1}));
    EXPECT_TRUE(equal.local.empty());
}

TEST(MergeFileLists, HundredThousandIdenticalLinesAllMatch)
{
    fake::fake_platform os;
    lines big;
    big.reserve(100000);
    for (int i = 0; i < 100000; ++i) big.push_back(L"folder/file" + std::to_wstring(1000000 + i) + d1);
    lines remote = big, local = big;
    local[500] = L"folder/file" + std::to_wstring(1000500) + d2;
    const update_plan plan = merge_file_lists(os, std::move(remote), std::move(local));
    EXPECT_EQ(plan.remote, (lines{big[500]}));
    EXPECT_EQ(plan.local, (lines{L"folder/file1000500" + d2}));
}

class ComparePlanTest : public ::testing::Test {
protected:
    fake::fake_platform os;
    fake::fake_view view;
    Tsetup_main_page page{os, view};
    const std::wstring install = L"D:\\Setup\\Sample\\";

    void write(const std::wstring& name, const std::string& text) { os.add_file(install + name, text); }
};

TEST_F(ComparePlanTest, IdenticalListsGiveEmptyPlanFilesAndTheBareBox)
{
    write(L"___korvex_file_list_remote.txt", "a\tD41D8CD98F00B204E9800998ECF8427E\t0\r\n");
    write(L"___korvex_file_list.txt", "a\tD41D8CD98F00B204E9800998ECF8427E\t0\r\n");
    page.compare_file_lists();
    EXPECT_TRUE(os.has_file(install + L"___files_to_get.txt"));
    EXPECT_EQ(os.content(install + L"___files_to_get.txt"), "");
    EXPECT_EQ(os.content(install + L"___files_to_delete.txt"), "");
    EXPECT_TRUE(os.ftp_calls.empty());
    EXPECT_EQ(os.messages, (lines{L"Files to delete:\n\r"}));
}

TEST_F(ComparePlanTest, WritesBothPlanFilesAsReadAndShowsThePathsToDelete)
{
    // A UTF-16 server list, an ANSI local one; the installation's working files are local only.
    const std::wstring digest = fake::md5_hex("1");
    const std::wstring remote_text = L"\u00e4nderung.txt\t" + digest + L"\t1\r\n";
    os.add_file(install + L"___korvex_file_list_remote.txt");
    os.write_file(install + L"___korvex_file_list_remote.txt", encode_text(remote_text, text_encoding::utf16le, os));
    write(L"___korvex_file_list.txt",
          "___files_to_get.txt\tD41D8CD98F00B204E9800998ECF8427E\t0\r\n"
          " old.txt\tD41D8CD98F00B204E9800998ECF8427E\t0 \r\n");
    page.application_name = L"MyApp";
    os.ftp_files[L"/public/live/MyApp/\u00e4nderung.txt"] = "1";
    page.compare_file_lists();
    EXPECT_EQ(os.content(install + L"___files_to_get.txt"), "\xe4nderung.txt\t" + os.to_ansi(digest) + "\t1\r\n");
    EXPECT_EQ(os.content(install + L"___files_to_delete.txt"),
              "___files_to_get.txt\tD41D8CD98F00B204E9800998ECF8427E\t0\r\n"
              " old.txt\tD41D8CD98F00B204E9800998ECF8427E\t0 \r\n");
    EXPECT_EQ(os.content(install + L"\u00e4nderung.txt"), "1");
    EXPECT_EQ(os.messages, (lines{L"Files to delete:\n\r___files_to_get.txt\r\nold.txt\r\n"}));
}

TEST_F(ComparePlanTest, ShowFilesToDeleteBreaksWithLfCrThenCrLf)
{
    page.show_files_to_delete({L"a.txt", L"sub/b.txt"});
    EXPECT_EQ(os.messages, (lines{L"Files to delete:\n\ra.txt\r\nsub/b.txt\r\n"}));
}

TEST_F(ComparePlanTest, AMissingListEndsTheRunBeforeAnything)
{
    write(L"___korvex_file_list.txt", "");
    EXPECT_THROW(page.compare_file_lists(), system_error);
    EXPECT_FALSE(os.has_file(install + L"___files_to_get.txt"));
    EXPECT_TRUE(os.messages.empty());
}

}  // namespace
}  // namespace qs
