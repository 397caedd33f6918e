// The FTP session against the real test server on 127.0.0.1, over POSIX sockets, into local
// files of the test's own folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "platform/call_with_deadline.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/md5.h"
#include "platform/ftp/pooled_session.h"
#include "platform/posix/posix_network.h"
#include "platform/utf8.h"
#include "tests/native/posix/local_ftp_server.h"

namespace qs {
namespace {
namespace fs = std::filesystem;
using native_ftp::local_ftp_server;
using strings = std::vector<std::string>;
using namespace std::chrono_literals;

std::string read_whole(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

[[noreturn]] void throw_local_errno() { throw ftp::local_file_error(utf8_to_wide(std::strerror(errno))); }

// The local files of the tests: POSIX files, digested as a whole once the transfer ends.
class posix_file : public ftp::local_file {
public:
    posix_file(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~posix_file() override { ::close(fd_); }
    void keep_first(std::uint64_t keep)
    {
        struct stat status {};
        if (::fstat(fd_, &status) != 0) throw_local_errno();
        size_ = std::min<std::uint64_t>(keep, static_cast<std::uint64_t>(status.st_size));
        if (::ftruncate(fd_, static_cast<off_t>(size_)) != 0 || ::lseek(fd_, static_cast<off_t>(size_), SEEK_SET) < 0)
            throw_local_errno();
    }
    std::uint64_t size() const override { return size_; }
    void write(const char* data, std::size_t size) override
    {
        for (std::size_t done = 0; done < size;) {
            const ssize_t written = ::write(fd_, data + done, size - done);
            if (written < 0) throw_local_errno();
            done += static_cast<std::size_t>(written);
        }
        size_ += size;
    }
    download_result finish() override
    {
        if (::fsync(fd_) != 0) throw_local_errno();
        return {size_, fake::md5_hex(read_whole(path_))};
    }

private:
    int fd_;
    std::string path_;
    std::uint64_t size_ = 0;
};

class posix_files : public ftp::local_files {
public:
    std::unique_ptr<ftp::local_file> open(const std::wstring& path, std::uint64_t keep) override
    {
        const std::string name = wide_to_utf8(path);
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) throw_local_errno();
        auto file = std::make_unique<posix_file>(fd, name);
        file->keep_first(keep);
        return file;
    }
};

// Files that one handle at a time may hold, as Windows' share mode 0 has it. The first handle of
// `held` is let go slowly, and every other file opens only once that has begun: a connection that
// could take the file up before its last transfer closed it would then find it still open.
class files_held_once : public ftp::local_files {
public:
    explicit files_held_once(std::string held) : held_(std::move(held)) {}
    int clashes() const
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        return clashes_;
    }

    std::unique_ptr<ftp::local_file> open(const std::wstring& path, std::uint64_t keep) override
    {
        const std::string name = wide_to_utf8(path);
        std::unique_lock<std::mutex> hold(mutex_);
        if (name != held_) changed_.wait_for(hold, 2s, [this] { return letting_go_; });
        if (open_.count(name) != 0) {
            ++clashes_;
            changed_.notify_all();
            throw ftp::local_file_error(L"The process cannot access the file because it is being used by another process.");
        }
        open_.insert(name);
        const bool slow = name == held_ && !held_once_;
        if (name == held_) held_once_ = true;
        hold.unlock();
        return std::make_unique<handle>(*this, name, slow, posix_files().open(path, keep));
    }

private:
    class handle : public ftp::local_file {
    public:
        handle(files_held_once& owner, std::string name, bool slow, std::unique_ptr<ftp::local_file> file)
            : owner_(owner), name_(std::move(name)), slow_(slow), file_(std::move(file))
        {
        }
        ~handle() override
        {
            file_.reset();
            std::unique_lock<std::mutex> hold(owner_.mutex_);
            if (slow_) {
                owner_.letting_go_ = true;
                owner_.changed_.notify_all();
                owner_.changed_.wait_for(hold, 1s, [this] { return owner_.clashes_ > 0; });
            }
            owner_.open_.erase(name_);
        }
        std::uint64_t size() const override { return file_->size(); }
        void write(const char* data, std::size_t size) override { file_->write(data, size); }
        download_result finish() override { return file_->finish(); }

    private:
        files_held_once& owner_;
        std::string name_;
        bool slow_;
        std::unique_ptr<ftp::local_file> file_;
    };

    const std::string held_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::set<std::string> open_;
    bool held_once_ = false;
    bool letting_go_ = false;
    int clashes_ = 0;
};

// What a session reports; the session makes the calls one at a time.
class recorded_progress : public ftp_progress {
public:
    std::vector<std::pair<std::size_t, std::uint64_t>> starts;  // index, from
    std::map<std::size_t, std::uint64_t> arrived_bytes;
    std::function<void(std::size_t)> on_start;

    void started(std::size_t index, std::uint64_t from) override
    {
        starts.emplace_back(index, from);
        if (on_start) on_start(index);
    }
    void arrived(std::size_t index, std::uint64_t bytes) override { arrived_bytes[index] += bytes; }
};

// Bytes that differ from one position to the next, so that a transfer resumed at the wrong byte shows.
std::string varied_bytes(std::size_t size, unsigned seed = 0)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251 + seed) % 256);
    return bytes;
}

std::size_t count_of(const strings& commands, const std::string& command)
{
    return static_cast<std::size_t>(std::count(commands.begin(), commands.end(), command));
}

std::size_t count_beginning(const strings& commands, const std::string& prefix)
{
    return static_cast<std::size_t>(
        std::count_if(commands.begin(), commands.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
}

const std::wstring live = L"/public/live/MyApp/";

class FtpSession : public ::testing::Test {
protected:
    fake::fake_platform codec;  // the ANSI code page of the fake is Latin-1
    recorded_progress progress;
    fs::path folder;

    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("qs_ftp_files_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::unique_ptr<ftp_session> open(const ftp_account& account,
                                      std::unique_ptr<ftp::local_files> files = std::make_unique<posix_files>())
    {
        return std::make_unique<ftp::pooled_session>(std::make_unique<posix::posix_network>(), std::move(files),
                                                     codec, account);
    }
    std::unique_ptr<ftp_session> open(const local_ftp_server& server, int timeout_ms = 3000)
    {
        return open(server.account(timeout_ms));
    }
    // The server file of that name in the live folder, into the local file of that name.
    ftp_file file(const std::string& name, std::uint64_t size, std::uint64_t resume_from = 0) const
    {
        return {live + utf8_to_wide(name), (folder / name).wstring(), size, resume_from};
    }
    std::string local(const std::string& name) const { return read_whole(folder / name); }
    static std::string text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }
};

void expect_fetched(const ftp_file_result& result, const std::string& content)
{
    EXPECT_EQ(result.state, ftp_file_state::fetched) << wide_to_utf8(result.failure_text);
    EXPECT_EQ(result.whole.size, content.size());
    EXPECT_EQ(result.whole.md5_hex, fake::md5_hex(content));
}

TEST_F(FtpSession, OneLoginServesTheListAndFileAfterFilePassiveFirst)
{
    // One connection per address: the connections the session tries beside the first are refused.
    local_ftp_server server({"--max-cons-per-ip", "1"});
    const std::string big = varied_bytes(200000);  // more than one read
    server.publish("list.txt", "the list");
    server.publish("a.bin", big);
    server.publish("b.txt", "b");
    server.publish("empty.dat", "");
    {
        const auto session = open(server);
        EXPECT_EQ(text(session->fetch(live + L"list.txt", 100)), "the list");
        const auto results = session->fetch_files({file("a.bin", big.size()), file("b.txt", 1), file("empty.dat", 0)}, progress);
        ASSERT_EQ(results.size(), 3u);
        expect_fetched(results[0], big);
        expect_fetched(results[1], "b");
        expect_fetched(results[2], "");
        for (const auto& r : results) EXPECT_EQ(r.resumed_from, 0u);
    }
    EXPECT_EQ(local("a.bin"), big);
    EXPECT_EQ(local("b.txt"), "b");
    EXPECT_TRUE(fs::exists(folder / "empty.dat"));
    EXPECT_EQ(progress.starts, (std::vector<std::pair<std::size_t, std::uint64_t>>{{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_EQ(progress.arrived_bytes[0], big.size());
    EXPECT_EQ(progress.arrived_bytes[1], 1u);
    EXPECT_EQ(server.commands(), (strings{"USER login-5203", "PASS ******", "FEAT", "TYPE I",
                                          "PASV", "RETR /public/live/MyApp/list.txt",
                                          "PASV", "RETR /public/live/MyApp/a.bin",
                                          "PASV", "RETR /public/live/MyApp/b.txt",
                                          "PASV", "RETR /public/live/MyApp/empty.dat", "QUIT"}));
}

TEST_F(FtpSession, FilesGoOverAsManyConnectionsAsTheServerTakes)
{
    local_ftp_server server({"--max-cons-per-ip", "2"});
    std::vector<ftp_file> files;
    std::vector<std::string> contents;
    for (unsigned i = 0; i < 8; ++i) {
        contents.push_back(varied_bytes(100000 + i, i));
        server.publish("f" + std::to_string(i) + ".bin", contents.back());
        files.push_back(file("f" + std::to_string(i) + ".bin", contents.back().size()));
    }
    {
        const auto session = open(server);
        const auto results = session->fetch_files(files, progress);
        ASSERT_EQ(results.size(), files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            SCOPED_TRACE(i);
            expect_fetched(results[i], contents[i]);
            EXPECT_EQ(local("f" + std::to_string(i) + ".bin"), contents[i]);
        }
    }
    EXPECT_EQ(count_of(server.commands(), "USER login-5203"), 2u);
    EXPECT_EQ(progress.starts.size(), files.size());
}

TEST_F(FtpSession, TwoFilesOfTheListForOneLocalFileAreFetchedOneAfterTheOther)
{
    local_ftp_server server;
    const std::string first = varied_bytes(400000, 1);
    const std::string second = varied_bytes(400000, 2);
    server.publish("first.bin", first);
    server.publish("second.bin", second);
    ftp_file into_the_same = file("second.bin", second.size());
    into_the_same.local_path = file("first.bin", 0).local_path;
    const auto results = open(server)->fetch_files({file("first.bin", first.size()), into_the_same}, progress);
    expect_fetched(results[0], first);
    expect_fetched(results[1], second);
    EXPECT_EQ(local("first.bin"), second);
}

TEST_F(FtpSession, ABrokenConnectionIsReplacedAndItsFileResumedWithRestUpToThreeTimes)
{
    local_ftp_server server({"--misbehave", "drop:100000@*/big.bin", "--misbehave", "drop:1000:9@*/never.bin",
                             "--misbehave", "stall@*/stall.bin"});
    const std::string big = varied_bytes(300000);
    server.publish("big.bin", big);
    server.publish("never.bin", varied_bytes(5000));
    server.publish("stall.bin", varied_bytes(5000));
    std::vector<ftp_file_result> results;
    {
        // A failure would keep later files from starting: the one that always breaks comes alone.
        const auto session = open(server, 600);
        results = session->fetch_files({file("big.bin", big.size()), file("stall.bin", 5000)}, progress);
        results.push_back(session->fetch_files({file("never.bin", 5000)}, progress).at(0));
    }
    ASSERT_EQ(results.size(), 3u);
    expect_fetched(results[0], big);
    EXPECT_EQ(local("big.bin"), big);
    const std::uint64_t resumed = results[0].resumed_from;
    EXPECT_GT(resumed, 0u);
    EXPECT_LE(resumed, 100000u);
    const strings commands = server.commands();
    EXPECT_EQ(count_of(commands, "REST " + std::to_string(resumed)), 1u);
    EXPECT_EQ(std::count(progress.starts.begin(), progress.starts.end(), std::make_pair(std::size_t{0}, resumed)), 1);

    // A file whose connection breaks every time, or whose transfer stalls, fails after its third
    // attempt with what ended that one.
    EXPECT_EQ(results[1].state, ftp_file_state::failed);
    EXPECT_EQ(results[1].failure, ftp_failure::server);
    EXPECT_EQ(results[1].failure_text, L"Connection timed out");
    EXPECT_EQ(count_of(commands, "RETR /public/live/MyApp/stall.bin"), 3u);
    EXPECT_EQ(results[2].state, ftp_file_state::failed);
    EXPECT_EQ(results[2].failure, ftp_failure::server);
    EXPECT_EQ(results[2].failure_text, L"The update server closed the connection before it confirmed the transfer.");
    EXPECT_EQ(count_of(commands, "RETR /public/live/MyApp/never.bin"), 3u);
}

// The connection that takes up a broken transfer may be another one, free at that moment: the
// broken transfer's file is closed before it is offered, or Windows would refuse to open it.
TEST_F(FtpSession, AFileWhoseConnectionBrokeIsClosedBeforeAnotherConnectionTakesItUp)
{
    local_ftp_server server({"--misbehave", "drop:100000@*/big.bin"});
    const std::string big = varied_bytes(300000);
    const std::string other = varied_bytes(20000, 1);
    server.publish("big.bin", big);
    server.publish("other.bin", other);
    auto files = std::make_unique<files_held_once>(wide_to_utf8((folder / "big.bin").wstring()));
    const files_held_once& seen = *files;  // the session's, so read while the session lives
    const auto session = open(server.account(3000), std::move(files));
    const auto results = session->fetch_files({file("big.bin", big.size()), file("other.bin", other.size())}, progress);
    ASSERT_EQ(results.size(), 2u);
    expect_fetched(results[0], big);
    EXPECT_GT(results[0].resumed_from, 0u);
    expect_fetched(results[1], other);
    EXPECT_EQ(seen.clashes(), 0) << "a connection opened the file while the broken transfer still held it";
    EXPECT_EQ(local("big.bin"), big);
}

TEST_F(FtpSession, PassiveRefusedActiveTakesOverForTheRestOfTheSession)
{
    local_ftp_server server({"--refuse-pasv", "--max-cons-per-ip", "1"});
    server.publish("list.txt", "active list");
    server.publish("a.txt", "active a");
    server.publish("b.txt", "active b");
    {
        const auto session = open(server);
        EXPECT_EQ(text(session->fetch(live + L"list.txt", 100)), "active list");
        const auto results = session->fetch_files({file("a.txt", 8), file("b.txt", 8)}, progress);
        expect_fetched(results[0], "active a");
        expect_fetched(results[1], "active b");
    }
    const strings commands = server.commands();
    EXPECT_EQ(count_of(commands, "PASV"), 1u);
    EXPECT_EQ(count_beginning(commands, "PORT 127,0,0,1,"), 3u);
}

TEST_F(FtpSession, AnActiveDataConnectionFromAForeignAddressIsWaitedPast)
{
    local_ftp_server server({"--refuse-pasv", "--foreign-data-first"});
    server.publish("a.txt", "the right bytes");
    const auto session = open(server);
    EXPECT_EQ(text(session->fetch(live + L"a.txt", 100)), "the right bytes");
    EXPECT_NE(server.log().find("foreign data connection to 127.0.0.1:"), std::string::npos);
}

TEST_F(FtpSession, APartialLocalFileIsResumedWhereTheServerCanAndStartedOverWhereNot)
{
    const std::string content = varied_bytes(150000);
    {
        local_ftp_server server;
        server.publish("a.bin", content);
        std::ofstream(folder / "a.bin", std::ios::binary) << content.substr(0, 50000) << "bytes past the resume point";
        const auto results = open(server)->fetch_files({file("a.bin", content.size(), 50000)}, progress);
        expect_fetched(results[0], content);
        EXPECT_EQ(results[0].resumed_from, 50000u);
        EXPECT_EQ(local("a.bin"), content);
        EXPECT_EQ(progress.arrived_bytes[0], 100000u);
        EXPECT_EQ(count_of(server.commands(), "REST 50000"), 1u);
    }
    {
        // A resumed transfer that the server breaks off keeps the bytes from before and from now.
        local_ftp_server server({"--misbehave", "cut:1000@*/a.bin"});
        server.publish("a.bin", content);
        std::ofstream(folder / "a.bin", std::ios::binary) << content.substr(0, 50000);
        const auto results = open(server)->fetch_files({file("a.bin", content.size(), 50000)}, progress);
        EXPECT_EQ(results[0].state, ftp_file_state::failed);
        EXPECT_EQ(results[0].resumed_from, 50000u);
        EXPECT_EQ(local("a.bin"), content.substr(0, 51000));
    }
    {
        // An old server lists no REST STREAM among its features.
        local_ftp_server server({"--ansi-server"});
        server.publish("a.bin", content);
        std::ofstream(folder / "a.bin", std::ios::binary) << std::string(50000, 'x');
        const auto results = open(server)->fetch_files({file("a.bin", content.size(), 50000)}, progress);
        expect_fetched(results[0], content);
        EXPECT_EQ(results[0].resumed_from, 0u);
        EXPECT_EQ(local("a.bin"), content);
        EXPECT_EQ(count_beginning(server.commands(), "REST"), 0u);
    }
}

TEST_F(FtpSession, ServerFailuresEndTheFileWithTheServersTextAndStartNoLaterFile)
{
    local_ftp_server server({"--misbehave", "550@*/gone.txt", "--misbehave", "cut:1000@*/cut.bin",
                             "--max-cons-per-ip", "1"});
    const std::string cut = varied_bytes(300000);
    server.publish("a.txt", "a");
    server.publish("c.txt", "c");
    server.publish("cut.bin", cut);
    server.publish("big.bin", cut);
    const auto session = open(server);
    auto results = session->fetch_files({file("a.txt", 1), file("gone.txt", 1), file("c.txt", 1)}, progress);
    ASSERT_EQ(results.size(), 3u);
    expect_fetched(results[0], "a");
    EXPECT_EQ(results[1].state, ftp_file_state::failed);
    EXPECT_EQ(results[1].failure, ftp_failure::server);
    EXPECT_EQ(results[1].failure_text, L"550 No such file or directory.");
    EXPECT_EQ(results[2].state, ftp_file_state::not_started);
    EXPECT_FALSE(fs::exists(folder / "c.txt"));

    // A transfer the server breaks off is not tried again; what arrived stays.
    results = session->fetch_files({file("cut.bin", cut.size())}, progress);
    EXPECT_EQ(results[0].state, ftp_file_state::failed);
    EXPECT_EQ(results[0].failure, ftp_failure::server);
    EXPECT_EQ(results[0].failure_text.substr(0, 4), L"426 ");
    EXPECT_EQ(local("cut.bin"), cut.substr(0, 1000));

    // More bytes than the file should have stop the transfer there.
    results = session->fetch_files({file("big.bin", 1000)}, progress);
    EXPECT_EQ(results[0].state, ftp_file_state::failed);
    EXPECT_EQ(results[0].failure, ftp_failure::too_large);
    EXPECT_EQ(results[0].failure_text, L"The update server sent more bytes than the file may have.");
    EXPECT_EQ(local("big.bin"), cut.substr(0, 1000));
    EXPECT_EQ(count_of(server.commands(), "RETR /public/live/MyApp/cut.bin"), 1u);
}

TEST_F(FtpSession, ALocalFileThatCannotBeOpenedFailsWithTheSystemsText)
{
    local_ftp_server server;
    server.publish("a.txt", "a");
    ftp_file nowhere = file("a.txt", 1);
    nowhere.local_path = (folder / "missing folder" / "a.txt").wstring();
    const auto results = open(server)->fetch_files({nowhere, file("a.txt", 1)}, progress);
    EXPECT_EQ(results[0].state, ftp_file_state::failed);
    EXPECT_EQ(results[0].failure, ftp_failure::local);
    EXPECT_EQ(results[0].failure_text, L"No such file or directory");
    EXPECT_EQ(results[1].state, ftp_file_state::not_started);
}

TEST_F(FtpSession, StopFromAnotherThreadEndsAStalledTransferAndEveryLaterFetch)
{
    local_ftp_server server({"--misbehave", "stall@*/stall.bin", "--max-cons-per-ip", "1"});
    server.publish("stall.bin", varied_bytes(5000));
    server.publish("later.txt", "later");
    // A time-out far beyond the test's: only the stop can end the transfer in time.
    const auto session = open(server, 600000);
    std::thread stopper;
    progress.on_start = [&](std::size_t) {
        if (stopper.joinable()) return;
        stopper = std::thread([&] {
            // Once the server has been asked for the file, the transfer waits for bytes that never come.
            while (server.log().find("fetch /public/live/MyApp/stall.bin") == std::string::npos)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            session->stop();
        });
    };
    const auto results = session->fetch_files({file("stall.bin", 5000), file("later.txt", 5)}, progress);
    stopper.join();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].state, ftp_file_state::stopped);
    EXPECT_EQ(results[1].state, ftp_file_state::not_started);
    EXPECT_THROW(session->fetch(live + L"later.txt", 100), network_error);
    EXPECT_EQ(session->fetch_files({file("later.txt", 5)}, progress)[0].state, ftp_file_state::not_started);
}

TEST_F(FtpSession, FetchIntoMemoryTellsRefusalsAndSizesFromBrokenConnections)
{
    local_ftp_server server;
    server.publish("list.txt", "0123456789");
    const auto session = open(server);
    EXPECT_EQ(text(session->fetch(live + L"list.txt", 10)), "0123456789");
    EXPECT_THROW(session->fetch(live + L"list.txt", 9), size_limit_error);
    try {
        session->fetch(live + L"gone.txt", 100);
        ADD_FAILURE() << "a missing file arrived";
    } catch (const server_refusal& e) {
        EXPECT_EQ(e.text(), L"550 No such file or directory.");
    }

    ftp_account wrong = server.account();
    wrong.password = L"guessed";
    try {
        open(wrong)->fetch(live + L"list.txt", 100);
        ADD_FAILURE() << "a wrong password logged in";
    } catch (const server_refusal& e) {
        EXPECT_EQ(e.text().substr(0, 4), L"530 ");
    }
}

TEST_F(FtpSession, NobodyListeningGivesTheSystemsText)
{
    ftp_account account;
    {
        local_ftp_server gone;
        account = gone.account(2000);
    }
    try {
        open(account)->fetch(live + L"list.txt", 100);
        ADD_FAILURE() << "connected to nobody";
    } catch (const network_error& e) {
        EXPECT_EQ(e.text(), L"Connection refused");
    }
    const auto results = open(account)->fetch_files({file("a.txt", 1), file("b.txt", 1)}, progress);
    EXPECT_EQ(results[0].state, ftp_file_state::failed);
    EXPECT_EQ(results[0].failure_text, L"Connection refused");
    EXPECT_EQ(results[1].state, ftp_file_state::not_started);
    EXPECT_TRUE(progress.starts.empty());
}

// A name server that gives first an address where nobody listens, then the server's.
class two_addresses : public posix::posix_network {
public:
    int lookups = 0;
    std::vector<std::uint32_t> resolve(const std::wstring&, deadline) override
    {
        ++lookups;
        return {0x7F000002, 0x7F000001};
    }
};

TEST_F(FtpSession, EachAddressOfTheNameIsTriedAndTheNameIsLookedUpOncePerSession)
{
    local_ftp_server server;
    server.publish("list.txt", "list");
    server.publish("a.txt", "a");
    server.publish("b.txt", "b");
    auto net = std::make_unique<two_addresses>();
    const two_addresses& name_server = *net;
    const auto session =
        std::make_unique<ftp::pooled_session>(std::move(net), std::make_unique<posix_files>(), codec, server.account());
    EXPECT_EQ(text(session->fetch(live + L"list.txt", 100)), "list");
    const auto results = session->fetch_files({file("a.txt", 1), file("b.txt", 1)}, progress);
    expect_fetched(results[0], "a");
    expect_fetched(results[1], "b");
    EXPECT_EQ(name_server.lookups, 1);
}

TEST_F(FtpSession, NonAsciiNamesInUtf8OrInTheAnsiCodePageAsTheServerSpeaks)
{
    {
        local_ftp_server server;
        server.publish("Daten/Umlaut_\xC3\xA4\xC3\xB6\xC3\xBC.txt", "utf-8 server");
        EXPECT_EQ(text(open(server)->fetch(live + L"Daten/Umlaut_\u00e4\u00f6\u00fc.txt", 100)), "utf-8 server");
        EXPECT_EQ(count_of(server.commands(), "OPTS UTF8 ON"), 1u);
    }
    {
        local_ftp_server server({"--ansi-server"});
        server.publish("Daten/Stra\xC3\x9F" "e.csv", "old server");
        EXPECT_EQ(text(open(server)->fetch(live + L"Daten/Stra\u00dfe.csv", 100)), "old server");
        EXPECT_EQ(count_of(server.commands(), "OPTS UTF8 ON"), 0u);
    }
}

TEST_F(FtpSession, AGreetingOfSeveralLinesIsOneReply)
{
    local_ftp_server server({"--long-greeting"});
    server.publish("a.txt", "after a long greeting");
    EXPECT_EQ(text(open(server)->fetch(live + L"a.txt", 100)), "after a long greeting");
}

TEST_F(FtpSession, APathWithALineBreakIsNeverSent)
{
    local_ftp_server server;
    server.publish("a.txt", "a");
    {
        const auto session = open(server);
        const auto results = session->fetch_files({file("a.txt\r\nDELE a.txt", 1)}, progress);
        EXPECT_EQ(results[0].state, ftp_file_state::failed);
        EXPECT_EQ(results[0].failure_text, L"A server path holds a line break and cannot be sent.");
        EXPECT_THROW(session->fetch(live + std::wstring(L"a.txt\0x", 7), 100), network_error);
    }
    EXPECT_EQ(count_beginning(server.commands(), "RETR"), 0u);
}

TEST(FtpReplies, MultiLineRepliesEndOnlyAtTheirOwnCodeAndBlank)
{
    ftp::reply_reader reader;
    reader.feed("220-Welcome\r\n123 not the end\r\n220-still not\r\n22");
    EXPECT_FALSE(reader.next());
    reader.feed("0 done\r\n331 Password");
    const auto greeting = reader.next();
    ASSERT_TRUE(greeting);
    EXPECT_EQ(greeting->code, 220);
    EXPECT_EQ(greeting->text, "220-Welcome\n123 not the end\n220-still not\n220 done");
    EXPECT_FALSE(reader.next());
    reader.feed(" please.\n");  // a bare LF ends a line too
    EXPECT_EQ(reader.next()->text, "331 Password please.");
    reader.feed("hello\r\n");
    EXPECT_THROW(reader.next(), system_error);
    ftp::reply_reader endless;
    endless.feed("211-x\r\n" + std::string(ftp::max_reply_bytes, ' '));
    EXPECT_THROW(endless.next(), system_error);
}

TEST(FtpArguments, PortPasvAndFeatures)
{
    EXPECT_EQ(ftp::port_argument({0x7F000001, 0x1234}), "127,0,0,1,18,52");
    EXPECT_EQ(ftp::passive_port("227 Entering Passive Mode (10,0,0,5,195,80)."), 195 * 256 + 80);
    EXPECT_EQ(ftp::passive_port("227 =192,168,1,1,4,1"), 1025);
    EXPECT_FALSE(ftp::passive_port("227 Entering Passive Mode (10,0,0,5,300,80)"));
    EXPECT_FALSE(ftp::passive_port("227 Entering Passive Mode"));
    const std::string features = "211-Features:\n MDTM\n utf8\n rest  Stream\r\n211 End UTF8";
    EXPECT_TRUE(ftp::lists_feature(features, "UTF8"));
    EXPECT_TRUE(ftp::lists_feature(features, "REST STREAM"));
    EXPECT_FALSE(ftp::lists_feature(features, "REST"));
    EXPECT_FALSE(ftp::lists_feature("211-Features:\n UTF8X\n211 UTF8", "UTF8"));
}

TEST(CallWithDeadline, GivesTheResultOrTheFailureAndLeavesAnOverrunBehind)
{
    posix::posix_network net;
    EXPECT_EQ(call_with_deadline<int>([] { return 7; }, deadline_after(10000), net), 7);
    EXPECT_THROW(call_with_deadline<int>([]() -> int { throw system_error(L"unknown host"); }, deadline_after(10000), net),
                 system_error);

    // A call that overruns its deadline is left to finish on its own, after its caller has gone.
    auto release = std::make_shared<std::promise<void>>();
    auto finished = std::make_shared<std::promise<void>>();
    std::shared_future<void> released = release->get_future().share();
    std::future<void> ended = finished->get_future();
    const auto blocked = [released, finished] {
        released.wait();
        finished->set_value();
        return 1;
    };
    EXPECT_FALSE(call_with_deadline<int>(blocked, deadline_after(50), net));
    release->set_value();
    ended.wait();

    // A stop ends the wait for a call that has no end in sight.
    auto never = std::make_shared<std::promise<void>>();
    std::shared_future<void> forever = never->get_future().share();
    std::thread stopper([&net] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        net.stop();
    });
    EXPECT_THROW(call_with_deadline<int>([forever] { forever.wait(); return 1; }, deadline_after(600000), net),
                 transfer_stopped);
    stopper.join();
    never->set_value();
}

}  // namespace
}  // namespace qs
