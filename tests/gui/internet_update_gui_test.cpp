// "Internet update" in the real program under Wine, against the local update server.
#include <gtest/gtest.h>

#include "platform/fake/md5.h"
#include "tests/ftp/update_server_process.h"
#include "tests/gui/driver.h"
#include "tests/gui/medium.h"

namespace qs::gui {
namespace {
namespace fs = std::filesystem;

std::string list_line(const std::string& path, const std::string& content)
{
    const std::wstring digest = fake::md5_hex(content);
    return path + "\t" + std::string(digest.begin(), digest.end()) + "\t" + std::to_string(content.size()) + "\r\n";
}

TEST(InternetUpdateGui, FetchesTheDifferingFilesShowsTheFilesToDeleteAndFinishes)
{
    test_medium medium;
    medium.write_lines(L"init_setup\\application_name.txt", {L"MyApp"});
    medium.write_bytes(L"same.txt", "same");
    medium.write_bytes(L"a.txt", "old a");
    const fs::path root = ftp_test::build_folder() / "ftp_work" / "gui_internet_update" / "server";
    fs::remove_all(root.parent_path());
    const fs::path live = root / "public" / "live" / "MyApp";
    write_bytes(live / "same.txt", "same");
    write_bytes(live / "a.txt", "new a");
    write_bytes(live / "sub" / "c.txt", "c");
    // Sorted as the program sorts (case ignored): a, s, s.
    write_bytes(live / "___korvex_file_list.txt",
                          list_line("a.txt", "new a") + list_line("same.txt", "same") + list_line("sub/c.txt", "c"));

    ftp_test::update_server server(root, {});
    program p(medium.exe(), medium.folder());
    ASSERT_TRUE(p.started());
    HWND main = accept_licence(p);
    ASSERT_NE(main, nullptr);
    click(child_with_text(main, L"Internet update", L"Button"));

    HWND box = wait_for_message_box(p.id());
    ASSERT_NE(box, nullptr);
    const std::wstring shown = message_text(box);
    EXPECT_EQ(shown.rfind(L"Files to delete:", 0), 0u);
    EXPECT_NE(shown.find(L"a.txt"), std::wstring::npos);
    EXPECT_EQ(shown.find(L"same.txt"), std::wstring::npos);
    EXPECT_TRUE(answer(box, L"OK"));

    HWND label = child_at(main, 154, 507);
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(wait_for([&] { return text_of(label) == L"Update finished"; }))
        << testing::PrintToString(text_of(label));
    EXPECT_EQ(read_bytes(medium.folder() + L"a.txt"), "new a");
    EXPECT_EQ(read_bytes(medium.folder() + L"sub\\c.txt"), "c");
    EXPECT_EQ(read_bytes(medium.folder() + L"same.txt"), "same");
    EXPECT_EQ(server.retrieved(), (std::vector<std::string>{"/public/live/MyApp/___korvex_file_list.txt",
                                                            "/public/live/MyApp/a.txt", "/public/live/MyApp/sub/c.txt"}));
    click(child_with_text(main, L"Exit", L"Button"));
    DWORD code = 1;
    EXPECT_TRUE(p.wait_for_exit(code));
}

}  // namespace
}  // namespace qs::gui
