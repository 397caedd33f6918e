// Hostile server lists against the real update run: the real Win32 platform and FTP client under
// Wine, the local update server. Whatever the list says, nothing is written outside the
// installation folder, no installed file is left partial, and every refused entry is named.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "platform/fake/md5.h"
#include "setup_main/file_list_format.h"
#include "setup_main/server_paths.h"
#include "tests/ftp/ftp_fixture.h"

namespace qs::ftp_test {
namespace {
namespace fs = std::filesystem;
// The names directly in a folder: enough to see a file appear at a drive's root.
strings names_in(const fs::path& folder)
{
    strings out;
    std::error_code ignored;
    for (const auto& e : fs::directory_iterator(folder, ignored)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

class HostileServerLists : public update_test {
protected:
    HostileServerLists() : update_test("hostile_") {}

    fs::path neighbour;
    snapshot outside_before;
    std::map<fs::path, strings> roots_before;

    void SetUp() override
    {
        update_test::SetUp();
        if (HasFatalFailure()) return;
        neighbour = work / "neighbour";  // a sibling of the installation folder, with files of its own
        write_bytes(neighbour / "outside.txt", "neighbour's file");
        write_bytes(neighbour / "share" / "x.txt", "neighbour's other file");
        write_bytes(root / "public" / "live" / "outside.txt", "not the application's");
        write_bytes(install / "kept.txt", "installed before");
    }

    // What lies outside the installation folder, before the run.
    void remember_outside()
    {
        outside_before = take_snapshot(os, work, {install, work / "server_state"});
        for (const fs::path& p : outside_roots()) roots_before[p] = names_in(p);
    }
    std::vector<fs::path> outside_roots() const
    {
        return {work.parent_path(), L"C:\\", L"C:\\windows", L"Z:\\"};
    }
    void expect_outside_unchanged()
    {
        EXPECT_EQ(take_snapshot(os, work, {install, work / "server_state"}), outside_before);
        for (const fs::path& p : outside_roots()) EXPECT_EQ(names_in(p), roots_before[p]) << p.string();
    }
    std::size_t skipped_lines() const
    {
        std::size_t n = 0;
        for (const auto& line : view.info) n += line.rfind(L"!!! Skipped a path of the server's file list", 0) == 0;
        return n;
    }
};

// Each kind of path that would leave the folder, name something else, or name a device.
const wstrings escaping_paths = {
    L"../hostile01.txt",                   // ".." with "/"
    L"..\\hostile02.txt",                  // ".." with "\"
    L"sub/../../hostile03.txt",            // ".." deeper down
    L"sub\\..\\..\\neighbour\\outside.txt",  // into the sibling folder
    L"/hostile05.txt",                     // root of the current drive
    L"\\hostile06.txt",
    L"C:/hostile07.txt",                   // drive letter
    L"C:hostile08.txt",                    // drive-relative
    L"//127.0.0.1/share/hostile09.txt",    // UNC name
    L"\\\\127.0.0.1\\share\\hostile10.txt",
    L"\\\\?\\C:\\hostile11.txt",           // the long-path prefix
    L"kept.txt:hostile12",                 // stream name
    L"kept.txt::$DATA",
    L"hostile14.txt.",                     // trailing dot: would write hostile14.txt
    L"sub /hostile15.txt",                 // a level ending in a blank
    L"hostile16.txt. .",
    L"CON",                                // device names, with and without extension
    L"NUL",
    L"nul.txt",
    L"sub/COM1.dll",
    L"LPT9.log",
    L"CONOUT$",
    L"sub/.../hostile23.txt",              // a level of dots only
    L"./hostile24.txt",
    L"a//hostile25.txt",                   // empty level
    std::wstring(300, L'x'),               // overlong name
    L"sub/" + std::wstring(250, L'y') + L"/z.txt",
    L"hostile28\x01.txt",                  // control character
    L"hostile29<>|?*.txt",                 // characters Windows forbids
};

TEST_F(HostileServerLists, EveryKindOfEscapingPathIsNamedAndSkipped)
{
    wstrings lines;
    for (const auto& path : escaping_paths) lines.push_back(listed_line(path, "escaped"));
    publish({{"good.txt", "good"}}, lines);
    remember_outside();
    {
        update_server server(root, {});
        page.Button4Click();
        EXPECT_EQ(server.retrieved(), (strings{"/public/live/MyApp/___korvex_file_list.txt", "/public/live/MyApp/good.txt"}));
    }
    EXPECT_TRUE(os.errors.empty()) << (os.errors.empty() ? "" : os.to_ansi(os.errors[0]));
    EXPECT_EQ(skipped_lines(), escaping_paths.size());
    for (const auto& path : escaping_paths) {
        bool named = false;
        for (const auto& line : view.info) named = named || line.find(path) != std::wstring::npos;
        EXPECT_TRUE(named) << os.to_ansi(path);
    }
    EXPECT_EQ(read_bytes(install / "good.txt"), "good");
    EXPECT_EQ(read_bytes(install / "kept.txt"), "installed before");
    EXPECT_EQ(read_bytes(install / "run_this_first.exe"), "setup program");
    EXPECT_EQ(view.progress_texts.back(), L"Update finished");
    EXPECT_TRUE(stray_in_staging().empty());
    expect_outside_unchanged();
    for (const auto& e : fs::recursive_directory_iterator(install))
        EXPECT_EQ(e.path().filename().string().find("hostile"), std::string::npos) << e.path().string();
    EXPECT_TRUE(fs::exists(install / "kept.txt"));
}

TEST_F(HostileServerLists, AHundredThousandLinesAreMergedAndOnlyTheRealFileIsFetched)
{
    wstrings lines;
    lines.reserve(100000);
    for (int i = 0; lines.size() < 99998; ++i)
        lines.push_back(listed_line(L"../many/" + std::to_wstring(i) + L".txt", "x"));
    lines.push_back(listed_line(L"Run_This_First.exe", "newer setup"));
    publish({{"good.txt", "good"}}, lines);
    remember_outside();
    {
        update_server server(root, {});
        page.Button4Click();
        EXPECT_EQ(server.retrieved(), (strings{"/public/live/MyApp/___korvex_file_list.txt", "/public/live/MyApp/good.txt"}));
    }
    EXPECT_TRUE(os.errors.empty()) << (os.errors.empty() ? "" : os.to_ansi(os.errors[0]));
    EXPECT_EQ(skipped_lines(), 99998u);
    EXPECT_EQ(read_bytes(install / "good.txt"), "good");
    EXPECT_EQ(read_bytes(install / "run_this_first.exe"), "setup program");
    EXPECT_EQ(view.progress_texts.back(), L"Update finished");
    // The plan file holds every line the server had and the installation lacked.
    std::size_t planned = 0;
    for (char c : read_bytes(install / "___files_to_get.txt")) planned += c == '\n';
    EXPECT_EQ(planned, 100000u);
    expect_outside_unchanged();
}

TEST_F(HostileServerLists, ANulByteInTheListIsRefusedWhereItBreaksAPath)
{
    const std::string good = "good";
    const std::string nul_path = std::string("hostile\0.txt", 12) + "\t" + os.to_ansi(fake::md5_hex("x")) + "\t1\r\n";
    const std::string nul_after = "also.txt\t" + os.to_ansi(fake::md5_hex("also")) + "\t4" + std::string(1, '\0') + "\r\n";
    publish({{"good.txt", good}, {"also.txt", "also"}}, {}, nul_path + nul_after);
    remember_outside();
    {
        update_server server(root, {});
        page.Button4Click();
    }
    EXPECT_TRUE(os.errors.empty()) << (os.errors.empty() ? "" : os.to_ansi(os.errors[0]));
    EXPECT_EQ(skipped_lines(), 1u);
    EXPECT_EQ(read_bytes(install / "good.txt"), "good");
    // A NUL after the size is a control character the trim takes off: the line still holds.
    EXPECT_EQ(read_bytes(install / "also.txt"), "also");
    EXPECT_FALSE(fs::exists(install / "hostile"));
    EXPECT_EQ(view.progress_texts.back(), L"Update finished");
    EXPECT_TRUE(stray_in_staging().empty());
    expect_outside_unchanged();
}

TEST_F(HostileServerLists, AFileListedTwiceOrInTwoSpellingsIsFetchedAndInstalledOnce)
{
    // The server has no "TWICE.TXT": a line for it that were fetched would end the run.
    publish({{"twice.txt", "twice"}}, {listed_line(L"twice.txt", "twice"), listed_line(L"TWICE.TXT", "other")});
    write_bytes(install / "twice.txt", "old");
    {
        update_server server(root, {});
        page.Button4Click();
        EXPECT_EQ(server.retrieved(), (strings{"/public/live/MyApp/___korvex_file_list.txt", "/public/live/MyApp/twice.txt"}));
    }
    EXPECT_TRUE(os.errors.empty()) << (os.errors.empty() ? "" : os.to_ansi(os.errors[0]));
    EXPECT_EQ(read_bytes(install / "twice.txt"), "twice");
    EXPECT_EQ(view.progress_texts.back(), L"Update finished");
    EXPECT_FALSE(fs::exists(staging()));
}

TEST_F(HostileServerLists, AFileThatChangesOnTheServerAfterTheListIsNotInstalled)
{
    publish({{"a.txt", "listed a"}, {"b.txt", "listed b, 19 bytes"}});
    write_bytes(install / "a.txt", "old a");
    write_bytes(install / "b.txt", "old b");
    // Once the list is in, the server's files change: a in length, b in its bytes only.
    view.on_progress = [this] {
        if (view.progress_texts.back().rfind(L"Remote file list has arrived", 0) == 0) {
            write_bytes(live / "a.txt", "changed a, another length");
            write_bytes(live / "b.txt", "LISTED B, 19 BYTES");
        }
    };
    remember_outside();
    outside_before[(fs::path("server") / "public" / "live" / "MyApp" / "a.txt").string()] = "changed a, another length";
    outside_before[(fs::path("server") / "public" / "live" / "MyApp" / "b.txt").string()] = "LISTED B, 19 BYTES";
    {
        update_server server(root, {});
        page.Button4Click();
    }
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0].rfind(L"a.txt: ", 0), 0u) << os.to_ansi(os.errors[0]);
    EXPECT_EQ(read_bytes(install / "a.txt"), "old a");
    EXPECT_EQ(read_bytes(install / "b.txt"), "old b");
    EXPECT_TRUE(os.messages.empty());
    EXPECT_TRUE(stray_in_staging().empty());

    // With a as the list has it on both sides, b is the one that fails: same length, other bytes.
    write_bytes(live / "a.txt", "listed a");
    write_bytes(install / "a.txt", "listed a");
    outside_before[(fs::path("server") / "public" / "live" / "MyApp" / "a.txt").string()] = "listed a";
    view.on_progress = nullptr;
    os.errors.clear();
    {
        update_server server(root, {});
        page.Button4Click();
    }
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0].rfind(L"b.txt: ", 0), 0u) << os.to_ansi(os.errors[0]);
    EXPECT_EQ(read_bytes(install / "b.txt"), "old b");
    EXPECT_TRUE(stray_in_staging().empty());
    expect_outside_unchanged();
}

TEST_F(HostileServerLists, APathLongerThanMaxPathArrivesWholeOrEndsTheRunWithItsName)
{
    // Every level is short enough, the whole path is not.
    std::wstring deep;
    for (int i = 0; i < 6; ++i) deep += std::wstring(200, static_cast<wchar_t>(L'a' + i)) + L"/";
    deep += L"deep.txt";
    publish({{"good.txt", "good"}}, {listed_line(deep, "deep")});
    std::wstring server_file = L"\\\\?\\" + live.wstring();
    for (std::size_t slash = deep.find(L'/'), start = 0; slash != std::wstring::npos; start = slash + 1, slash = deep.find(L'/', start))
        ASSERT_TRUE(os.create_directory(server_file += L"\\" + deep.substr(start, slash - start)));
    os.write_file(server_file + L"\\deep.txt", {'d', 'e', 'e', 'p'});
    remember_outside();
    {
        update_server server(root, {});
        page.Button4Click();
    }
    // Either the system takes the long path (Wine does) and the file is there whole, or the run
    // ends naming it (Windows without long-path support).
    const bool fetched = os.errors.empty();
    if (!fetched) {
        EXPECT_EQ(os.errors[0].rfind(deep + L": ", 0), 0u) << os.to_ansi(os.errors[0]);
        EXPECT_NE(view.progress_texts.back().find(L"deep.txt"), std::wstring::npos);
    } else {
        EXPECT_EQ(view.progress_texts.back(), L"Update finished");
        const std::vector<std::uint8_t> bytes = os.read_file(L"\\\\?\\" + install.wstring() + L"\\" +
                                                             with_backslashes(deep));
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "deep");
    }
    EXPECT_EQ(read_bytes(install / "kept.txt"), "installed before");
    EXPECT_TRUE(stray_in_staging().empty());
    expect_outside_unchanged();
}

// Files arrive in the staging folder now; an installed file with the name earlier versions gave
// their temporary downloads is an installed file like any other.
TEST_F(HostileServerLists, AnInstalledFileNamedLikeATemporaryDownloadOutlivesAFailedRun)
{
    publish({{"a.txt", "new a"}, {"a.txt.___download", "listed by the server"}});
    write_bytes(install / "a.txt", "old a");
    write_bytes(install / "a.txt.___download", "installed earlier");
    remember_outside();
    {
        update_server server(root, {"550@*/a.txt.___download"});
        page.Button4Click();
    }
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0].rfind(L"a.txt.___download: ", 0), 0u) << os.to_ansi(os.errors[0]);
    EXPECT_EQ(read_bytes(install / "a.txt"), "old a");
    EXPECT_EQ(read_bytes(install / "a.txt.___download"), "installed earlier");
    EXPECT_EQ(staged()["a.txt"], "new a");
    EXPECT_TRUE(stray_in_staging().empty());
    expect_outside_unchanged();
}

TEST_F(HostileServerLists, AFileWhereAFolderIsInstalledOrBelowAnInstalledFileEndsTheRunNamingIt)
{
    write_bytes(install / "sub" / "inner.txt", "installed in the folder");
    struct clash { std::string server_path; std::wstring named; };
    for (const clash& each : {clash{"sub", L"sub: "}, clash{"kept.txt/inner.txt", L"kept.txt/inner.txt: "}}) {
        SCOPED_TRACE(each.server_path);
        fs::remove_all(live);
        publish({{each.server_path, "from the server"}});
        remember_outside();
        os.errors.clear();
        {
            update_server server(root, {});
            page.Button4Click();
        }
        ASSERT_EQ(os.errors.size(), 1u);
        EXPECT_EQ(os.errors[0].rfind(each.named, 0), 0u) << os.to_ansi(os.errors[0]);
        EXPECT_EQ(read_bytes(install / "sub" / "inner.txt"), "installed in the folder");
        EXPECT_EQ(read_bytes(install / "kept.txt"), "installed before");
        EXPECT_TRUE(stray_in_staging().empty());
        expect_outside_unchanged();
    }
}

}  // namespace
}  // namespace qs::ftp_test
