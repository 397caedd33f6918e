#pragma once
// What the FTP suite runs the real update with: a folder of its own for each test below the build
// tree, the real Win32 platform placed in it (recording_platform.h), the main window's logic with
// a recording view, and the local update server (update_server_process.h) started by the tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "build_settings.h"
#include "tests/ftp/recording_platform.h"
#include "tests/ftp/update_server_process.h"
#include "tests/support/page_fixture.h"
#include "tests/win32/folder_snapshot.h"

namespace qs::ftp_test {

using strings = std::vector<std::string>;
using wstrings = std::vector<std::wstring>;
using test::bytes_of;
using test::listed_line;
using test::snapshot;
using test::take_snapshot;
using test::walk;

// ftp_work\<prefix><test name> below the build tree, emptied and made anew for the running test.
// It is removed through "\\?\", so that paths past MAX_PATH that a test left go too.
inline std::filesystem::path fresh_test_folder(const std::string& prefix = {})
{
    const std::filesystem::path folder =
        build_folder() / "ftp_work" / (prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    remove_tree(L"\\\\?\\" + folder.wstring());
    std::filesystem::create_directories(folder);
    return folder;
}

// The update of "MyApp" run for real: `install` is the running program's folder (with its
// run_this_first.exe), `live` the server's live folder below `root`, both in the test's folder
// `work`. The lists are taken unsigned, whatever key the build has.
class update_test : public ::testing::Test, public test::page_on<recording_platform> {
protected:
    explicit update_test(std::string work_prefix = {}) : work_prefix_(std::move(work_prefix)) {}

    std::filesystem::path work, install, root, live;

    void SetUp() override
    {
        ASSERT_EQ(std::wstring(build::update_server_host), L"127.0.0.1")
            << "configure the test build with -DUPDATE_SERVER_HOST=127.0.0.1";
        work = fresh_test_folder(work_prefix_);
        install = work / "install";
        root = work / "server";
        live = root / "public" / "live" / "MyApp";
        std::filesystem::create_directories(install);
        std::filesystem::create_directories(live);
        os.installation = install.wstring() + L"\\";
        page.application_name = L"MyApp";
        page.update_signing_key.reset();
        write_bytes(install / "run_this_first.exe", "setup program");
        // The per-user folder, which the program's start-up makes: the update's log goes there.
        make_folders(os.appdata_folder() + L"\\RUN_THIS_FIRST");
    }

    std::filesystem::path staging() const { return install / "___korvex_update"; }

    // The installation as its user sees it: everything but the update's working files and its
    // staging folder (the names beginning with "___" at the top).
    snapshot installation()
    {
        snapshot files = take_snapshot(os, install);
        for (auto it = files.begin(); it != files.end();)
            it = it->first.rfind("___", 0) == 0 ? files.erase(it) : std::next(it);
        return files;
    }
    // The files a run left in the staging folder's staged\.
    snapshot staged() { return take_snapshot(os, staging() / "staged"); }
    // What the staging folder holds that no run may leave there: anything but the release record,
    // and staged files that are the beginning of the server's file of their path (what arrived).
    wstrings stray_in_staging()
    {
        wstrings stray;
        if (!os.directory_exists(staging().wstring())) return stray;
        const std::wstring staged_root = L"staged\\";
        walk(os, staging().wstring(), {}, [&](const std::wstring& relative, const dir_entry& e, const std::wstring& path) {
            if (relative == L"release.txt" || relative == L"staged") return;
            if (relative.rfind(staged_root, 0) != 0) {
                stray.push_back(relative);
                return;
            }
            if (e.is_directory()) return;
            const std::wstring server_file = live.wstring() + L"\\" + relative.substr(staged_root.size());
            const std::string arrived = bytes_of(os, path);
            if (!os.file_exists(L"\\\\?\\" + server_file) || bytes_of(os, server_file).rfind(arrived, 0) != 0)
                stray.push_back(relative);
        });
        return stray;
    }

    // Files in the live folder and the server's list of them as the program makes it, with extra
    // lines and raw bytes after it.
    void publish(const std::vector<std::pair<std::string, std::string>>& files,
                 const std::vector<std::wstring>& extra_lines = {}, const std::string& raw_tail = {})
    {
        for (const auto& [path, content] : files) write_bytes(live / path, content);
        fake::fake_view quiet;
        Tsetup_main_page lister{os, quiet};
        lister.generate_file_list(live.wstring());
        if (!extra_lines.empty() || !raw_tail.empty()) append_to_server_list(extra_lines, raw_tail);
    }
    // Lines (in the ANSI code page, each with CR LF) and raw bytes at the end of the server's list.
    void append_to_server_list(const std::vector<std::wstring>& lines, const std::string& raw_tail = {})
    {
        std::string text = read_bytes(live / "___korvex_file_list.txt");
        for (const auto& line : lines) text += os.to_ansi(line) + "\r\n";
        write_bytes(live / "___korvex_file_list.txt", text + raw_tail);
    }

private:
    std::string work_prefix_;
};

}  // namespace qs::ftp_test
