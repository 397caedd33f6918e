// The Internet update run end to end: the real Win32 platform, the FTP client over Winsock and
// BCrypt against the local update server, which misbehaves on request; lists signed by openssl
// with keys made for the build tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <thread>

#include "build_settings.h"
#include "platform/fake/md5.h"
#include "setup_main/server_paths.h"
#include "test_signing_keys.h"
#include "tests/ftp/ftp_fixture.h"
#include "tests/win32/holder_process.h"

namespace qs::ftp_test {
namespace {
namespace fs = std::filesystem;

// A session's progress, when only its results matter.
class quiet_progress : public ftp_progress {
public:
    void started(std::size_t, std::uint64_t) override {}
    void arrived(std::size_t, std::uint64_t) override {}
};

class InternetUpdateFtp : public update_test {
protected:
    wstrings download_texts() const
    {
        wstrings out;
        for (const auto& t : view.progress_texts)
            if (t.rfind(L"Getting file ", 0) == 0) out.push_back(t);
        return out;
    }
};

const std::wstring resume_later = L"Nothing has been changed. The next Internet update continues where this one stopped.";

bool ends_with(const std::wstring& text, const std::wstring& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST_F(InternetUpdateFtp, FetchesOnlyTheDifferingFilesAndReportsEveryStep)
{
    publish({{"same.txt", "unchanged"}, {"sub/x.dll", "new library"}, {"new/deeper/added.txt", "added"},
             {"Run_This_First.EXE", "newer setup program"}, {"empty.dat", ""}});
    write_bytes(install / "same.txt", "unchanged");
    write_bytes(install / "sub" / "x.dll", "old library, longer than the new one");
    write_bytes(install / "local_only.txt", "mine");
    write_bytes(install / "empty.dat", "");
    {
        update_server server(root, {});
        page.Button4Click();
        EXPECT_EQ(server.retrieved(), (strings{"/public/live/MyApp/___korvex_file_list.txt",
                                               "/public/live/MyApp/new/deeper/added.txt",
                                               "/public/live/MyApp/sub/x.dll"}));
    }
    EXPECT_TRUE(os.errors.empty()) << (os.errors.empty() ? "" : os.to_ansi(os.errors[0]));
    EXPECT_EQ(read_bytes(install / "sub" / "x.dll"), "new library");
    EXPECT_EQ(read_bytes(install / "new" / "deeper" / "added.txt"), "added");
    EXPECT_EQ(read_bytes(install / "run_this_first.exe"), "setup program");
    EXPECT_EQ(read_bytes(install / "local_only.txt"), "mine");
    // The setup program, which is never fetched, counts as started before the fetches begin.
    EXPECT_EQ(download_texts(), (wstrings{L"Getting file 1 of 3 files: /public/live/MyApp/Run_This_First.EXE",
                                          L"Getting file 2 of 3 files: /public/live/MyApp/new/deeper/added.txt",
                                          L"Getting file 3 of 3 files: /public/live/MyApp/sub/x.dll"}));
    EXPECT_EQ(view.progress_texts.front(), L"... getting remote file list ...");
    EXPECT_EQ(view.progress_texts.back(), L"Update finished");
    ASSERT_EQ(os.messages.size(), 1u);
    EXPECT_EQ(os.messages[0].rfind(L"Files to delete:\n\r", 0), 0u);
    EXPECT_NE(os.messages[0].find(L"\r\nlocal_only.txt\r\n"), std::wstring::npos);
    EXPECT_NE(os.messages[0].find(L"\r\nsub/x.dll\r\n"), std::wstring::npos);
    EXPECT_EQ(os.messages[0].find(L"same.txt"), std::wstring::npos);
    EXPECT_EQ(read_bytes(install / "___korvex_file_list_remote.txt"), read_bytes(live / "___korvex_file_list.txt"));
    EXPECT_FALSE(fs::exists(staging()));  // an unsigned list leaves no release to record

    // A second run finds nothing left to fetch but the setup program it never replaces.
    view.progress_texts.clear();
    os.messages.clear();
    {
        update_server server(root, {});
        page.Button4Click();
        EXPECT_EQ(server.retrieved(), (strings{"/public/live/MyApp/___korvex_file_list.txt"}));
    }
    EXPECT_EQ(download_texts(), (wstrings{L"Getting file 1 of 1 files: /public/live/MyApp/Run_This_First.EXE"}));
    EXPECT_EQ(view.progress_texts.back(), L"Update finished");
}

TEST_F(InternetUpdateFtp, FetchesANameBeyondAsciiFromEveryKindOfServer)
{
    const fs::path name = fs::path(L"Daten") / L"Umlaut_\u00e4\u00f6\u00fc.txt";
    write_bytes(live / name, "Daten mit Umlaut");
    publish({});
    for (const std::string kind : {"", "--ansi-server", "--refuse-port"}) {
        SCOPED_TRACE(kind);
        fs::remove(install / name);
        view.progress_texts.clear();
        {
            update_server server(root, {}, kind.empty() ? strings{} : strings{kind});
            page.Button4Click();
            EXPECT_EQ(server.retrieved(), (strings{"/public/live/MyApp/___korvex_file_list.txt",
                                                   "/public/live/MyApp/Daten/Umlaut_\xc3\xa4\xc3\xb6\xc3\xbc.txt"}));
        }
        EXPECT_TRUE(os.errors.empty()) << (os.errors.empty() ? "" : os.to_ansi(os.errors[0]));
        EXPECT_EQ(read_bytes(install / name), "Daten mit Umlaut");
        EXPECT_EQ(download_texts(), (wstrings{L"Getting file 1 of 1 files: /public/live/MyApp/Daten/Umlaut_\u00e4\u00f6\u00fc.txt"}));
    }
}

// The session writes into the local files it is given, keeps what arrived when a transfer
// breaks, and continues there with REST.
TEST_F(InternetUpdateFtp, ASessionKeepsWhatArrivedAndResumesThere)
{
    const std::string content(300000, 'r');
    write_bytes(live / "big.bin", content);
    const fs::path local = install / "big.part";
    quiet_progress progress;
    const ftp_file file{L"/public/live/MyApp/big.bin", local.wstring(), content.size(), 0};
    {
        update_server server(root, {"cut:100000@*/big.bin"});
        const auto session = os.open_ftp_session(update_server_account());
        const auto results = session->fetch_files({file}, progress);
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].state, ftp_file_state::failed);
        EXPECT_EQ(results[0].failure, ftp_failure::server);
    }
    const std::uint64_t kept = fs::file_size(local);
    EXPECT_GT(kept, 0u);
    EXPECT_EQ(read_bytes(local), content.substr(0, kept));
    {
        update_server server(root, {});
        const auto session = os.open_ftp_session(update_server_account());
        ftp_file rest = file;
        rest.resume_from = kept;
        const auto results = session->fetch_files({rest}, progress);
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].state, ftp_file_state::fetched);
        EXPECT_EQ(results[0].resumed_from, kept);
        EXPECT_EQ(results[0].whole.size, content.size());
        EXPECT_EQ(results[0].whole.md5_hex, fake::md5_hex(content));
    }
    EXPECT_EQ(read_bytes(local), content);
}

// Several connections at once, each on a thread of its own, into files hashed through BCrypt: a
// connection that breaks is replaced and its file resumed; a stop ends a stalled transfer.
TEST_F(InternetUpdateFtp, ASessionFetchesOverSeveralConnectionsAndStopsWhenTold)
{
    std::vector<ftp_file> files;
    std::vector<std::string> contents;
    for (int i = 0; i < 6; ++i) {
        const std::string name = std::to_string(i) + ".bin";
        contents.push_back(std::string(150000 + i, static_cast<char>('a' + i)));
        write_bytes(live / name, contents.back());
        files.push_back({L"/public/live/MyApp/" + fs::path(name).wstring(), (install / (name + ".part")).wstring(),
                         contents.back().size(), 0});
    }
    quiet_progress progress;
    {
        update_server server(root, {"drop:100000@*/2.bin"});
        const auto results = os.open_ftp_session(update_server_account())->fetch_files(files, progress);
        ASSERT_EQ(results.size(), files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(results[i].state, ftp_file_state::fetched) << os.to_ansi(results[i].failure_text);
            EXPECT_EQ(results[i].whole.md5_hex, fake::md5_hex(contents[i]));
            EXPECT_EQ(read_bytes(fs::path(files[i].local_path)), contents[i]);
        }
        EXPECT_GT(results[2].resumed_from, 0u);
    }
    {
        update_server server(root, {"stall@*/0.bin"});
        const auto session = os.open_ftp_session(update_server_account());
        std::thread stopper([&] {
            // Once the server has been asked for the file, only the stop ends its transfer in time.
            while (server.retrieved().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            session->stop();
        });
        const auto results = session->fetch_files({files[0]}, progress);
        stopper.join();
        EXPECT_EQ(results[0].state, ftp_file_state::stopped);
    }
}

// A file that arrived before another failed is not installed either: it waits in the staging
// folder, and nothing in the installation changes.
TEST_F(InternetUpdateFtp, NoMisbehaviourEverChangesTheInstallation)
{
    const std::string big(300000, 'n');  // more than one read of the transfer
    publish({{"a.txt", "new a"}, {"b.bin", big}});
    write_bytes(install / "a.txt", "old a");
    write_bytes(install / "b.bin", "old b");
    const snapshot before = installation();
    struct fault { std::string spec; std::wstring says; };
    const std::vector<fault> faults = {
        {"cut:1000@*/b.bin", L"426 "},
        {"short:1000@*/b.bin", L"1000 bytes with MD5"},
        {"garble@*/b.bin", L"300000 bytes with MD5"},
        {"550@*/b.bin", L"550"},
        {"stall@*/b.bin", L"timed out"},
    };
    for (const fault& each : faults) {
        SCOPED_TRACE(each.spec);
        remove_tree(staging());  // each fault from the start
        os.errors.clear();
        os.messages.clear();
        view.progress_texts.clear();
        {
            update_server server(root, {each.spec});
            page.Button4Click();
        }
        ASSERT_EQ(os.errors.size(), 1u);
        EXPECT_EQ(os.errors[0].rfind(L"b.bin: ", 0), 0u) << os.to_ansi(os.errors[0]);
        EXPECT_NE(os.errors[0].find(each.says), std::wstring::npos) << os.to_ansi(os.errors[0]);
        EXPECT_TRUE(ends_with(os.errors[0], resume_later)) << os.to_ansi(os.errors[0]);
        EXPECT_EQ(installation(), before);
        EXPECT_EQ(staged()["a.txt"], "new a");
        EXPECT_TRUE(stray_in_staging().empty());
        EXPECT_TRUE(os.messages.empty());
        EXPECT_EQ(view.progress_texts.back(), L"Getting file 2 of 2 files: /public/live/MyApp/b.bin");
    }
}

TEST_F(InternetUpdateFtp, ABrokenListKeepsTheOldRemoteListAndTheInstallation)
{
    publish({{"a.txt", "new a"}});
    write_bytes(install / "___korvex_file_list_remote.txt", "old list\r\n");
    write_bytes(install / "a.txt", "old a");
    for (const std::string spec : {"cut:10@*/___korvex_file_list.txt", "550@*/___korvex_file_list.txt"}) {
        SCOPED_TRACE(spec);
        os.messages.clear();
        {
            update_server server(root, {spec});
            page.Button4Click();
        }
        EXPECT_EQ(os.messages, (wstrings{L"Remote file list not accessible - try again later."}));
        EXPECT_TRUE(os.errors.empty());
        EXPECT_EQ(read_bytes(install / "___korvex_file_list_remote.txt"), "old list\r\n");
        EXPECT_EQ(read_bytes(install / "a.txt"), "old a");
        EXPECT_FALSE(fs::exists(staging()));
    }
}

TEST_F(InternetUpdateFtp, AServerThatIsNotThereGivesOnlyTheMessage)
{
    write_bytes(install / "a.txt", "a");
    page.Button4Click();
    EXPECT_EQ(os.messages, (wstrings{L"Remote file list not accessible - try again later."}));
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(view.progress_texts, (wstrings{L"... getting remote file list ..."}));
    EXPECT_FALSE(fs::exists(install / "___korvex_file_list_remote.txt"));
    EXPECT_FALSE(fs::exists(install / "___korvex_file_list.txt"));
}

TEST_F(InternetUpdateFtp, EscapingPathsOfTheServerListAreNeverFetched)
{
    publish({{"good.txt", "good"}});
    write_bytes(root / "public" / "live" / "outside.txt", "escaped");
    const wstrings hostile = {
        L"../outside.txt", L"sub/../../outside.txt", L"..\\outside.txt", L"/public/live/outside.txt",
        L"C:/windows/win.ini", L"C:outside.txt", L"//127.0.0.1/share/x", L"\\\\127.0.0.1\\share\\x",
        L"good.txt:stream", L"trailing.", L"blank /x.txt", L"CON", L"nul.txt", L"sub/COM1.dll", L"a//b",
        std::wstring(300, L'x'),
    };
    wstrings lines;
    for (const auto& path : hostile) lines.push_back(listed_line(path, "escaped"));
    append_to_server_list(lines);
    {
        update_server server(root, {});
        page.Button4Click();
        EXPECT_EQ(server.retrieved(), (strings{"/public/live/MyApp/___korvex_file_list.txt", "/public/live/MyApp/good.txt"}));
    }
    EXPECT_TRUE(os.errors.empty()) << (os.errors.empty() ? "" : os.to_ansi(os.errors[0]));
    EXPECT_EQ(view.info.size(), hostile.size());
    EXPECT_EQ(read_bytes(install / "good.txt"), "good");
    EXPECT_EQ(read_bytes(work / "outside.txt"), "<missing>");
    EXPECT_EQ(view.progress_texts.back(), L"Update finished");
}

// ---- files held by another program

class HeldFileFtp : public InternetUpdateFtp {
protected:
    snapshot before;

    void SetUp() override
    {
        InternetUpdateFtp::SetUp();
        publish({{"a.txt", "new a"}, {"bin/core.dll", "new core"}, {"bin/added.dll", "added"}});
        write_bytes(install / "a.txt", "old a");
        write_bytes(install / "bin" / "core.dll", "old core");
        before = installation();
    }
    const snapshot all_staged = {{"a.txt", "new a"}, {"bin", "<folder>"}, {"bin\\added.dll", "added"},
                                 {"bin\\core.dll", "new core"}};
    // The box, literally; Wine's Restart Manager names no program, so it has no line for them.
    const std::wstring held_box = L"These files of the installation are in use and cannot be replaced:\r\n"
                                  L"bin\\core.dll\r\n"
                                  L"Close the programs that use them, then click Retry. Cancel stops the update; "
                                  L"nothing has been changed.";
    void expect_everything_new()
    {
        EXPECT_TRUE(os.errors.empty()) << (os.errors.empty() ? "" : os.to_ansi(os.errors[0]));
        EXPECT_EQ(read_bytes(install / "a.txt"), "new a");
        EXPECT_EQ(read_bytes(install / "bin" / "core.dll"), "new core");
        EXPECT_EQ(read_bytes(install / "bin" / "added.dll"), "added");
        EXPECT_EQ(view.progress_texts.back(), L"Update finished");
        EXPECT_FALSE(fs::exists(staging()));
    }
};

TEST_F(HeldFileFtp, TheBoxNamesTheFileBeforeAnythingChangesAndRetryReplacesItOnceItIsFree)
{
    test::holder_process holder(test::holder_process::kind::file, (install / "bin" / "core.dll").wstring());
    ASSERT_TRUE(holder.holding()) << holder.answer();
    snapshot installed_when_asked, staged_when_asked;
    os.on_retry_box = [&] {
        installed_when_asked = installation();
        staged_when_asked = staged();
        EXPECT_TRUE(holder.let_go());
    };
    os.retry_answers = {true};
    {
        update_server server(root, {});
        page.Button4Click();
        EXPECT_EQ(server.retrieved(), (strings{"/public/live/MyApp/___korvex_file_list.txt",
                                               "/public/live/MyApp/a.txt", "/public/live/MyApp/bin/added.dll",
                                               "/public/live/MyApp/bin/core.dll"}));
    }
    EXPECT_EQ(os.retry_boxes, (wstrings{held_box}));
    EXPECT_EQ(installed_when_asked, before);
    EXPECT_EQ(staged_when_asked, all_staged);
    expect_everything_new();
}

TEST_F(HeldFileFtp, CancelLeavesEverythingAsItWasAndTheNextRunTakesTheStagedFiles)
{
    {
        test::holder_process holder(test::holder_process::kind::file, (install / "bin" / "core.dll").wstring());
        ASSERT_TRUE(holder.holding()) << holder.answer();
        os.retry_answers = {false};
        update_server server(root, {});
        page.Button4Click();
    }
    EXPECT_EQ(os.retry_boxes, (wstrings{held_box}));
    EXPECT_TRUE(os.errors.empty());
    EXPECT_TRUE(os.messages.empty());
    EXPECT_NE(view.progress_texts.back(), L"Update finished");
    EXPECT_EQ(installation(), before);
    EXPECT_EQ(staged(), all_staged);
    EXPECT_TRUE(stray_in_staging().empty());

    // The holder has let go: the next run fetches nothing but the list.
    os.retry_boxes.clear();
    {
        update_server server(root, {});
        page.Button4Click();
        EXPECT_EQ(server.retrieved(), (strings{"/public/live/MyApp/___korvex_file_list.txt"}));
    }
    EXPECT_TRUE(os.retry_boxes.empty());
    expect_everything_new();
}

// ---- a transfer that breaks

// The second run resumes with REST where the first stopped: the Win32 session of this build
// fetches every file from its first byte, so the check of REST fails until it can resume.
TEST_F(InternetUpdateFtp, ABrokenTransferChangesNothingAndTheNextRunResumesWhereItStopped)
{
    std::string big(3u << 20, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 23 + i / 4096 % 3);
    publish({{"a.txt", "new a"}, {"big.bin", big}});
    write_bytes(install / "a.txt", "old a");
    write_bytes(install / "big.bin", "old big");
    const snapshot before = installation();
    {
        update_server server(root, {"cut:1048576@*/big.bin"});
        page.Button4Click();
    }
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0].rfind(L"big.bin: ", 0), 0u) << os.to_ansi(os.errors[0]);
    EXPECT_TRUE(ends_with(os.errors[0], resume_later)) << os.to_ansi(os.errors[0]);
    EXPECT_EQ(installation(), before);
    EXPECT_TRUE(stray_in_staging().empty());
    const snapshot arrived = staged();
    EXPECT_EQ(arrived.count("a.txt") ? arrived.at("a.txt") : "<missing>", "new a");
    ASSERT_EQ(arrived.count("big.bin"), 1u);
    const std::uint64_t kept = arrived.at("big.bin").size();
    EXPECT_GT(kept, 0u);
    EXPECT_LE(kept, 1048576u);

    os.errors.clear();
    {
        update_server server(root, {});
        page.Button4Click();
        EXPECT_EQ(server.retrieved(), (strings{"/public/live/MyApp/___korvex_file_list.txt",
                                               "/public/live/MyApp/big.bin"}));
        const strings commands = server.commands();
        EXPECT_NE(std::find(commands.begin(), commands.end(), "REST " + std::to_string(kept)), commands.end())
            << "the transfer did not resume at byte " << kept;
    }
    EXPECT_TRUE(os.errors.empty()) << (os.errors.empty() ? "" : os.to_ansi(os.errors[0]));
    EXPECT_TRUE(read_bytes(install / "big.bin") == big);
    EXPECT_EQ(read_bytes(install / "a.txt"), "new a");
    EXPECT_FALSE(fs::exists(staging()));
}

// A server that answers REST with 350 and sends from byte 0 all the same, and one that lists
// REST STREAM but refuses REST: the part an earlier run left is fetched again from byte 0.
TEST_F(InternetUpdateFtp, AServerThatIgnoresOrRefusesRestDeliversTheWholeFileInTheSameRun)
{
    const std::string whole = "0123456789abcdefghijklmnopqrstuvwxyz";
    publish({{"big.bin", whole}});
    for (const std::string rest : {"--rest=ignored", "--rest=refused"}) {
        SCOPED_TRACE(rest);
        write_bytes(install / "big.bin", "old big");
        write_bytes(staging() / "staged" / "big.bin", whole.substr(0, 10));
        os.errors.clear();
        {
            update_server server(root, {}, {rest});
            page.Button4Click();
            // A refused REST comes before its RETR: the file is sent once, from byte 0.
            strings sent = {"/public/live/MyApp/___korvex_file_list.txt", "/public/live/MyApp/big.bin"};
            if (rest == "--rest=ignored") sent.push_back("/public/live/MyApp/big.bin");
            EXPECT_EQ(server.retrieved(), sent);
            const strings commands = server.commands();
            EXPECT_NE(std::find(commands.begin(), commands.end(), "REST 10"), commands.end());
        }
        EXPECT_TRUE(os.errors.empty()) << (os.errors.empty() ? "" : os.to_ansi(os.errors[0]));
        EXPECT_EQ(read_bytes(install / "big.bin"), whole);
        EXPECT_FALSE(fs::exists(staging()));
    }
}

// ---- a program built with the maker's key

class SignedUpdateFtp : public InternetUpdateFtp {
protected:
    void SetUp() override
    {
        InternetUpdateFtp::SetUp();
        page.update_signing_key = test_keys::maker_public;
    }
    fs::path list() const { return live / "___korvex_file_list.txt"; }
    fs::path signature() const { return live / "___korvex_file_list.txt.sig"; }
    void sign(const char* private_key, const std::wstring& application = L"MyApp", std::uint64_t release = 1)
    {
        sign_with_openssl(private_key, list(), signature(), application, release);
    }
    // The working files of the last run, and the release it installed.
    void leave_last_run(const std::string& release)
    {
        write_bytes(install / "___korvex_file_list_remote.txt", "last run's list\r\n");
        write_bytes(install / "___files_to_get.txt", "last run's plan\r\n");
        write_bytes(staging() / "release.txt", release);
    }
    // A refused list: its box, only the list and its signature fetched (twice when the signature
    // does not match: once more after a pause, as while the maker uploads), and nothing changed.
    void expect_refused(const std::wstring& says, bool fetched_twice = false)
    {
        const snapshot before = take_snapshot(os, install);
        os.messages.clear();
        view.progress_texts.clear();
        {
            update_server server(root, {});
            page.Button4Click();
            const strings once = {"/public/live/MyApp/___korvex_file_list.txt",
                                  "/public/live/MyApp/___korvex_file_list.txt.sig"};
            strings twice = once;
            twice.insert(twice.end(), once.begin(), once.end());
            EXPECT_EQ(server.retrieved(), fetched_twice ? twice : once);
        }
        EXPECT_EQ(os.messages, (wstrings{says}));
        EXPECT_TRUE(os.errors.empty());
        EXPECT_EQ(take_snapshot(os, install), before);
        EXPECT_EQ(view.progress_texts, (wstrings{L"... getting remote file list ..."}));
    }
};

TEST_F(SignedUpdateFtp, AListSignedByTheMakerRunsTheUpdateAndRecordsItsRelease)
{
    publish({{"a.txt", "new a"}, {"sub/b.txt", "b"}});
    sign(test_keys::maker_private, L"MyApp", 12);
    write_bytes(install / "a.txt", "old a");
    {
        update_server server(root, {});
        page.Button4Click();
        EXPECT_EQ(server.retrieved(), (strings{"/public/live/MyApp/___korvex_file_list.txt",
                                               "/public/live/MyApp/___korvex_file_list.txt.sig",
                                               "/public/live/MyApp/a.txt", "/public/live/MyApp/sub/b.txt"}));
    }
    EXPECT_TRUE(os.errors.empty()) << (os.errors.empty() ? "" : os.to_ansi(os.errors[0]));
    EXPECT_EQ(read_bytes(install / "a.txt"), "new a");
    EXPECT_EQ(read_bytes(install / "sub" / "b.txt"), "b");
    EXPECT_EQ(read_bytes(install / "___korvex_file_list_remote.txt"), read_bytes(list()));
    EXPECT_EQ(read_bytes(install / "___korvex_file_list_remote.txt.sig"), read_bytes(signature()));
    EXPECT_EQ(view.progress_texts.back(), L"Update finished");
    EXPECT_EQ(take_snapshot(os, staging()), (snapshot{{"release.txt", "12\r\n"}}));
}

TEST_F(SignedUpdateFtp, TamperedForeignOrMissingSignaturesChangeNothing)
{
    struct refusal { const char* name; std::function<void()> serve; bool fetched_twice; };
    const std::vector<refusal> refusals = {
        {"list changed after signing",
         [this] {
             sign(test_keys::maker_private);
             append_to_server_list({listed_line(L"evil.dll", "evil")});
             write_bytes(live / "evil.dll", "evil");
         }, true},
        {"signed by another key", [this] { sign(test_keys::stranger_private); }, true},
        {"no signature", [] {}, false},
    };
    write_bytes(install / "a.txt", "old a");
    leave_last_run("1\r\n");
    for (const refusal& each : refusals) {
        SCOPED_TRACE(each.name);
        fs::remove_all(live);
        publish({{"a.txt", "new a"}});
        each.serve();
        expect_refused(L"The file list of the update server is not signed by Korvex Hard- and Software - the update "
                       L"was stopped.", each.fetched_twice);
    }
}

TEST_F(SignedUpdateFtp, AListSignedForAnotherApplicationOrAnOlderReleaseChangesNothing)
{
    write_bytes(install / "a.txt", "old a");
    leave_last_run("7\r\n");
    publish({{"a.txt", "new a"}});
    {
        SCOPED_TRACE("another application");
        sign(test_keys::maker_private, L"OtherApp", 8);
        expect_refused(L"The file list of the update server is for another application - the update was stopped.");
    }
    {
        SCOPED_TRACE("an older release");
        sign(test_keys::maker_private, L"MyApp", 6);
        expect_refused(
            L"The update server offers an older release (6) than the one installed (7) - the update was stopped.");
    }
}

}  // namespace
}  // namespace qs::ftp_test
