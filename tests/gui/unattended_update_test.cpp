// "run_this_first.exe /update [/log=FILE]" under Wine: the Internet update with no window,
// started as a scheduled task would start it, ending by itself with its exit code.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "build_settings.h"
#include "platform/fake/md5.h"
#include "platform/win32/win32_platform.h"
#include "setup_main/update/internet_update.h"
#include "tests/ftp/update_server_process.h"
#include "tests/gui/driver.h"
#include "tests/gui/medium.h"

namespace qs::gui {
namespace {
namespace fs = std::filesystem;
using strings = std::vector<std::string>;

std::string list_line(const std::string& path, const std::string& content)
{
    const std::wstring digest = fake::md5_hex(content);
    return path + "\t" + std::string(digest.begin(), digest.end()) + "\t" + std::to_string(content.size()) + "\r\n";
}

std::wstring from_utf8(const std::string& bytes)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

// The lines of a log, each without the time stamp that begins it (checked here).
std::vector<std::wstring> log_lines(const std::wstring& text)
{
    std::vector<std::wstring> out;
    for (const std::wstring& line : lines_of(text)) {
        if (line.empty()) continue;
        const bool stamped = line.size() > 20 && line[4] == L'-' && line[7] == L'-' && line[10] == L'T' &&
                             line[13] == L':' && line[16] == L':' && line[19] == L' ';
        EXPECT_TRUE(stamped) << test::narrow(line);
        out.push_back(stamped ? line.substr(20) : line);
    }
    return out;
}

bool has_line(const std::vector<std::wstring>& lines, const std::wstring& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

const std::wstring usage =
    L"Usage: run_this_first.exe /update [/log=FILE] [/source=URL]\r\n"
    L"  /update     brings the program's folder up to date from the update server, without a window\r\n"
    L"  /log=FILE   writes the update's log there (default: update_log.txt in the per-user folder)\r\n"
    L"  /source=URL reads the update from there (ftp://, https:// or http://; ';' between several)\r\n"
    L"Exit codes: 0 up to date, 1 file list not fetched, 2 file list refused, 3 update failed and nothing was "
    L"changed, 4 command line not understood, 5 another update of this folder is running.";

class UnattendedUpdate : public testing::Test {
protected:
    test_medium medium;
    fs::path root, live;
    // A log in a folder with blanks in its name and in its own.
    std::wstring log = medium.root() + L"update logs\\run log.txt";
    std::wstring default_log;

    void SetUp() override
    {
        root = ftp_test::build_folder() / "ftp_work" /
               ("unattended_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name())) / "server";
        fs::remove_all(root.parent_path());
        live = root / "public" / "live" / "MyApp";
        medium.write_lines(L"init_setup\\application_name.txt", {L"MyApp"});
        medium.write_bytes(L"a.txt", "old a");
        write_bytes(live / "a.txt", "new a");
        write_bytes(live / "sub" / "c.txt", "c");
        write_bytes(live / "___korvex_file_list.txt", list_line("a.txt", "new a") + list_line("sub/c.txt", "c"));
        make_folders(medium.root() + L"update logs");
        win32::win32_platform os;
        default_log = os.appdata_folder() + L"\\RUN_THIS_FIRST\\update_log.txt";
    }

    // Runs the program with these arguments until it ends by itself: its exit code, or 999 when it
    // did not end within the wait (a box waiting for an answer, say).
    DWORD run(const std::wstring& arguments)
    {
        program p(medium.exe(), medium.folder(), arguments);
        DWORD code = 999;
        if (!p.started() || !p.wait_for_exit(code, std::chrono::seconds(60))) return 999;
        return code;
    }
    std::wstring log_argument() const { return L"\"/log=" + log + L"\""; }
    std::vector<std::wstring> lines_of_log() { return log_lines(from_utf8(read_bytes(log).substr(3))); }
};

TEST_F(UnattendedUpdate, BringsTheFolderUpToDateWritesTheLogAndEndsWithZero)
{
    {
        ftp_test::update_server server(root, {});
        EXPECT_EQ(run(L"/update " + log_argument()), 0u);
        EXPECT_EQ(server.retrieved(), (strings{"/public/live/MyApp/___korvex_file_list.txt", "/public/live/MyApp/a.txt",
                                               "/public/live/MyApp/sub/c.txt"}));
    }
    EXPECT_EQ(read_bytes(medium.folder() + L"a.txt"), "new a");
    EXPECT_EQ(read_bytes(medium.folder() + L"sub\\c.txt"), "c");

    const std::string bytes = read_bytes(log);
    ASSERT_EQ(bytes.rfind("\xEF\xBB\xBF", 0), 0u) << "UTF-8 with a byte-order mark";
    const std::vector<std::wstring> lines = lines_of_log();
    ASSERT_FALSE(lines.empty());
    const std::wstring started = L"Internet update started: program version ";
    EXPECT_EQ(lines.front().rfind(started, 0), 0u) << test::narrow(lines.front());
    const std::wstring where = L", folder " + medium.folder() + L", server 127.0.0.1:" +
                               std::to_wstring(build::update_server_port) + L".";
    EXPECT_TRUE(lines.front().size() > where.size() &&
                lines.front().compare(lines.front().size() - where.size(), where.size(), where) == 0)
        << test::narrow(lines.front());
    EXPECT_TRUE(has_line(lines, L"Fetched a.txt from byte 0: 5 bytes, MD5 " + fake::md5_hex("new a") + L"."));
    EXPECT_TRUE(has_line(lines, L"Fetched sub/c.txt from byte 0: 1 bytes, MD5 " + fake::md5_hex("c") + L"."));
    EXPECT_TRUE(has_line(lines, L"Committed: 2 files in place."));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], L"Ended: the installation is up to date.");
    EXPECT_EQ(lines.back(), L"Exit code 0.");
}

TEST_F(UnattendedUpdate, WithTheServerStoppedItEndsWithOneAndChangesNothing)
{
    EXPECT_EQ(run(L"/update " + log_argument()), 1u);
    EXPECT_EQ(read_bytes(medium.folder() + L"a.txt"), "old a");
    EXPECT_FALSE(folder_exists(medium.folder() + L"sub"));
    const std::vector<std::wstring> lines = lines_of_log();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], L"Ended: Remote file list not accessible - try again later.");
    EXPECT_EQ(lines.back(), L"Exit code 1.");
}

TEST_F(UnattendedUpdate, ACommandLineNotUnderstoodEndsWithFourAndWritesTheUsageIntoTheDefaultLog)
{
    // The prefix's per-user log, which the other suites' runs write too: this run's alone.
    remove_tree(default_log);
    {
        // Without /update the usage shows in a box too.
        program p(medium.exe(), medium.folder(), L"/frobnicate");
        ASSERT_TRUE(p.started());
        HWND box = wait_for_message_box(p.id());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(message_text(box), usage);
        EXPECT_TRUE(answer(box, L"OK"));
        DWORD code = 999;
        ASSERT_TRUE(p.wait_for_exit(code));
        EXPECT_EQ(code, 4u);
    }
    const std::string written = read_bytes(default_log);
    ASSERT_EQ(written.rfind("\xEF\xBB\xBF", 0), 0u) << written;
    const std::vector<std::wstring> lines = log_lines(from_utf8(written.substr(3)));
    std::wstring usage_line = usage;
    for (std::size_t at; (at = usage_line.find(L"\r\n")) != std::wstring::npos;) usage_line.replace(at, 2, L" / ");
    EXPECT_EQ(lines, (std::vector<std::wstring>{L"Command line not understood: /frobnicate", usage_line}));

    // With /update asked, an unattended run shows nothing, ever: it ends by itself.
    EXPECT_EQ(run(L"/update /frobnicate " + log_argument()), 4u);
    EXPECT_TRUE(has_line(lines_of_log(), L"Command line not understood: /frobnicate"));
    EXPECT_EQ(read_bytes(medium.folder() + L"a.txt"), "old a");
}

TEST_F(UnattendedUpdate, WhileAnotherUpdateHoldsTheFolderItEndsWithFive)
{
    win32::win32_platform os;
    const std::unique_ptr<named_lock> lock = os.try_lock(update::update_lock_name(medium.folder()));
    ASSERT_NE(lock, nullptr);
    // No server: a run that went past the lock would end with 1, the list not fetched.
    EXPECT_EQ(run(L"/update " + log_argument()), 5u);
    EXPECT_EQ(read_bytes(medium.folder() + L"a.txt"), "old a");
    const std::vector<std::wstring> lines = lines_of_log();
    EXPECT_TRUE(has_line(lines, L"Ended: Another update of this installation is running.")) << lines.size();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), L"Exit code 5.");
}

}  // namespace
}  // namespace qs::gui
