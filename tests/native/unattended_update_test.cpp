// The unattended update (run_this_first.exe /update [/log=FILE]) and the log every update writes,
// on the fake platform.
#include <gtest/gtest.h>

#include "basics/text_files.h"
#include "setup_main/server_paths.h"
#include "setup_main/command_line.h"
#include "setup_main/update/installation_lock.h"
#include "setup_main/update/update_log.h"
#include "tests/support/update_fixture.h"

namespace qs {
namespace {
using test::lines;
using qs::command_line;

TEST(CommandLine, SplitsAsWindowsProgramsDo)
{
    EXPECT_EQ(split_command_line(L""), lines{});
    EXPECT_EQ(split_command_line(L"  /update\t-LOG=x.txt "), (lines{L"/update", L"-LOG=x.txt"}));
    EXPECT_EQ(split_command_line(L"/update \"/log=C:\\My logs\\update.log\""),
              (lines{L"/update", L"/log=C:\\My logs\\update.log"}));
    EXPECT_EQ(split_command_line(L"/log=\"C:\\My logs\\a.log\" /update"),
              (lines{L"/log=C:\\My logs\\a.log", L"/update"}));
    // Backslashes before a quote escape it; elsewhere they are plain.
    EXPECT_EQ(split_command_line(L"a\\\\\"b c\" d\\\"e \\\\x"), (lines{L"a\\b c", L"d\"e", L"\\\\x"}));
    EXPECT_EQ(split_command_line(L"\"\""), (lines{L""}));
}

TEST(CommandLine, OptionsInAnyCaseWithSlashOrDash)
{
    const command_line none = parse_command_line({});
    EXPECT_EQ(none.what, command_line::action::windows);
    for (const lines& args : {lines{L"/update"}, lines{L"-UPDATE"}, lines{L"/Update", L"/LOG=C:\\My logs\\u.log"},
                              lines{L"-log=u.log", L"-update"}}) {
        const command_line line = parse_command_line(args);
        EXPECT_EQ(line.what, command_line::action::update);
        EXPECT_TRUE(line.update_asked);
    }
    EXPECT_EQ(parse_command_line({L"/update", L"/log=C:\\My logs\\u.log"}).log_path, L"C:\\My logs\\u.log");
    struct wrong { lines args; const wchar_t* named; bool update_asked; };
    for (const wrong& each : {wrong{{L"/frobnicate"}, L"/frobnicate", false},
                              wrong{{L"/update", L"/frobnicate"}, L"/frobnicate", true},
                              wrong{{L"/log=u.log"}, L"/log without /update", false},
                              wrong{{L"/update", L"/log="}, L"/log=", true},
                              wrong{{L"/update", L"/log"}, L"/log", true},
                              wrong{{L"/update=yes"}, L"/update=yes", false},
                              wrong{{L"update"}, L"update", false}}) {
        const command_line line = parse_command_line(each.args);
        EXPECT_EQ(line.what, command_line::action::usage);
        EXPECT_EQ(line.not_understood, each.named);
        EXPECT_EQ(line.update_asked, each.update_asked);
    }
}

class UnattendedUpdate : public test::unattended_update_test {
protected:
    void SetUp() override
    {
        unattended_update_test::SetUp();
        os.add_file(install + L"app.exe", "app 1");
        publish({{L"app.exe", "app 2"}, {L"bin/core.dll", "core 2"}});
    }
    int run(lines args = {L"/update", L"/log=D:\\Logs\\update.log"}) { return run_command_line(args); }
    // The log's lines, without their time.
    lines log_lines(const std::wstring& path) const
    {
        std::string bytes = os.content(path);
        EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF", 0), 0u) << "no byte-order mark";
        lines out;
        for (const std::wstring& line : split_lines(utf8_to_wide(bytes.substr(3)))) {
            EXPECT_EQ(line.rfind(L"2026-12-07T12:44:12 ", 0), 0u) << std::string(line.begin(), line.end());
            out.push_back(line.substr(20));
        }
        return out;
    }
};

TEST_F(UnattendedUpdate, EveryOutcomeHasItsExitCode)
{
    EXPECT_EQ(run(), 0);  // files fetched
    EXPECT_EQ(os.content(install + L"app.exe"), "app 2");
    EXPECT_EQ(run(), 0);  // none differed
    EXPECT_TRUE(os.questions.empty() && os.messages.empty() && os.errors.empty() && os.retry_questions.empty());

    publish({{L"app.exe", "app 3"}});
    os.ftp_unreachable = true;
    EXPECT_EQ(run(), 1);
    os.ftp_unreachable = false;
    os.ftp_breaks[list] = 5;
    EXPECT_EQ(run(), 1);
    os.ftp_breaks.clear();

    os.ftp_files[live + L"app.exe"] = "app X";  // not what the list says
    EXPECT_EQ(run(), 3);
    os.ftp_files[live + L"app.exe"] = "app 3";
    os.in_use.insert(install + L"app.exe");  // a file in use is not waited for
    EXPECT_EQ(run(), 3);
    EXPECT_TRUE(os.retry_questions.empty());
    EXPECT_EQ(os.content(install + L"app.exe"), "app 2");
    os.in_use.clear();

    os.locks_held.insert(update::update_lock_name(install));
    EXPECT_EQ(run(), 5);
    os.locks_held.clear();

    EXPECT_EQ(run({L"/update", L"/frobnicate"}), 4);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(os.content(install + L"app.exe"), "app 3");
    EXPECT_TRUE(os.questions.empty() && os.messages.empty() && os.errors.empty() && os.retry_questions.empty());
}

TEST_F(UnattendedUpdate, ABuildWithTheMakersKeyRefusesAListThatIsNotSignedWithIt)
{
    ecdsa_p256_public_key maker{};
    maker.fill(1);
    update::run_settings settings = page.update_settings();
    settings.signing_key = maker;
    EXPECT_EQ(run_update(settings).what, update::result::list_refused);
    EXPECT_EQ(static_cast<int>(update::result::list_refused), 2);
}

TEST_F(UnattendedUpdate, TheLogTellsWhatHappenedAndHoldsNoPassword)
{
    os.ftp_breaks[live + L"bin/core.dll"] = 2;
    EXPECT_EQ(run(), 3);
    os.ftp_breaks.clear();
    os.in_use.insert(install + L"app.exe");
    EXPECT_EQ(run(), 3);
    os.in_use.clear();
    // The commit meets a file it cannot put in place, and undoes what it did.
    os.unwritable.insert(install + L"bin\\core.dll");
    EXPECT_EQ(run(), 3);
    os.unwritable.clear();
    EXPECT_EQ(run(), 0);

    const ftp_account server = update_server_account();
    const std::wstring started = L"Internet update started: program version 1.0.0, folder D:\\Setup\\Sample\\, server " +
                                 server.host + L":" + std::to_wstring(server.port) + L".";
    const std::wstring listed = L"File list fetched, 93 bytes; this program takes it unsigned.";
    const std::wstring from = L"File list from ftp://" + server.host + (server.port == 21 ? L"" : L":" + std::to_wstring(server.port)) +
                              L"/public/live/.";
    const std::wstring app = L"Fetched app.exe from byte 0: 5 bytes, MD5 " + fake::md5_hex("app 2") + L".";
    const std::wstring app_reused =
        L"Reused from the staging folder: app.exe, 5 bytes, MD5 " + fake::md5_hex("app 2") + L".";
    const std::wstring core_reused =
        L"Reused from the staging folder: bin/core.dll, 6 bytes, MD5 " + fake::md5_hex("core 2") + L".";
    EXPECT_EQ(log_lines(log_file),
              (lines{started, from, listed, app,
                     L"Download of bin/core.dll failed: 426 Connection closed; transfer aborted.",
                     L"Ended: bin/core.dll: 426 Connection closed; transfer aborted. / Nothing has been changed. The "
                     L"next Internet update continues where this one stopped.",
                     L"Exit code 3.",
                     started, from, listed, app_reused,
                     L"Fetched bin/core.dll from byte 2: 6 bytes, MD5 " + fake::md5_hex("core 2") + L".",
                     L"Files in use: app.exe",
                     L"Ended: files in use (app.exe); nothing was changed.", L"Exit code 3.",
                     started, from, listed, app_reused, core_reused,
                     L"Commit failed and was undone: bin/core.dll: Access is denied.",
                     L"Ended: bin/core.dll: Access is denied. / Nothing has been changed.", L"Exit code 3.",
                     started, from, listed, app_reused, core_reused, L"Committed: 2 files in place.",
                     L"Files to delete (listed, not deleted): app.exe, init_setup/application_name.txt, "
                     L"run_this_first.exe, ___files_to_delete.txt, ___files_to_get.txt, ___korvex_file_list.txt, "
                     L"___korvex_file_list_remote.txt",
                     L"Ended: the installation is up to date.", L"Exit code 0."}));
    EXPECT_EQ(os.content(log_file).find("muhTaK"), std::string::npos);
}

TEST_F(UnattendedUpdate, ACommandLineNotUnderstoodWritesTheUsageIntoTheDefaultLog)
{
    EXPECT_EQ(run({L"/frobnicate"}), 4);
    const lines logged = log_lines(os.appdata + L"\\RUN_THIS_FIRST\\update_log.txt");
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0], L"Command line not understood: /frobnicate");
    EXPECT_EQ(logged[1].rfind(L"Usage: run_this_first.exe /update [/log=FILE] [/source=URL] / ", 0), 0u);
    EXPECT_NE(logged[1].find(L"Exit codes: 0 up to date, 1 file list not fetched, 2 file list refused, 3 update "
                             L"failed and nothing was changed, 4 command line not understood, 5 another update of "
                             L"this folder is running."),
              std::wstring::npos);
    EXPECT_EQ(os.content(install + L"app.exe"), "app 1");
}

TEST_F(UnattendedUpdate, ALogThatCannotBeWrittenNeverStopsTheUpdate)
{
    EXPECT_EQ(run({L"/update", L"/log=D:\\No such folder\\update.log"}), 0);
    EXPECT_EQ(os.content(install + L"app.exe"), "app 2");
    // The button says so in the info pane.
    os.unwritable.insert(os.appdata + L"\\RUN_THIS_FIRST\\update_log.txt");
    page.Button4Click();
    EXPECT_EQ(view.info, (lines{L"!!! The update log C:\\Users\\tester\\AppData\\Roaming\\RUN_THIS_FIRST\\update_log.txt "
                                L"could not be written: Access is denied."}));
}

TEST(UpdateLog, OverOneMebibyteTheOlderHalfGoesWhenTheNextRunBegins)
{
    fake::fake_platform os;
    const std::wstring path = L"C:\\update.log";
    std::string old = "\xEF\xBB\xBF";
    for (int i = 0; old.size() <= update::log_trim_bytes; ++i) old += "2026-01-01T00:00:00 line " + std::to_string(i) + "\r\n";
    os.add_file(path, old);
    update::update_log log(os, path);
    log.trim_if_large();  // as a run does once it holds the installation's lock
    log.write(L"new line");
    const std::string now = os.content(path);
    EXPECT_LT(now.size(), old.size() / 2 + 100);
    EXPECT_GT(now.size(), old.size() / 2 - 100);
    EXPECT_EQ(now.rfind("\xEF\xBB\xBF" "2026-01-01T00:00:00 line ", 0), 0u);  // whole lines only
    EXPECT_EQ(now.substr(now.size() - 30), "2026-12-07T12:44:12 new line\r\n");
    EXPECT_EQ(old.substr(old.size() - 40), now.substr(now.size() - 30 - 40, 40));
    // A log below the limit is left as it is.
    log.write(L"second");
    EXPECT_EQ(os.content(path), now + "2026-12-07T12:44:12 second\r\n");
}

TEST(UpdateLog, LinesWrittenDuringABatchGoInTogetherWhenItEnds)
{
    fake::fake_platform os;
    const std::wstring path = L"C:\\update.log";
    update::update_log log(os, path);
    log.write(L"before");
    const std::string before = "\xEF\xBB\xBF" "2026-12-07T12:44:12 before\r\n";
    {
        const update::update_log::batch together(log);
        log.write(L"refused 1");
        {
            const update::update_log::batch inner(log);
            log.write(L"refused 2");
        }
        EXPECT_EQ(os.content(path), before) << "lines wait for the outer batch";
    }
    const std::string batched = before + "2026-12-07T12:44:12 refused 1\r\n2026-12-07T12:44:12 refused 2\r\n";
    EXPECT_EQ(os.content(path), batched);
    log.write(L"after");
    EXPECT_EQ(os.content(path), batched + "2026-12-07T12:44:12 after\r\n") << "after the batch, each line at once";
}

}  // namespace
}  // namespace qs

namespace qs {
namespace {

TEST_F(UnattendedUpdate, ALogHeldByAnotherHandleForAWhileLosesNoLineAndIsTrimmedOnlyUnderTheLock)
{
    // A viewer that opened the log without sharing, for longer than one line waits.
    os.append_clashes[log_file] = 25;
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(os.append_clashes[log_file], 0);
    const lines logged = log_lines(log_file);
    ASSERT_GE(logged.size(), 6u);
    EXPECT_EQ(logged.front().rfind(L"Internet update started: ", 0), 0u);
    EXPECT_EQ(logged[1].rfind(L"File list from ftp://", 0), 0u) << "the build's server";
    EXPECT_EQ(logged[2], L"File list fetched, 93 bytes; this program takes it unsigned.");
    EXPECT_NE(std::find(logged.begin(), logged.end(), L"Committed: 2 files in place."), logged.end());
    EXPECT_EQ(logged[logged.size() - 2], L"Ended: the installation is up to date.");
    EXPECT_EQ(logged.back(), L"Exit code 0.");

    // A second run that finds the installation locked does not trim the log the first one writes.
    std::string large = "\xEF\xBB\xBF";
    while (large.size() <= update::log_trim_bytes) large += "2026-12-07T12:44:12 an old line\r\n";
    os.add_file(log_file, large);
    const std::unique_ptr<named_lock> running = update::lock_installation(os, install);
    ASSERT_NE(running, nullptr);
    EXPECT_EQ(run(), 5);
    EXPECT_EQ(os.content(log_file).rfind(large, 0), 0u);
}

}  // namespace
}  // namespace qs
