#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "basics/text_files.h"
#include "platform/fake/md5.h"
#include "setup_main/install/record.h"
#include "setup_main/server_paths.h"
#include "tests/support/update_fixture.h"

namespace qs {
namespace {
using test::listed_line;
using test::lines;

TEST(ServerPaths, AcceptOnlyPlainRelativePathsInsideTheFolder)
{
    for (const wchar_t* good : {L"a.txt", L"sub/x.dll", L"a/b/c/d.e", L".hidden", L"name with blanks.txt",
                                L"icon/con_file", L"CONSOLE.txt", L"COM10", L"\u00e4/\u00f6.txt", L"a..b"})
        EXPECT_TRUE(is_safe_relative_path(good)) << std::string(good, good + wcslen(good));
    for (const wchar_t* bad : {L"", L"../x", L"a/../../x", L"..", L".", L"a/./b", L"/etc/passwd", L"//server/share/x",
                               L"\\\\server\\share\\x", L"C:/x", L"C:x", L"c:\\x", L"sub\\..\\..\\x", L"a\\b",
                               L"file.txt:stream", L"a//b", L"a/", L"trailing.", L"dir./x", L"blank ", L"CON",
                               L"nul.txt", L"sub/Com1", L"LPT9.log", L"aux", L"conin$", L"a\tb", L"a*b", L"a?b",
                               L"a<b", L"a|b", L"a\"b"})
        EXPECT_FALSE(is_safe_relative_path(bad)) << std::string(bad, bad + wcslen(bad));
    EXPECT_FALSE(is_safe_relative_path(std::wstring(241, L'x')));
    EXPECT_TRUE(is_safe_relative_path(std::wstring(240, L'x') + L"/" + std::wstring(240, L'y')));
    EXPECT_FALSE(is_safe_relative_path(std::wstring(L"a\0b", 3)));
    // A surrogate half alone names no character (the journal could not name the file); a pair does.
    for (const std::wstring& lone : {std::wstring{L'a', wchar_t(0xD800), L'b'}, std::wstring{wchar_t(0xDC00)},
                                     std::wstring{L's', L'/', wchar_t(0xDBFF)}})
        EXPECT_FALSE(is_safe_relative_path(lone));
    EXPECT_TRUE(is_safe_relative_path(std::wstring{L'a', wchar_t(0xD83D), wchar_t(0xDE00), L'.', L't'}));
}

TEST(ServerPaths, LivePathAndOwnExecutable)
{
    EXPECT_EQ(live_path(L"MyApp", L"sub/x.dll"), L"/public/live/MyApp/sub/x.dll");
    EXPECT_TRUE(is_own_executable(L"Run_This_First.EXE"));
    EXPECT_FALSE(is_own_executable(L"tools/run_this_first.exe"));
    EXPECT_FALSE(is_own_executable(L"run_this_first.exe.bak"));
    const ftp_account account = update_server_account();
    EXPECT_EQ(account.user, L"login-5203");
    EXPECT_EQ(account.password, L"muhTaK*R");
}

class InternetUpdateTest : public test::fake_update_test {};

TEST_F(InternetUpdateTest, FetchesOnlyDifferingFilesWithEveryProgressText)
{
    os.add_file(install + L"same.txt", "same");
    os.add_file(install + L"sub\\x.dll", "old dll");
    os.add_file(install + L"local_only.txt", "mine");
    publish({{L"same.txt", "same"}, {L"sub/x.dll", "new dll"}, {L"added.txt", "added"}});

    page.Button4Click();

    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(fetched(), (lines{live + L"___korvex_file_list.txt", live + L"added.txt", live + L"sub/x.dll"}));
    // Every file arrives in the staging folder first; the list comes into memory.
    EXPECT_EQ(os.ftp_calls[0].local_path, L"");
    EXPECT_EQ(os.ftp_calls[1].local_path, install + L"___korvex_update\\staged\\added.txt");
    EXPECT_EQ(os.ftp_calls[2].local_path, install + L"___korvex_update\\staged\\sub\\x.dll");
    EXPECT_EQ(os.ftp_calls[0].account.user, L"login-5203");
    EXPECT_EQ(os.content(install + L"sub\\x.dll"), "new dll");
    EXPECT_EQ(os.content(install + L"added.txt"), "added");
    EXPECT_EQ(os.content(install + L"local_only.txt"), "mine");
    EXPECT_EQ(view.progress_texts,
              (lines{L"... getting remote file list ...",
                     L"Remote file list has arrived. Generating local file list ... be patient!",
                     L"Local file list finished!", L"Getting file 1 of 2 files: " + live + L"added.txt",
                     L"Getting file 2 of 2 files: " + live + L"sub/x.dll", L"Update finished"}));
    ASSERT_EQ(os.messages.size(), 1u);
    const std::wstring& box = os.messages[0];
    EXPECT_EQ(box.rfind(L"Files to delete:\n\r", 0), 0u);
    for (const wchar_t* path : {L"local_only.txt\r\n", L"sub/x.dll\r\n", L"run_this_first.exe\r\n",
                                L"___korvex_file_list_remote.txt\r\n"})
        EXPECT_NE(box.find(path), std::wstring::npos);
    EXPECT_EQ(box.find(L"same.txt"), std::wstring::npos);
    EXPECT_FALSE(staging_folder_exists());  // an unsigned list leaves no release to record
    // The plan files hold the full lines.
    EXPECT_EQ(load_lines(os, install + L"___files_to_get.txt"),
              (lines{listed_line(L"added.txt", "added"), listed_line(L"sub/x.dll", "new dll")}));
}

TEST_F(InternetUpdateTest, SkipsOnlyTheTopLevelSetupProgramButCountsIt)
{
    publish({{L"Run_This_First.EXE", "newer setup"}, {L"tools/run_this_first.exe", "tool"}, {L"z.txt", "z"}});
    page.Button4Click();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(os.content(install + L"run_this_first.exe"), "setup program");
    EXPECT_EQ(os.content(install + L"tools\\run_this_first.exe"), "tool");
    EXPECT_EQ(fetched(), (lines{live + L"___korvex_file_list.txt", live + L"tools/run_this_first.exe", live + L"z.txt"}));
    EXPECT_EQ(std::count_if(view.progress_texts.begin(), view.progress_texts.end(),
                            [](const std::wstring& t) { return t.rfind(L"Getting file ", 0) == 0; }),
              3);
    EXPECT_NE(std::find(view.progress_texts.begin(), view.progress_texts.end(),
                        L"Getting file 1 of 3 files: " + live + L"Run_This_First.EXE"),
              view.progress_texts.end());
}

TEST_F(InternetUpdateTest, NoFilesToGetMakesNoConnectionAfterTheList)
{
    os.add_file(install + L"a.txt", "a");
    publish({{L"a.txt", "a"}});
    page.Button4Click();
    EXPECT_EQ(fetched(), (lines{live + L"___korvex_file_list.txt"}));
    EXPECT_EQ(view.progress_texts.back(), L"Update finished");
    ASSERT_EQ(os.messages.size(), 1u);
    EXPECT_EQ(view.progress_texts.size(), 4u);
}

TEST_F(InternetUpdateTest, AnUnreachableServerGivesOnlyTheMessageAndTouchesNothing)
{
    os.add_file(install + L"___korvex_file_list_remote.txt", "old remote list");
    os.add_file(install + L"a.txt", "a");
    const lines before = os.tree(L"D:\\Setup\\Sample");
    os.ftp_unreachable = true;
    page.Button4Click();
    EXPECT_EQ(os.messages, (lines{L"Remote file list not accessible - try again later."}));
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(view.progress_texts, (lines{L"... getting remote file list ..."}));
    EXPECT_EQ(os.tree(L"D:\\Setup\\Sample"), before);
    EXPECT_EQ(os.content(install + L"___korvex_file_list_remote.txt"), "old remote list");
}

TEST_F(InternetUpdateTest, ABrokenListTransferKeepsTheOldRemoteList)
{
    os.add_file(install + L"___korvex_file_list_remote.txt", "old remote list");
    os.ftp_breaks[live + L"___korvex_file_list.txt"] = 0;
    page.Button4Click();
    EXPECT_EQ(os.messages, (lines{L"Remote file list not accessible - try again later."}));
    EXPECT_EQ(os.content(install + L"___korvex_file_list_remote.txt"), "old remote list");
    EXPECT_FALSE(staging_folder_exists());
}

TEST_F(InternetUpdateTest, BrokenOrWrongBytesOrALockedTargetChangeNothing)
{
    struct fault { const char* name; std::function<void(fake::fake_platform&, const std::wstring&)> inject; const wchar_t* says; };
    const std::wstring resume_later = L"Nothing has been changed. The next Internet update continues where this one stopped.";
    const std::vector<fault> faults = {
        {"broken", [](fake::fake_platform& f, const std::wstring& p) { f.ftp_breaks[p] = 2; },
         L"b.txt: 426 Connection closed; transfer aborted.\r\n"},
        {"other bytes", [](fake::fake_platform& f, const std::wstring& p) { f.ftp_files[p] = "evil!"; },
         L"b.txt: 5 bytes with MD5 "},
        {"more bytes", [](fake::fake_platform& f, const std::wstring& p) { f.ftp_files[p] = "evil byte"; },
         L"b.txt: The server sent more than the 5 bytes its file list gives - the installed file was left as it was.\r\n"},
        {"refused", [](fake::fake_platform& f, const std::wstring& p) { f.ftp_files.erase(p); }, L"b.txt: 550 "},
        {"locked target", [this](fake::fake_platform& f, const std::wstring&) { f.unwritable.insert(install + L"b.txt"); },
         L"b.txt: Access is denied.\r\nNothing has been changed."},
    };
    for (const fault& each : faults) {
        SCOPED_TRACE(each.name);
        os = fake::fake_platform{};
        view = fake::fake_view{};
        SetUp();
        os.add_file(install + L"a.txt", "old a");
        os.add_file(install + L"b.txt", "old b");
        publish({{L"a.txt", "new a"}, {L"b.txt", "new b"}});
        each.inject(os, live + L"b.txt");
        const auto before = installed();

        page.Button4Click();

        ASSERT_EQ(os.errors.size(), 1u);
        EXPECT_EQ(os.errors[0].rfind(each.says, 0), 0u) << os.to_ansi(os.errors[0]);
        if (std::string(each.name) != "locked target") {
            EXPECT_EQ(os.errors[0].substr(os.errors[0].size() - resume_later.size()), resume_later);
        }
        EXPECT_EQ(installed(), before);  // a.txt arrived too, and waits in the staging folder
        EXPECT_TRUE(os.messages.empty());  // no files-to-delete box
        EXPECT_EQ(view.progress_texts.back(), L"Getting file 2 of 2 files: " + live + L"b.txt");
        EXPECT_EQ(view.task_states, (std::vector<std::string>{"progress", "failed", "none"}));
    }
}

TEST_F(InternetUpdateTest, UnsafeServerPathsAreReportedAndSkipped)
{
    publish({{L"good.txt", "good"}},
            {listed_line(L"../outside.txt", "x"), listed_line(L"C:/Windows/evil.dll", "x"),
             listed_line(L"sub\\..\\..\\x", "x"), listed_line(L"NUL", "x"), listed_line(L"dot./x", "x")});
    page.Button4Click();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(fetched(), (lines{live + L"___korvex_file_list.txt", live + L"good.txt"}));
    EXPECT_EQ(os.content(install + L"good.txt"), "good");
    EXPECT_EQ(view.info.size(), 5u);
    for (const wchar_t* path : {L"../outside.txt", L"C:/Windows/evil.dll", L"sub\\..\\..\\x", L"NUL", L"dot./x"}) {
        const std::wstring wanted =
            L"!!! Skipped a path of the server's file list that is no safe file name inside the program folder: " +
            std::wstring(path);
        EXPECT_NE(std::find(view.info.begin(), view.info.end(), wanted), view.info.end());
    }
    EXPECT_FALSE(os.has_file(L"D:\\Setup\\outside.txt"));
    EXPECT_EQ(view.progress_texts.back(), L"Update finished");
}

TEST_F(InternetUpdateTest, FoldersThatExistOnlyOnTheServerAreCreatedInside)
{
    publish({{L"new/deeper/file.txt", "content"}});
    page.Button4Click();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(os.content(install + L"new\\deeper\\file.txt"), "content");
    EXPECT_EQ(std::count_if(os.created_directories.begin(), os.created_directories.end(),
                            [this](const std::wstring& d) { return d.rfind(install + L"new", 0) == 0; }),
              2);
    EXPECT_FALSE(staging_folder_exists());
}

TEST_F(InternetUpdateTest, ClicksDuringTheRunAreIgnored)
{
    publish({{L"a.txt", "a"}});
    int nested = 0;
    view.on_progress = [&] {
        ++nested;
        page.Button5Click();  // would ask for a folder, which the fake has no answer for
        page.Button4Click();
        page.copy_buttonClick();
    };
    page.Button4Click();
    EXPECT_GT(nested, 3);
    EXPECT_TRUE(os.browses.empty());
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(fetched(), (lines{live + L"___korvex_file_list.txt", live + L"a.txt"}));
    EXPECT_FALSE(page.task_running());
}

TEST_F(InternetUpdateTest, AServerListBeyondTheLimitsIsRefusedBeforeAnythingIsFetched)
{
    std::wstring deep;
    for (int level = 0; level < 65; ++level) deep += L"d/";
    struct hostile { const char* name; lines extra; const wchar_t* says; };
    const std::vector<hostile> lists = {
        {"long line", {std::wstring(32 * 1024 + 1, L'x')},
         L"Line 2 of the update server's file list is longer than 32 KiB - the update was stopped."},
        {"deep path", {listed_line(deep + L"x.txt", "x")},
         L"Line 2 of the update server's file list names a path of more than 64 levels - the update was stopped."},
    };
    for (const hostile& each : lists) {
        SCOPED_TRACE(each.name);
        os.errors.clear();
        os.ftp_calls.clear();
        publish({{L"a.txt", "new a"}}, each.extra);
        page.Button4Click();
        EXPECT_EQ(os.errors, (lines{each.says}));
        EXPECT_EQ(fetched(), (lines{live + L"___korvex_file_list.txt"}));
        EXPECT_FALSE(os.has_file(install + L"a.txt"));
    }
    // The list itself is fetched with its cap, and a larger one is refused with its own text.
    os.errors.clear();
    os.ftp_files[live + L"___korvex_file_list.txt"] = std::string((64u << 20) + 1, 'x');
    page.Button4Click();
    EXPECT_EQ(os.ftp_calls.back().max_bytes, 64u << 20);
    EXPECT_EQ(os.errors, (lines{L"The file list of the update server is larger than 64 MiB - the update was stopped."}));
    EXPECT_FALSE(staging_folder_exists());
}

TEST_F(InternetUpdateTest, ALineWithoutReadableDigestOrSizeIsNotFetched)
{
    publish({{L"good.txt", "good"}}, {L"bad.txt\tnot-a-digest\t4", L"nosize.txt\t" + fake::md5_hex("four") + L"\t"});
    os.ftp_files[live + L"bad.txt"] = "evil";
    os.ftp_files[live + L"nosize.txt"] = "four";
    page.Button4Click();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(fetched(), (lines{live + L"___korvex_file_list.txt", live + L"good.txt"}));
    EXPECT_EQ(view.info,
              (lines{L"!!! Skipped a line of the server's file list whose MD5 or size cannot be read, so that nothing "
                     L"could check its file: bad.txt\tnot-a-digest\t4",
                     L"!!! Skipped a line of the server's file list whose MD5 or size cannot be read, so that nothing "
                     L"could check its file: nosize.txt\t" + fake::md5_hex("four") + L"\t"}));
    EXPECT_FALSE(os.has_file(install + L"bad.txt"));
}

// ---- a build with the maker's key: the list counts only with the maker's signature

class SignedUpdateTest : public InternetUpdateTest {
protected:
    static ecdsa_p256_public_key key_of(std::uint8_t n)
    {
        ecdsa_p256_public_key key{};
        key.fill(n);
        return key;
    }
    const ecdsa_p256_public_key maker = key_of(1);

    void SetUp() override
    {
        InternetUpdateTest::SetUp();
        page.update_signing_key = maker;
    }
};

TEST_F(SignedUpdateTest, AListSignedByTheMakerRunsTheUpdateAndKeepsItsSignature)
{
    os.add_file(install + L"a.txt", "old a");
    publish({{L"a.txt", "new a"}, {L"sub/b.txt", "b"}});
    sign_list(maker);

    page.Button4Click();

    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(fetched(), (lines{list, signature, live + L"a.txt", live + L"sub/b.txt"}));
    // The signature covers its two lines and the list's bytes.
    EXPECT_EQ(os.verified_data, (std::vector<std::vector<std::uint8_t>>{
                                    fake::bytes_of("application: MyApp\r\nrelease: 1\r\n" + os.ftp_files[list])}));
    EXPECT_EQ(os.content(install + L"a.txt"), "new a");
    EXPECT_EQ(os.content(install + L"sub\\b.txt"), "b");
    EXPECT_EQ(os.content(install + L"___korvex_file_list_remote.txt"), os.ftp_files[list]);
    EXPECT_EQ(os.content(install + L"___korvex_file_list_remote.txt.sig"), os.ftp_files[signature]);
    EXPECT_EQ(view.progress_texts.back(), L"Update finished");
    // The staging folder keeps only the record of the release installed.
    EXPECT_EQ(os.tree(install + L"___korvex_update"), (lines{L"release.txt"}));
    EXPECT_EQ(os.content(install + L"___korvex_update\\release.txt"), "1\r\n");
}

TEST_F(SignedUpdateTest, AListWithoutTheMakersSignatureStopsTheUpdateAndChangesNothing)
{
    const std::wstring not_signed =
        L"The file list of the update server is not signed by Korvex Hard- and Software - the update was stopped.";
    // A signature that does not match is fetched once more, with its list, after a pause (an upload
    // of a release in progress); one that is missing or cannot be read is not.
    struct refusal { const char* name; std::function<void()> serve; ui_language language; std::wstring says; int fetches = 1; };
    const std::vector<refusal> refusals = {
        {"changed after signing",
         [this] {
             sign_list(maker);
             os.ftp_files[list] += "evil.dll\t0CC175B9C0F1B6A831C399E269772661\t1\r\n";
         }, ui_language::english, not_signed, 2},
        {"signed by another key", [this] { sign_list(key_of(2)); }, ui_language::english, not_signed, 2},
        {"no signature", [] {}, ui_language::german, not_signed},
        {"signature refused",
         [this] {
             sign_list(maker);
             os.ftp_errors[signature] = L"550 Permission denied.";
         }, ui_language::english, not_signed},
        {"no DER", [this] { os.ftp_files[signature] = "signed, honestly"; }, ui_language::english, not_signed, 2},
        {"far too large", [this] { os.ftp_files[signature] = std::string(5000, '\x30'); }, ui_language::english,
         not_signed},
        {"heading changed after signing",
         [this] {
             sign_list(maker);
             os.ftp_files[signature].replace(os.ftp_files[signature].find("release: 1"), 10, "release: 9");
         }, ui_language::english, not_signed, 2},
        // A line that breaks is no proof of anything: the user should try again.
        {"broken signature transfer",
         [this] {
             sign_list(maker);
             os.ftp_breaks[signature] = 10;
         }, ui_language::english, L"Remote file list not accessible - try again later."},
        {"signed for another application", [this] { sign_list(maker, L"OtherApp", 1); }, ui_language::english,
         L"The file list of the update server is for another application - the update was stopped."},
        {"an older release",
         [this] {
             sign_list(maker, L"myapp", 6);
             os.add_file(install + L"___korvex_update\\release.txt", "7\r\n");
         }, ui_language::german, L"The update server offers an older release (6) than the one installed (7) - the update was stopped."},
    };
    for (const refusal& each : refusals) {
        SCOPED_TRACE(each.name);
        os = fake::fake_platform{};
        view = fake::fake_view{};
        page.language = each.language;
        os.add_file(install + L"run_this_first.exe", "setup program");
        os.add_file(install + L"a.txt", "old a");
        // The working files of the last run.
        os.add_file(install + L"___korvex_file_list_remote.txt", "last run's list");
        os.add_file(install + L"___korvex_file_list_remote.txt.sig", "last run's signature");
        os.add_file(install + L"___files_to_get.txt", "last run's plan");
        publish({{L"a.txt", "new a"}, {L"b.txt", "b"}});
        each.serve();
        const auto before = snapshot();

        page.Button4Click();

        EXPECT_EQ(os.messages, (lines{each.says}));
        EXPECT_TRUE(os.errors.empty());
        EXPECT_EQ(fetched(), each.fetches == 2 ? (lines{list, signature, list, signature}) : (lines{list, signature}));
        EXPECT_EQ(std::count(os.sleeps.begin(), os.sleeps.end(), 2000u), each.fetches - 1);
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(view.progress_texts, (lines{L"... getting remote file list ..."}));
    }
}

TEST_F(SignedUpdateTest, AnUnreachableListIsReportedAsBeforeWithoutAskingForTheSignature)
{
    publish({{L"a.txt", "a"}});
    sign_list(maker);
    os.ftp_breaks[list] = 0;
    const auto before = snapshot();
    page.Button4Click();
    EXPECT_EQ(os.messages, (lines{L"Remote file list not accessible - try again later."}));
    EXPECT_EQ(fetched(), (lines{list}));
    EXPECT_EQ(snapshot(), before);
}

TEST_F(SignedUpdateTest, ASignedListStillChecksEveryLineAndEveryFile)
{
    os.add_file(install + L"a.txt", "old a");
    publish({{L"a.txt", "new a"}}, {L"0.txt\tnot a digest\t3"});
    os.ftp_files[live + L"a.txt"] = "other";
    os.ftp_files[live + L"0.txt"] = "000";
    sign_list(maker);

    page.Button4Click();

    EXPECT_EQ(fetched(), (lines{list, signature, live + L"a.txt"}));
    EXPECT_EQ(view.info, (lines{L"!!! Skipped a line of the server's file list whose MD5 or size cannot be read, so "
                                L"that nothing could check its file: 0.txt\tnot a digest\t3"}));
    ASSERT_EQ(os.errors.size(), 1u);
    EXPECT_EQ(os.errors[0].rfind(L"a.txt: 5 bytes with MD5", 0), 0u);
    EXPECT_EQ(os.content(install + L"a.txt"), "old a");
    EXPECT_FALSE(os.has_file(install + L"0.txt"));
    EXPECT_EQ(staged(L"a.txt"), "");  // bytes that matched no line are not kept
}

TEST_F(SignedUpdateTest, ABuildWithoutAKeyNeverAsksForTheSignature)
{
    page.update_signing_key.reset();
    publish({{L"a.txt", "a"}});
    sign_list(key_of(2));
    page.Button4Click();
    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(fetched(), (lines{list, live + L"a.txt"}));
    EXPECT_TRUE(os.verified_data.empty());
    EXPECT_FALSE(os.has_file(install + L"___korvex_file_list_remote.txt.sig"));
    EXPECT_EQ(os.content(install + L"a.txt"), "a");
}

TEST_F(SignedUpdateTest, ACommittedReleaseIsTheReleaseAppsAndFeaturesShows)
{
    const std::wstring entry = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvex_MyApp";
    install::install_record(os, install).add({install::change::entry, {L"HKCU", entry}});
    os.set_registry_string(registry_root::current_user, entry, L"DisplayVersion", L"1");
    os.add_file(install + L"a.txt", "old a");
    publish({{L"a.txt", "new a"}});
    sign_list(maker, L"MyApp", 3);

    page.Button4Click();

    EXPECT_TRUE(os.errors.empty());
    EXPECT_EQ(os.registry_string(registry_root::current_user, entry, L"DisplayVersion"), L"3");
}

}  // namespace
}  // namespace qs
