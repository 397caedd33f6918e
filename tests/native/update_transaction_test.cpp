// The Internet update as one transaction, on the fake platform: nothing in the installation
// changes before every file has arrived and been checked, a commit is whole or undone, and what
// a run staged is used by the next one.
#include <gtest/gtest.h>

#include "platform/utf8.h"
#include "setup_main/update/commit.h"
#include "setup_main/update/installation_lock.h"
#include "setup_main/update/internet_update.h"
#include "tests/support/update_fixture.h"
#include "setup_main/update/staging.h"

namespace qs {
namespace {
using test::lines;

// The program stops dead in the middle of a commit: no handler of the program sees this.
struct power_cut {};

class UpdateTransaction : public test::fake_update_test {
protected:
    // An installation of release 1 and a release 2 on the server that replaces two files (one of
    // them read-only, as files copied from a CD are), adds one in a new folder and keeps one.
    void SetUp() override
    {
        fake_update_test::SetUp();
        os.add_file(install + L"app.exe", "app 1");
        os.add_file(install + L"bin\\core.dll", "core 1", attr::readonly);
        os.add_file(install + L"same.txt", "same");
        publish({{L"app.exe", "app 2"}, {L"bin/core.dll", "core 2"}, {L"plugins/new.dll", "new 2"}, {L"same.txt", "same"}});
    }
    // Counts the moves of the commit and fails the given one (from 1) with `failure`, also when it
    // is tried again.
    void fail_move(int which, std::function<void()> failure)
    {
        os.on_move = [which, failure, n = 0, failing = std::wstring()](const std::wstring& from,
                                                                         const std::wstring&) mutable {
            if (++n == which) failing = from;
            if (!failing.empty() && from == failing) failure();
        };
    }
    std::map<std::wstring, std::string> release_2() const
    {
        return {{L"app.exe", "app 2"},     {L"bin", "<folder>"},          {L"bin\\core.dll", "core 2"},
                {L"plugins", "<folder>"}, {L"plugins\\new.dll", "new 2"}, {L"run_this_first.exe", "setup program"},
                {L"same.txt", "same"}};
    }
    lines files_fetched() const
    {
        lines out;
        for (const auto& call : os.ftp_calls)
            if (!call.local_path.empty()) out.push_back(call.server_path.substr(live.size()));
        return out;
    }
};

TEST_F(UpdateTransaction, AFailureAtAnyMoveOfTheCommitLeavesTheInstallationAsItWas)
{
    const auto before = installed();
    // Two moves for each replaced file (aside, then in place) and one for the new one.
    for (int which = 1; which <= 5; ++which) {
        SCOPED_TRACE(which);
        os.errors.clear();
        os.ftp_calls.clear();
        fail_move(which, [this] { os.fail_with(win_error::access_denied); });

        page.Button4Click();

        ASSERT_EQ(os.errors.size(), 1u);
        EXPECT_NE(os.errors[0].find(L": Access is denied.\r\nNothing has been changed."), std::wstring::npos)
            << os.to_ansi(os.errors[0]);
        EXPECT_EQ(installed(), before);
        EXPECT_FALSE(os.has_file(install + L"___korvex_update\\journal.txt"));
    }
    // Each run after the first found the files staged and verified: nothing was fetched again.
    EXPECT_EQ(files_fetched(), lines{});
    os.on_move = nullptr;
    os.errors.clear();
    page.Button4Click();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(installed(), release_2());
    EXPECT_EQ(files_fetched(), lines{});
    EXPECT_FALSE(staging_folder_exists());
}

TEST_F(UpdateTransaction, AMoveRefusedForAMomentIsTriedAgain)
{
    int refusals = 0;
    os.on_move = [&](const std::wstring&, const std::wstring&) {
        if (refusals++ < 3) os.fail_with(win_error::sharing_violation);  // a virus scanner's look
    };
    page.Button4Click();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(installed(), release_2());
    EXPECT_EQ(os.sleeps, (std::vector<std::uint32_t>{100, 100, 100}));
}

TEST_F(UpdateTransaction, ACommitCutShortIsUndoneAtTheNextStartAndNothingIsFetchedAgain)
{
    const auto before = installed();
    for (int which = 1; which <= 5; ++which) {
        SCOPED_TRACE(which);
        fail_move(which, [] { throw power_cut{}; });
        EXPECT_THROW(run_update(), power_cut);
        os.on_move = nullptr;
        EXPECT_TRUE(os.has_file(install + L"___korvex_update\\journal.txt"));

        // The next start of the program, before its licence window.
        EXPECT_EQ(update::recover_interrupted_update(os, install, ui_language::english),
                  L"An interrupted update was undone; start Internet update again.");
        EXPECT_EQ(installed(), before);
        EXPECT_TRUE(os.is_read_only(install + L"bin\\core.dll"));
        EXPECT_EQ(staged(L"bin\\core.dll"), "core 2");
        EXPECT_EQ(update::recover_interrupted_update(os, install, ui_language::english), std::nullopt);
    }
    os.ftp_calls.clear();
    page.Button4Click();
    EXPECT_EQ(installed(), release_2());
    EXPECT_EQ(files_fetched(), lines{});
}

TEST_F(UpdateTransaction, ACutAfterTheDoneMarkCompletesTheCleanUpAtTheNextStart)
{
    // Every file in place and the journal marked done; the power went before the old copies went.
    update::commit_plan plan;
    plan.files = {{L"app.exe", true, false}};
    plan.release = 7;
    const std::string journal = update::journal_text(plan);
    os.add_file(install + L"___korvex_update\\journal.txt", journal);
    os.add_file(install + L"___korvex_update\\journal.done", update::done_mark_text(journal));
    os.add_file(install + L"___korvex_update\\aside\\app.exe", "app 1");
    os.add_file(install + L"app.exe", "app 2");
    EXPECT_EQ(update::recover_interrupted_update(os, install, ui_language::english), std::nullopt);
    EXPECT_EQ(os.content(install + L"app.exe"), "app 2");
    EXPECT_EQ(os.tree(install + L"___korvex_update"), (lines{L"release.txt"}));
    EXPECT_EQ(os.content(install + L"___korvex_update\\release.txt"), "7\r\n");
}

TEST_F(UpdateTransaction, AJournalTornWhileItWasWrittenIsNoCommit)
{
    os.add_file(install + L"___korvex_update\\journal.txt", "korvex update journal 1\r\nfile\tapp.exe\t1\t0\r\nfi");
    os.add_file(install + L"___korvex_update\\staged\\app.exe", "app 2");
    const auto before = installed();
    EXPECT_EQ(update::recover_interrupted_update(os, install, ui_language::english), std::nullopt);
    EXPECT_EQ(installed(), before);
    EXPECT_FALSE(os.has_file(install + L"___korvex_update\\journal.txt"));
    EXPECT_EQ(staged(L"app.exe"), "app 2");
}

TEST_F(UpdateTransaction, FilesInUseAreNamedAndNothingChangesUntilRetry)
{
    const auto before = installed();
    os.in_use.insert(install + L"bin\\core.dll");
    os.programs_holding[install + L"bin\\core.dll"] = {L"Spectra Analyser", L"Spectra Plotter"};
    // The box appears with everything staged and nothing replaced; the user closes the program.
    os.retry_answers = {true};
    os.on_dialog = [&] {
        if (os.ftp_calls.size() < 4) return;  // the list and the three files first
        EXPECT_EQ(installed(), before);
        os.in_use.clear();
        os.on_dialog = nullptr;
    };

    page.Button4Click();

    EXPECT_EQ(os.retry_questions,
              (lines{L"These files of the installation are in use and cannot be replaced:\r\nbin\\core.dll\r\n"
                     L"Programs using them: Spectra Analyser, Spectra Plotter\r\n"
                     L"Close the programs that use them, then click Retry. Cancel stops the update; nothing has been "
                     L"changed."}));
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(installed(), release_2());
    EXPECT_EQ(view.progress_texts.back(), L"Update finished");
}

TEST_F(UpdateTransaction, CancelInTheBoxOfFilesInUseEndsTheRunWithNothingChanged)
{
    const auto before = installed();
    os.in_use.insert(install + L"app.exe");
    os.retry_answers = {true, false};  // Retry while it is still held, then Cancel
    page.Button4Click();
    EXPECT_EQ(os.retry_questions.size(), 2u);
    EXPECT_EQ(os.retry_questions[0].find(L"Programs using them"), std::wstring::npos);  // nobody was named
    EXPECT_TRUE(os.errors.empty());
    EXPECT_TRUE(os.messages.empty());
    EXPECT_EQ(installed(), before);
    EXPECT_EQ(staged(L"app.exe"), "app 2");
}

TEST_F(UpdateTransaction, ABrokenTransferResumesInTheNextRunAndVerifiedFilesStay)
{
    const auto before = installed();
    os.ftp_files[live + L"plugins/new.dll"] = "new 2";
    os.ftp_breaks[live + L"bin/core.dll"] = 3;
    page.Button4Click();
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0], L"bin/core.dll: 426 Connection closed; transfer aborted.\r\nNothing has been changed. "
                            L"The next Internet update continues where this one stopped.");
    EXPECT_EQ(installed(), before);
    EXPECT_EQ(staged(L"bin\\core.dll"), "cor");
    EXPECT_EQ(view.progress_texts.back(), L"Getting file 2 of 3 files: " + live + L"bin/core.dll");

    os.ftp_breaks.clear();
    os.ftp_calls.clear();
    os.errors.clear();
    page.Button4Click();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(installed(), release_2());
    // app.exe was verified in the first run; core.dll goes on from its fourth byte.
    ASSERT_EQ(files_fetched(), (lines{L"bin/core.dll", L"plugins/new.dll"}));
    EXPECT_EQ(os.ftp_calls[1].from, 3u);
}

TEST_F(UpdateTransaction, WhatWasStagedFromAnotherReleaseIsFetchedAgainOrDeleted)
{
    // Left by a run against an older release: a whole file with other bytes, a part of one that
    // changed since, and a file this release no longer has.
    os.add_file(install + L"___korvex_update\\staged\\app.exe", "app X");
    os.add_file(install + L"___korvex_update\\staged\\bin\\core.dll", "old");
    os.add_file(install + L"___korvex_update\\staged\\gone.txt", "gone");
    page.Button4Click();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(installed(), release_2());
    EXPECT_FALSE(staging_folder_exists());
    // The part did not match as a whole: fetched once more from the start.
    std::vector<std::uint64_t> core_from;
    for (const auto& call : os.ftp_calls)
        if (call.server_path == live + L"bin/core.dll") core_from.push_back(call.from);
    EXPECT_EQ(core_from, (std::vector<std::uint64_t>{3, 0}));
}

TEST_F(UpdateTransaction, AServerThatCannotResumeSendsTheWholeFile)
{
    os.ftp_resumes = false;
    os.add_file(install + L"___korvex_update\\staged\\bin\\core.dll", "cor");
    page.Button4Click();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(installed(), release_2());
    EXPECT_EQ(os.content(install + L"bin\\core.dll"), "core 2");
}

TEST_F(UpdateTransaction, AFolderOrAFileInTheWayEndsTheRunBeforeAnyChange)
{
    const auto with_folder = [this] { os.add_folder(install + L"app.exe"); };
    os.remove(install + L"app.exe");
    with_folder();
    const auto before = installed();
    page.Button4Click();
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0], L"app.exe: A folder of this name is installed, and a file cannot take its place.\r\n"
                            L"Nothing has been changed.");
    EXPECT_EQ(installed(), before);
}

TEST_F(UpdateTransaction, ALocalFailureNamesItsPathAndBlamesNoServer)
{
    os.unwritable.insert(install + L"___korvex_update");
    page.Button4Click();
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0], install + L"___korvex_update: Access is denied.");
    EXPECT_TRUE(os.messages.empty());
    os.unwritable.clear();
    os.errors.clear();
    os.unwritable.insert(install + L"___korvex_file_list_remote.txt");
    page.Button4Click();
    EXPECT_EQ(os.errors, (lines{install + L"___korvex_file_list_remote.txt: Access is denied."}));
}

TEST_F(UpdateTransaction, StoppingWhileFilesArriveReplacesNothingAndKeepsWhatArrived)
{
    const auto before = installed();
    os.on_dialog = [&] {
        if (os.ftp_calls.size() == 3) page.stop_task();  // the close box's Yes, during the second file
    };
    EXPECT_TRUE(page.can_stop_task() == false);
    page.Button4Click();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_TRUE(os.messages.empty());
    EXPECT_EQ(installed(), before);
    EXPECT_EQ(staged(L"app.exe"), "app 2");
    EXPECT_EQ(view.task_states.back(), "none");
}

TEST_F(UpdateTransaction, OneUpdateOfAnInstallationAtATime)
{
    os.locks_held.insert(update::update_lock_name(L"d:\\setup\\SAMPLE"));
    page.Button4Click();
    EXPECT_EQ(os.messages, (lines{L"Another update of this installation is running."}));
    EXPECT_TRUE(os.ftp_calls.empty());
    EXPECT_EQ(update::recover_interrupted_update(os, install, ui_language::english), std::nullopt);
    // Different folders have different locks.
    EXPECT_NE(update::update_lock_name(L"D:\\Setup\\Sample"), update::update_lock_name(L"D:\\Setup\\Sample2"));
}

TEST_F(UpdateTransaction, TheStagingFolderIsNoPartOfAnyFileList)
{
    os.add_file(install + L"___korvex_update\\staged\\app.exe", "half");
    os.add_file(install + L"sub\\___korvex_update\\x.txt", "x");
    os.folder_choices = {L"D:\\Setup\\Sample"};
    page.Button5Click();
    const std::string list = os.content(install + L"___korvex_file_list.txt");
    EXPECT_EQ(list.find("___korvex_update"), std::string::npos) << list;
    EXPECT_NE(list.find("app.exe"), std::string::npos);
    // And no server list can make the update write into it.
    publish({{L"___korvex_update/journal.txt", "korvex update journal 1\r\nend\r\n"}});
    page.Button4Click();
    EXPECT_EQ(view.info.back(),
              L"!!! Skipped a path of the server's file list that is no safe file name inside the program folder: "
              L"___korvex_update/journal.txt");
}

}  // namespace
}  // namespace qs

// ---- the promises kept on every path: one lock, sound records, the medium's release

namespace qs {
namespace {
using test::listed_line;

class UpdatePromises : public UpdateTransaction {
protected:
    const std::wstring mark = install + L"___korvex_update\\journal.done";
    const std::wstring record = install + L"___korvex_update\\release.txt";
    const ecdsa_p256_public_key maker = [] {
        ecdsa_p256_public_key key{};
        key.fill(7);
        return key;
    }();
    void sign_release(std::uint64_t release)
    {
        page.update_signing_key = maker;
        sign_list(maker, L"MyApp", release);
    }
};

TEST_F(UpdatePromises, OneInstallationReachedThroughTwoSpellingsHasOneLock)
{
    os.add_alias(L"D:\\SETUP~1", L"D:\\Setup");  // the short form a scheduled task may use
    os.add_alias(L"Z:", L"D:\\Setup");            // the folder of a share, mapped to a letter
    for (const std::wstring other : {L"D:\\SETUP~1\\Sample\\", L"Z:\\SAMPLE"}) {
        SCOPED_TRACE(os.to_ansi(other));
        os.messages.clear();
        os.ftp_calls.clear();
        os.add_file(install + L"___korvex_update\\journal.txt", update::journal_text({{}, {{L"app.exe", true, false}}, {}}));
        {
            // Another process's update, started with the other spelling.
            const std::unique_ptr<named_lock> running = update::lock_installation(os, other);
            ASSERT_NE(running, nullptr);
            page.Button4Click();
            EXPECT_EQ(os.messages, (lines{L"Another update of this installation is running."}));
            EXPECT_TRUE(os.ftp_calls.empty());
            // Its journal is its own while it runs: the start-up recovery leaves it alone.
            EXPECT_EQ(update::recover_interrupted_update(os, install, ui_language::english), std::nullopt);
            EXPECT_TRUE(os.has_file(install + L"___korvex_update\\journal.txt"));
            EXPECT_EQ(update::lock_installation(os, install), nullptr);
        }
        os.remove(install + L"___korvex_update");
    }
    // A lock file that a crashed run left behind is no lock.
    os.add_file(update::installation_lock_path(install), "");
    page.Button4Click();
    EXPECT_EQ(installed(), release_2());
    EXPECT_FALSE(staging_folder_exists());
}

TEST_F(UpdatePromises, AnOldDoneMarkThatCannotBeDeletedStopsTheCommitAndAStrayOneIsNoMark)
{
    const auto before = installed();
    os.add_file(mark, "done 0123456789ABCDEF\r\n");
    os.in_use.insert(mark);  // a sync client holds it
    page.Button4Click();
    EXPECT_EQ(os.errors, (lines{install + L"___korvex_update\\journal.done is left from an earlier update and cannot be "
                                          L"deleted, so a power cut during this update could not be undone.\r\n"
                                          L"Nothing has been changed."}));
    EXPECT_EQ(installed(), before);
    EXPECT_FALSE(os.has_file(install + L"___korvex_update\\journal.txt"));

    // The client lets go, and puts its copy back while the next commit runs; then the power goes.
    os.in_use.clear();
    fail_move(3, [this] {
        os.add_file(mark, "done 0123456789ABCDEF\r\n");
        throw power_cut{};
    });
    EXPECT_THROW(run_update(), power_cut);
    os.on_move = nullptr;
    EXPECT_EQ(update::recover_interrupted_update(os, install, ui_language::english),
              L"An interrupted update was undone; start Internet update again.");
    EXPECT_EQ(installed(), before);
    EXPECT_FALSE(os.has_file(mark));
}

TEST_F(UpdatePromises, AReleaseRecordThatCannotBeWrittenAfterTheMovesEndsTheRunAsDone)
{
    sign_release(2);
    os.unwritable.insert(record);
    page.Button4Click();
    EXPECT_TRUE(os.errors.empty()) << os.to_ansi(os.errors.empty() ? L"" : os.errors[0]);
    EXPECT_EQ(installed(), release_2());
    EXPECT_NE(std::find(view.info.begin(), view.info.end(),
                        L"!!! Every file is in place, but the release could not be recorded in " + record +
                            L": Access is denied."),
              view.info.end());
    EXPECT_FALSE(os.has_file(install + L"___korvex_update\\journal.txt"));

    // A record is replaced by renaming a whole new one over it: a cut while it is written leaves
    // the old one as it was.
    os.unwritable.clear();
    os.add_file(record, "2\r\n");
    os.on_move = [](const std::wstring& from, const std::wstring&) {
        if (from.find(L"release.new") != std::wstring::npos) throw power_cut{};
    };
    update::staging where(os, install);
    EXPECT_THROW(where.record_release(3), power_cut);
    EXPECT_EQ(os.content(record), "2\r\n");
    EXPECT_EQ(where.last_release(), 2u);
}

TEST_F(UpdatePromises, ANewInstallationKnowsTheReleaseOfItsMedium)
{
    os.add_file(install + L"init_setup\\release.txt", "5\r\nthe release of this medium\r\n");
    sign_release(3);
    const auto before = installed();
    page.Button4Click();
    EXPECT_EQ(os.messages,
              (lines{L"The update server offers an older release (3) than the one installed (5) - the update was stopped."}));
    EXPECT_EQ(fetched(), (lines{list, signature}));
    EXPECT_EQ(installed(), before);
    // The higher of the medium's and the record's.
    EXPECT_EQ(update::installed_release(os, install), 5u);
    os.add_file(record, "9\r\n");
    EXPECT_EQ(update::installed_release(os, install), 9u);
    os.add_file(install + L"init_setup\\release.txt", "12\r\n");
    EXPECT_EQ(update::installed_release(os, install), 12u);
    os.remove(install + L"init_setup\\release.txt");
    os.remove(record);
    EXPECT_EQ(update::installed_release(os, install), std::nullopt);
}

TEST_F(UpdatePromises, AStopDuringTheFirstProgressTextEndsTheRunBeforeAnyConnection)
{
    class stopping : public update::observer {
    public:
        update::internet_update* run = nullptr;
        void progress(const std::wstring&) override { run->stop(); }  // the close box, in the message loop
        void note(const std::wstring&) override {}
        void bytes_staged(std::uint64_t, std::uint64_t) override {}
        bool retry_files_in_use(const std::wstring&) override { return false; }
    } watcher;
    update::update_log log(os, L"");
    update::internet_update run(os, page.update_settings(), watcher, log);
    watcher.run = &run;
    EXPECT_EQ(run.run().what, update::result::stopped);
    EXPECT_TRUE(os.ftp_calls.empty());
}

TEST_F(UpdatePromises, AServerThatIgnoresOrRefusesRestSendsTheWholeFileInTheSameRun)
{
    for (bool refuses : {false, true}) {
        SCOPED_TRACE(refuses);
        os.add_file(install + L"___korvex_update\\staged\\app.exe", "ap");  // an earlier run's part
        os.ftp_rest_ignored = !refuses;
        os.ftp_rest_refused = refuses;
        ASSERT_EQ(run_update().what, update::result::finished);
        EXPECT_EQ(os.content(install + L"app.exe"), "app 2");
        EXPECT_EQ(os.content(install + L"bin\\core.dll"), "core 2");
        // Asked from byte 2, then again from byte 0.
        std::vector<std::uint64_t> from;
        for (const auto& call : os.ftp_calls)
            if (call.server_path == live + L"app.exe") from.push_back(call.from);
        EXPECT_EQ(from, (std::vector<std::uint64_t>{2, 0}));
        // Back to release 1 for the next round.
        os.add_file(install + L"app.exe", "app 1");
        os.ftp_calls.clear();
    }
}

TEST_F(UpdatePromises, TwoLinesThatDifferOnlyInCyrillicCaseAreOneFile)
{
    const std::wstring upper = L"\u0414\u0430\u043d\u043d\u044b\u0435/a.txt", lower = L"\u0434\u0430\u043d\u043d\u044b\u0435/a.txt";
    os.ftp_files[live + upper] = "first";
    os.ftp_files[live + lower] = "second";
    const std::string text = "\xEF\xBB\xBF" + wide_to_utf8(listed_line(upper, "first") + L"\r\n" +
                                                          listed_line(lower, "second") + L"\r\n");
    os.ftp_files[list] = text;
    ASSERT_EQ(run_update().what, update::result::finished);
    EXPECT_EQ(files_fetched(), (lines{upper}));
    EXPECT_EQ(os.content(install + lower), "first");
    // The fake folds as Windows does for Greek too, final sigma included.
    EXPECT_EQ(os.fold_name_case(L"\u03a3\u03bf\u03c6\u03af\u03b1\u03c2"), os.fold_name_case(L"\u03c3\u039f\u03a6\u038a\u0391\u03a3"));
}

TEST_F(UpdatePromises, AnUndoFindsItsWayPastAFileMadeAnewAndNamesTheFileItCannotMove)
{
    const auto before = installed();
    // Cut between the two moves of app.exe; its program makes a fresh one before the next start.
    fail_move(2, [] { throw power_cut{}; });
    EXPECT_THROW(run_update(), power_cut);
    os.on_move = nullptr;
    os.add_file(install + L"app.exe", "made anew");
    EXPECT_EQ(update::recover_interrupted_update(os, install, ui_language::english),
              L"An interrupted update was undone; start Internet update again.");
    EXPECT_EQ(installed(), before);

    // A step of the undo that fails says which file it was.
    fail_move(2, [] { throw power_cut{}; });
    EXPECT_THROW(run_update(), power_cut);
    os.on_move = [this](const std::wstring& from, const std::wstring&) {
        if (from.find(L"aside") != std::wstring::npos) os.fail_with(win_error::access_denied);
    };
    EXPECT_EQ(update::recover_interrupted_update(os, install, ui_language::english),
              L"An interrupted update could not be undone yet: app.exe: Access is denied. It is undone at the next "
              L"start of the program.");
}

TEST_F(UpdatePromises, ShortAliasesOfTheProgramAndTheStagingFolderAreRefusedAsTheirLongNames)
{
    os.add_alias(install + L"RUN_TH~1.EXE", install + L"run_this_first.exe");
    os.add_folder(install + L"___korvex_update");
    os.add_alias(install + L"___KOR~1", install + L"___korvex_update");
    publish({{L"app.exe", "app 2"}, {L"RUN_TH~1.EXE", "another program"}, {L"___KOR~1/journal.txt", "a journal"}});
    page.Button4Click();
    EXPECT_EQ(os.content(install + L"run_this_first.exe"), "setup program");
    EXPECT_EQ(files_fetched(), (lines{L"app.exe"}));
    EXPECT_NE(std::find(view.info.begin(), view.info.end(),
                        L"!!! Skipped a path of the server's file list that is no safe file name inside the program folder: "
                        L"___KOR~1/journal.txt"),
              view.info.end());
}

TEST_F(UpdatePromises, AProgramOrDllThatARunningProgramHasLoadedIsInUse)
{
    const auto before = installed();
    os.loaded_images.insert(install + L"BIN\\core.dll");
    os.retry_answers = {false};
    page.Button4Click();
    ASSERT_EQ(os.retry_questions.size(), 1u);
    EXPECT_NE(os.retry_questions[0].find(L"bin\\core.dll"), std::wstring::npos) << os.to_ansi(os.retry_questions[0]);
    EXPECT_EQ(installed(), before);
    // This program's own image is no other program's.
    EXPECT_EQ(os.loaded_by_programs({os.program, install + L"bin\\core.dll"}), (lines{install + L"bin\\core.dll"}));
}

}  // namespace
}  // namespace qs
