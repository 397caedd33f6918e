// The window while the Internet update fetches a large file from a slow server: it keeps
// answering, and its close box stops the update, leaving the installation as it was.
#include <gtest/gtest.h>

#include "platform/fake/md5.h"
#include "tests/ftp/update_server_process.h"
#include "tests/gui/driver.h"
#include "tests/gui/medium.h"

namespace qs::gui {
namespace {
namespace fs = std::filesystem;

// 4 MiB that a server paced to 512 KiB a second needs eight seconds for.
const std::string big_file(4u << 20, 'n');
const std::vector<std::string> slow_server = {"--rate", "524288"};

class SlowUpdateGui : public ::testing::Test {
protected:
    test_medium medium;
    fs::path root;

    void SetUp() override
    {
        medium.write_lines(L"init_setup\\application_name.txt", {L"MyApp"});
        medium.write_bytes(L"big.bin", "the installed release");
        root = ftp_test::build_folder() / "ftp_work" /
               (std::string("gui_") + ::testing::UnitTest::GetInstance()->current_test_info()->name()) / "server";
        fs::remove_all(root.parent_path());
        const fs::path live = root / "public" / "live" / "MyApp";
        write_bytes(live / "big.bin", big_file);
        const std::wstring digest = fake::md5_hex(big_file);
        write_bytes(live / "___korvex_file_list.txt",
                    "big.bin\t" + std::string(digest.begin(), digest.end()) + "\t" + std::to_string(big_file.size()) + "\r\n");
    }

    // Starts the update and waits until the big file is on its way.
    HWND start_update(const program& p)
    {
        HWND main = accept_licence(p);
        if (!main) return nullptr;
        click(child_with_text(main, L"Internet update", L"Button"));
        HWND label = child_at(main, 154, 507);
        const bool fetching = wait_for([&] { return text_of(label).rfind(L"Getting file 1 of 1 files: ", 0) == 0; });
        return fetching ? main : nullptr;
    }
};

TEST_F(SlowUpdateGui, TheWindowAnswersWhileAFileArrives)
{
    ftp_test::update_server server(root, {}, slow_server);
    program p(medium.exe(), medium.folder());
    HWND main = start_update(p);
    ASSERT_NE(main, nullptr);
    // A window whose thread waits on the network would not answer until the file is in.
    int answered = 0;
    for (int i = 0; i < 20; ++i) {
        DWORD_PTR result = 0;
        if (SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0) ++answered;
        EXPECT_FALSE(IsHungAppWindow(main));
        Sleep(100);
    }
    EXPECT_EQ(answered, 20);
    EXPECT_EQ(read_bytes(medium.folder() + L"big.bin"), "the installed release");  // still arriving
}

TEST_F(SlowUpdateGui, TheCloseBoxAsksAndYesStopsTheUpdateWithNothingReplaced)
{
    ftp_test::update_server server(root, {}, slow_server);
    program p(medium.exe(), medium.folder());
    HWND main = start_update(p);
    ASSERT_NE(main, nullptr);
    const std::wstring question = L"Stop the Internet update? The installation stays as it was.";

    PostMessageW(main, WM_CLOSE, 0, 0);
    HWND box = wait_for_message_box_saying(p.id(), question);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(dismiss(box, L"No"));
    EXPECT_TRUE(IsWindow(main));  // No: the update goes on

    PostMessageW(main, WM_CLOSE, 0, 0);
    box = wait_for_message_box_saying(p.id(), question);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(answer(box, L"Yes"));
    DWORD code = 1;
    EXPECT_TRUE(p.wait_for_exit(code, std::chrono::seconds(10)));

    EXPECT_EQ(read_bytes(medium.folder() + L"big.bin"), "the installed release");
    // What arrived waits in the staging folder for the next run.
    const std::string staged = read_bytes(medium.folder() + L"___korvex_update\\staged\\big.bin");
    EXPECT_NE(staged, "<missing>");
    EXPECT_LT(staged.size(), big_file.size());
    EXPECT_EQ(staged, big_file.substr(0, staged.size()));
}

}  // namespace
}  // namespace qs::gui
