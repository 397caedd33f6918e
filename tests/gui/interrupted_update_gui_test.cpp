// A commit of the Internet update that a crash cut short, found by the real program at its next
// start under Wine: undone before the licence window, and said in the main window's info pane.
#include <gtest/gtest.h>

#include "platform/win32/win32_platform.h"
#include "setup_main/update/commit.h"
#include "tests/gui/driver.h"
#include "tests/gui/medium.h"
#include "tests/win32/folder_snapshot.h"

namespace qs::gui {
namespace {

bool is_read_only(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

TEST(InterruptedUpdateGui, ACommitCutShortIsUndoneBeforeTheLicenceAndTheInfoPaneSaysSo)
{
    test_medium medium;
    const std::wstring install = medium.folder();
    const std::wstring staging = install + L"___korvex_update\\";
    // The commit replaces a.txt (read-only, as copied from a CD), adds sub\c.txt in a new folder
    // and replaces b.txt, in this order. It was cut short after c.txt: a.txt and c.txt are the
    // new ones, the old a.txt lies aside, b.txt waits in staging.
    update::commit_plan plan;
    plan.release = 5;
    plan.new_folders = {L"sub"};
    plan.files = {{L"a.txt", true, true}, {L"sub/c.txt", false, false}, {L"b.txt", true, false}};
    medium.write_bytes(L"a.txt", "new a");
    write_bytes(staging + L"aside\\a.txt", "old a");
    medium.write_bytes(L"sub\\c.txt", "new c");
    medium.write_bytes(L"b.txt", "old b");
    write_bytes(staging + L"staged\\b.txt", "new b");
    write_bytes(staging + L"journal.txt", update::journal_text(plan));

    program p(medium.exe(), install);
    ASSERT_TRUE(p.started());
    ASSERT_NE(licence_window(p), nullptr);
    // Undone before the licence window shows: every file as before the commit ...
    win32::win32_platform os;
    const std::wstring folder = install.substr(0, install.size() - 1);
    EXPECT_EQ(test::take_snapshot(os, folder, {staging.substr(0, staging.size() - 1), install + L"run_this_first.exe"}),
              (test::snapshot{{"a.txt", "old a"}, {"b.txt", "old b"}}));
    EXPECT_TRUE(is_read_only(install + L"a.txt"));
    // ... and every new file in staging, for the next update to take without fetching it again.
    test::snapshot staged_files;
    for (const auto& [path, bytes] : test::take_snapshot(os, staging + L"staged"))
        if (bytes != "<folder>") staged_files[path] = bytes;
    EXPECT_EQ(staged_files, (test::snapshot{{"a.txt", "new a"}, {"b.txt", "new b"}, {"sub\\c.txt", "new c"}}));
    EXPECT_FALSE(file_exists(staging + L"journal.txt"));
    EXPECT_FALSE(file_exists(staging + L"aside\\a.txt"));
    EXPECT_FALSE(file_exists(staging + L"release.txt"));

    HWND main = accept_licence(p);
    ASSERT_NE(main, nullptr);
    HWND info = child_at(main, 248, 297);
    ASSERT_NE(info, nullptr);
    const std::wstring undone = L"An interrupted update was undone; start Internet update again.";
    EXPECT_TRUE(wait_for([&] {
        for (const std::wstring& line : lines_of(text_of(info)))
            if (line == undone) return true;
        return false;
    })) << test::narrow(text_of(info));

    click(child_with_text(main, L"Exit", L"Button"));
    DWORD code = 1;
    EXPECT_TRUE(p.wait_for_exit(code));
}

}  // namespace
}  // namespace qs::gui
