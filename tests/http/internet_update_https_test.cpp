// The Internet update over HTTPS and HTTP with the real Win32 platform (WinHTTP) under Wine:
// nginx and tinyproxy on loopback ports of their own (tests/http/web_servers.sh), a test CA
// trusted in this prefix only, the sources chosen by the machine policy or /source=, the proxy
// by the user's Internet settings.

#include <windows.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "setup_main/command_line.h"
#include "setup_main/update/update_log.h"
#include "test_signing_keys.h"
#include "tests/ftp/ftp_fixture.h"

namespace qs::ftp_test {
namespace {

namespace fs = std::filesystem;

// Wine's crypt32 matches the certificate's DNS name, not its IP address: the HTTPS sources are
// named localhost.
const std::string https_source = "https://localhost:" + std::to_string(QS_TEST_HTTPS_PORT) + "/public/live/";
const std::string http_source = "http://127.0.0.1:" + std::to_string(QS_TEST_HTTP_PORT) + "/public/live/";
const std::string norange_source = "http://127.0.0.1:" + std::to_string(QS_TEST_NORANGE_PORT) + "/public/live/";
const std::string wrong_name_source = "https://localhost:" + std::to_string(QS_TEST_WRONG_NAME_PORT) + "/public/live/";
const std::string closed_source = "https://127.0.0.1:" + std::to_string(QS_TEST_CLOSED_PORT) + "/public/live/";
const std::string ftp_source = "ftp://127.0.0.1:" + std::to_string(build::update_server_port) + "/public/live/";

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

bool eventually(const std::function<bool()>& condition)
{
    for (int i = 0; i < 400; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return condition();
}

// The web servers of tests/http/web_servers.sh serving `root`, for one test.
class web_servers {
public:
    explicit web_servers(const fs::path& root) : state_(build_folder() / "web_servers")
    {
        fs::create_directories(state_);
        fs::remove(state_ / "access.log");
        std::wstring line = wide("/bin/bash " + std::string(QS_SOURCE_DIR_UNIX) + "/tests/http/web_servers.sh " +
                                 unix_path_of(state_) + " " + unix_path_of(root) + " " +
                                 std::to_string(QS_TEST_HTTPS_PORT) + " " + std::to_string(QS_TEST_HTTP_PORT) + " " +
                                 std::to_string(QS_TEST_NORANGE_PORT) + " " + std::to_string(QS_TEST_WRONG_NAME_PORT) +
                                 " " + std::to_string(QS_TEST_PROXY_PORT) + " " +
                                 std::to_string(QS_TEST_AUTH_PROXY_PORT) + " 120");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(L"Z:\\bin\\bash", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            throw std::runtime_error("cannot start web_servers.sh");
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        if (!eventually([this] { return fs::exists(state_ / "ready"); }))
            throw std::runtime_error("the web servers did not get ready");
        trust_the_test_ca();
    }
    ~web_servers()
    {
        write_bytes(state_ / "stop", "stop");
        eventually([this] { return !fs::exists(state_ / "ready"); });
    }
    web_servers(const web_servers&) = delete;
    web_servers& operator=(const web_servers&) = delete;

    // nginx's lines "GET <uri> <status> <bytes> range=<Range header> at=<end, s> took=<s>
    // conn=<connection>" of the files of MyApp.
    std::vector<std::string> requests() const
    {
        std::vector<std::string> out;
        std::istringstream log(read_bytes(state_ / "access.log"));
        for (std::string line; std::getline(log, line);)
            if (line.find("/MyApp/") != std::string::npos) out.push_back(line);
        return out;
    }
    // When the request of the first line with `part` began and ended (ms), and over which connection.
    struct timed_request {
        double began = 0, ended = 0;
        std::string connection;
    };
    timed_request timed(const std::string& part) const
    {
        for (const std::string& line : requests()) {
            if (line.find(part) == std::string::npos) continue;
            const auto at = line.find(" at="), took = line.find(" took="), conn = line.find(" conn=");
            timed_request request;
            request.ended = std::stod(line.substr(at + 4, took - at - 4)) * 1000;
            request.began = request.ended - std::stod(line.substr(took + 6, conn - took - 6)) * 1000;
            request.connection = line.substr(conn + 6);
            return request;
        }
        throw std::runtime_error("no request for " + part);
    }
    std::string proxy_log(const char* kind) const { return read_bytes(state_ / ("tinyproxy_" + std::string(kind) + ".log")); }

private:
    void trust_the_test_ca()
    {
        static bool trusted = false;
        if (trusted) return;
        std::wstring line = L"trust_test_ca.exe \"" + (state_ / "ca.der").wstring() + L"\"";
        const std::wstring exe = test::wine_path_of(QS_TRUST_TEST_CA_EXE);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            throw std::runtime_error("cannot start trust_test_ca.exe");
        WaitForSingleObject(info.hProcess, 30000);
        DWORD code = 1;
        GetExitCodeProcess(info.hProcess, &code);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        if (code != 0) throw std::runtime_error("trust_test_ca.exe failed with " + std::to_string(code));
        trusted = true;
    }

    fs::path state_;
};

const wchar_t* const policy_key = L"Software\\Policies\\Korvex\\QuickSetup";
const wchar_t* const connections_key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";

void set_policy(const std::string& sources)
{
    const std::wstring value = wide(sources);
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, policy_key, L"UpdateSource", REG_SZ, value.c_str(),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

// The user's Internet settings as Windows stores them: a named proxy and its bypass list, or
// none (direct).
void set_user_proxy(const std::string& proxy, const std::string& bypass = "")
{
    std::string blob;
    auto dword = [&blob](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) blob += static_cast<char>(v >> (8 * i) & 0xFF);
    };
    dword(0x46);
    dword(2);
    dword(proxy.empty() ? 1 : 3);  // direct, and the named proxy when there is one
    dword(static_cast<std::uint32_t>(proxy.size()));
    blob += proxy;
    dword(static_cast<std::uint32_t>(bypass.size()));
    blob += bypass;
    dword(0);  // no script
    blob += std::string(32, '\0');
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, connections_key, L"DefaultConnectionSettings", REG_BINARY, blob.data(),
                              static_cast<DWORD>(blob.size())),
              ERROR_SUCCESS);
}

class HttpsUpdate : public update_test {
protected:
    HttpsUpdate() : update_test("https_") {}
    void TearDown() override
    {
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, policy_key, L"UpdateSource");
        set_user_proxy("");
    }
    // The default log of the runs by the button.
    std::string run_log() { return read_bytes(update::default_log_path(os)); }
    bool logged(const std::string& text) { return run_log().find(text) != std::string::npos; }
    std::string big = std::string(300000, 'b') + "end";
    void publish_release_2()
    {
        publish({{"a.txt", "new a"}, {"sub/Umlaut_\xE4\xF6\xFC.txt", "umlaut"}, {"big.bin", big}});
    }
    void expect_release_2()
    {
        EXPECT_TRUE(os.errors.empty()) << (os.errors.empty() ? "" : test::narrow(os.errors[0])) << run_log();
        EXPECT_EQ(read_bytes(install / "a.txt"), "new a");
        EXPECT_EQ(read_bytes(install / "sub" / L"Umlaut_\u00e4\u00f6\u00fc.txt"), "umlaut");
        EXPECT_TRUE(read_bytes(install / "big.bin") == big) << read_bytes(install / "big.bin").size() << " bytes";
    }
    // What an earlier run left: the first bytes of big.bin in the staging folder.
    void stage_part_of_big(std::size_t bytes)
    {
        make_folders((staging() / "staged").wstring());
        write_bytes(staging() / "staged" / "big.bin", big.substr(0, bytes));
    }
    static bool has(const std::vector<std::string>& lines, const std::string& part)
    {
        for (const auto& line : lines)
            if (line.find(part) != std::string::npos) return true;
        return false;
    }
};

TEST_F(HttpsUpdate, AFullUpdateResumesWithRangeAndEncodesNames)
{
    publish_release_2();
    stage_part_of_big(100000);
    web_servers servers(root);
    set_policy(https_source);
    page.Button4Click();
    expect_release_2();
    const auto requests = servers.requests();
    EXPECT_TRUE(has(requests, "GET /public/live/MyApp/big.bin 206 200003 range=bytes=100000-")) << test::narrow(wide(run_log()));
    EXPECT_TRUE(has(requests, "GET /public/live/MyApp/sub/Umlaut_%C3%A4%C3%B6%C3%BC.txt 200 6"));
    EXPECT_TRUE(logged("File list from " + https_source));
    EXPECT_TRUE(logged("Fetched big.bin from byte 100000: 300003 bytes"));
}

TEST_F(HttpsUpdate, TheFilesShareUpToFourConnectionsKeptAlive)
{
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 24; ++i) files.push_back({"f" + std::to_string(i) + ".txt", std::string(3000 + i, 'x')});
    publish(files);
    web_servers servers(root);
    set_policy(https_source);
    page.Button4Click();
    EXPECT_TRUE(os.errors.empty()) << (os.errors.empty() ? "" : test::narrow(os.errors[0]));
    EXPECT_EQ(read_bytes(install / "f23.txt"), std::string(3023, 'x'));
    std::map<std::string, int> requests_per_connection;
    for (const auto& line : servers.requests()) ++requests_per_connection[line.substr(line.rfind(" conn="))];
    std::string seen;
    for (const auto& [connection, count] : requests_per_connection) seen += connection + " served " + std::to_string(count) + ";";
    // 25 requests and more (the list, the files, the connections' openings) over at most four
    // connections: kept alive. One opened ahead may serve only its opening, when the others have
    // emptied the queue by the time it is up.
    EXPECT_GT(requests_per_connection.size(), 1u) << seen;
    EXPECT_LE(requests_per_connection.size(), 4u) << seen;
}

// The signature of a signed list goes out while the list still arrives, over a connection of its
// own: the list costs one round trip, not two. The list is made long enough that the slow
// location (20 KB/s) spreads it over half a second.
TEST_F(HttpsUpdate, TheSignatureIsFetchedWhileTheListArrives)
{
    page.update_signing_key = test_keys::maker_public;
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 400; ++i) files.push_back({"a_file_with_a_name_long_enough_for_a_long_list_" + std::to_string(i) + ".txt", "x"});
    publish(files);
    ASSERT_GT(fs::file_size(live / "___korvex_file_list.txt"), 30000u);
    sign_with_openssl(test_keys::maker_private, live / "___korvex_file_list.txt", live / "___korvex_file_list.txt.sig",
                      L"MyApp", 3);
    web_servers servers(root);
    set_policy("http://127.0.0.1:" + std::to_string(QS_TEST_HTTP_PORT) + "/slow/public/live/");
    page.Button4Click();
    EXPECT_TRUE(os.errors.empty()) << (os.errors.empty() ? "" : test::narrow(os.errors[0]));
    EXPECT_TRUE(logged("release 3; its signature was verified.")) << run_log();
    EXPECT_EQ(read_bytes(install / "a_file_with_a_name_long_enough_for_a_long_list_399.txt"), "x");
    const auto list = servers.timed("/___korvex_file_list.txt 200 ");
    const auto signature = servers.timed("/___korvex_file_list.txt.sig 200 ");
    EXPECT_GT(list.ended - list.began, 300) << "the list should take its time";
    EXPECT_GT(list.ended - signature.began, 200) << "ms from the signature's request to the list's end";
    // It never queues behind the list: it has a connection of its own, or it was over before the
    // list's request went out and left its connection idle for the list (a race loopback may win;
    // the log's times are whole milliseconds, hence the 2 ms).
    EXPECT_TRUE(signature.connection != list.connection || signature.ended <= list.began + 2)
        << "both over connection " << list.connection << "; the signature " << signature.began << " to "
        << signature.ended << " ms, the list " << list.began << " to " << list.ended << " ms";
}

TEST_F(HttpsUpdate, AServerThatIgnoresRangeStartsTheFileOver)
{
    publish_release_2();
    stage_part_of_big(100000);
    web_servers servers(root);
    set_policy(norange_source);
    page.Button4Click();
    expect_release_2();
    EXPECT_TRUE(has(servers.requests(), "GET /public/live/MyApp/big.bin 200 300003 range=bytes=100000-"));
    EXPECT_TRUE(logged("Fetched big.bin from byte 0: 300003 bytes"));
}

TEST_F(HttpsUpdate, UnreachableAndUntrustedSourcesFallBackToFtp)
{
    publish_release_2();
    web_servers servers(root);
    update_server ftp(root, {});
    set_policy(closed_source + ";" + wrong_name_source + ";" + ftp_source);
    page.Button4Click();
    expect_release_2();
    EXPECT_TRUE(logged("Source " + closed_source + " failed: A connection with the server could not be established"));
    EXPECT_TRUE(logged("Source " + wrong_name_source + " failed: The certificate of the update server is not valid: "));
    EXPECT_TRUE(logged("File list from " + ftp_source));
    EXPECT_FALSE(has(servers.requests(), "GET")) << "nothing is fetched past a certificate refused";
}

TEST_F(HttpsUpdate, ThroughTheUsersProxyWithConnect)
{
    publish_release_2();
    web_servers servers(root);
    set_user_proxy("127.0.0.1:" + std::to_string(QS_TEST_PROXY_PORT));
    set_policy(https_source);
    page.Button4Click();
    expect_release_2();
    EXPECT_NE(servers.proxy_log("open").find("CONNECT"), std::string::npos) << servers.proxy_log("open");

    // Plain http:// through the proxy is left out here: Wine's WinHTTP sends the first request to
    // a proxy with a relative path, which tinyproxy answers with 400.
}

TEST_F(HttpsUpdate, AProxyAskingForCredentialsFailsWithItsText)
{
    publish_release_2();
    web_servers servers(root);
    set_user_proxy("127.0.0.1:" + std::to_string(QS_TEST_AUTH_PROXY_PORT));
    set_policy(http_source);
    page.Button4Click();
    std::wstring shown;
    for (const auto& text : os.messages) shown += text;
    for (const auto& text : os.errors) shown += text;
    EXPECT_NE(shown.find(L"The proxy server asks for a user name and password."), std::wstring::npos) << test::narrow(shown);
    EXPECT_FALSE(fs::exists(install / "a.txt"));
}

TEST_F(HttpsUpdate, TheCommandLineChoosesAMirrorOverThePolicy)
{
    publish_release_2();
    write_bytes(install / "init_setup" / "application_name.txt", "MyApp\r\n");
    web_servers servers(root);
    set_policy(closed_source);
    const fs::path log = work / "update.log";
    const int code = run_without_windows(
        os, parse_command_line({L"/update", L"/log=" + log.wstring(), L"/source=" + wide(https_source)}));
    EXPECT_EQ(code, 0) << read_bytes(log);
    expect_release_2();
    EXPECT_EQ(read_bytes(log).find(closed_source), std::string::npos) << "the policy's source is never tried";
}

TEST_F(HttpsUpdate, NothingPastTheResumePointFetchesTheFileAgainFromItsStart)
{
    publish_release_2();
    stage_part_of_big(100000);
    write_bytes(live / "big.bin", big.substr(0, 50000));  // the server's file changed after the list was made
    web_servers servers(root);
    set_policy(https_source);
    page.Button4Click();
    const auto requests = servers.requests();
    EXPECT_TRUE(has(requests, "GET /public/live/MyApp/big.bin 416 "));
    EXPECT_TRUE(has(requests, "GET /public/live/MyApp/big.bin 200 50000 range=-"));
    EXPECT_TRUE(logged("Fetched big.bin from byte 0: 50000 bytes"));
    EXPECT_FALSE(fs::exists(install / "big.bin")) << "a file that does not match its line is never installed";
}

// Counts what arrives, from the transfer threads.
class counted_progress : public transfer_progress {
public:
    std::atomic<std::uint64_t> bytes{0};
    void started(std::size_t, std::uint64_t) override {}
    void arrived(std::size_t, std::uint64_t more) override { bytes += more; }
};

TEST_F(HttpsUpdate, AStopEndsATransferUnderWayAndKeepsWhatArrived)
{
    publish({{"big.bin", big}});
    web_servers servers(root);
    // nginx sends the same files below /slow/ at 20 KB/s: the file takes 15 s.
    const update_source slow{source_scheme::http, L"127.0.0.1", QS_TEST_HTTP_PORT, L"", L"", L"/slow/public/live/"};
    const std::unique_ptr<transfer_session> session = os.open_session(slow, {}, 60000);
    const fs::path local = work / "big.part";
    counted_progress progress;
    std::thread stopper([&] {
        eventually([&] { return progress.bytes > 0; });
        session->stop();
    });
    const std::vector<file_result> results =
        session->fetch_files({{L"/slow/public/live/MyApp/big.bin", local.wstring(), big.size(), 0}}, progress);
    stopper.join();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].state, file_state::stopped) << test::narrow(results[0].failure_text);
    const std::string part = read_bytes(local);
    EXPECT_GT(part.size(), 0u);
    EXPECT_LT(part.size(), big.size());
    EXPECT_EQ(big.rfind(part, 0), 0u) << "what arrived is the file's beginning";
    EXPECT_THROW(session->fetch(L"/public/live/MyApp/big.bin", 1 << 20), network_error) << "a stopped session fetches no more";
}

}  // namespace
}  // namespace qs::ftp_test
