// The FTP client against the real test server on 127.0.0.1, over POSIX sockets.
#include <gtest/gtest.h>


#include "platform/fake/fake_platform.h"
#include "platform/ftp/ftp_client.h"
#include "platform/ftp/ftp_replies.h"
#include "platform/posix/posix_network.h"
#include "tests/native/posix/local_ftp_server.h"

namespace qs {
namespace {
using native_ftp::local_ftp_server;
using strings = std::vector<std::string>;

class string_sink : public ftp::byte_sink {
public:
    std::string bytes;
    void write(const char* data, std::size_t size) override { bytes.append(data, size); }
};

class FtpClient : public ::testing::Test {
protected:
    posix::posix_network net;
    fake::fake_platform codec;  // the ANSI code page of the fake is Latin-1
    ftp::ftp_run_state run;
    string_sink sink;

    void fetch(const local_ftp_server& server, const std::wstring& path, int timeout_ms = 3000)
    {
        ftp::retrieve(net, codec, server.account(timeout_ms), run, L"/public/live/MyApp/" + path, sink, UINT64_MAX);
    }
    // The error text of a fetch that must fail.
    std::wstring failure(const local_ftp_server& server, const std::wstring& path, int timeout_ms = 3000)
    {
        try {
            fetch(server, path, timeout_ms);
        } catch (const system_error& e) {
            return e.text();
        }
        ADD_FAILURE() << "the fetch did not fail";
        return {};
    }
};

TEST_F(FtpClient, ActiveModeSendsTheSequenceOfEveryTransferAndFeatOncePerRun)
{
    local_ftp_server server;
    server.publish("sub/a.bin", std::string(200000, 'a'));
    server.publish("b.txt", "b");
    fetch(server, L"sub/a.bin");
    EXPECT_EQ(sink.bytes, std::string(200000, 'a'));
    sink.bytes.clear();
    fetch(server, L"b.txt");
    EXPECT_EQ(sink.bytes, "b");
    const strings commands = server.commands();
    ASSERT_EQ(commands.size(), 13u);
    EXPECT_EQ(strings(commands.begin(), commands.begin() + 4), (strings{"USER login-5203", "PASS ******", "FEAT", "TYPE I"}));
    EXPECT_EQ(commands[4].rfind("PORT 127,0,0,1,", 0), 0u);
    EXPECT_EQ(strings(commands.begin() + 5, commands.begin() + 7), (strings{"RETR /public/live/MyApp/sub/a.bin", "QUIT"}));
    EXPECT_EQ(strings(commands.begin() + 7, commands.begin() + 10), (strings{"USER login-5203", "PASS ******", "TYPE I"}));
    EXPECT_EQ(commands[10].rfind("PORT ", 0), 0u);
    EXPECT_EQ(commands[11], "RETR /public/live/MyApp/b.txt");
    EXPECT_FALSE(run.passive);
    EXPECT_TRUE(run.utf8);
}

TEST_F(FtpClient, PassiveModeTakesOverWhenActiveFailsAndStaysForTheRun)
{
    for (const char* kind : {"--refuse-port", "--no-connect-back"}) {
        SCOPED_TRACE(kind);
        local_ftp_server server({kind});
        server.publish("a.txt", "passive a");
        server.publish("b.txt", "passive b");
        run = {};
        sink.bytes.clear();
        fetch(server, L"a.txt", 2000);
        EXPECT_TRUE(run.passive);
        fetch(server, L"b.txt", 2000);
        EXPECT_EQ(sink.bytes, "passive apassive b");
        strings commands = server.commands();
        // Active once on the first connection, then a new connection in passive mode, and the
        // second file goes passive at once.
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "PASV"), 2);
        EXPECT_EQ(std::count_if(commands.begin(), commands.end(), [](const std::string& c) { return c.rfind("PORT ", 0) == 0; }), 1);
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "USER login-5203"), 3);
    }
}

TEST_F(FtpClient, NonAsciiNamesInUtf8OrInTheAnsiCodePageAsTheServerSpeaks)
{
    {
        local_ftp_server server;
        server.publish("Daten/Umlaut_\xC3\xA4\xC3\xB6\xC3\xBC.txt", "utf-8 server");
        fetch(server, L"Daten/Umlaut_\u00e4\u00f6\u00fc.txt");
        EXPECT_EQ(sink.bytes, "utf-8 server");
        const strings commands = server.commands();
        EXPECT_NE(std::find(commands.begin(), commands.end(), "OPTS UTF8 ON"), commands.end());
    }
    {
        local_ftp_server server({"--ansi-server"});
        server.publish("Daten/Stra\xC3\x9F" "e.csv", "old server");
        run = {};
        sink.bytes.clear();
        fetch(server, L"Daten/Stra\u00dfe.csv");
        EXPECT_EQ(sink.bytes, "old server");
        EXPECT_FALSE(run.utf8);
        const strings commands = server.commands();
        EXPECT_EQ(std::find(commands.begin(), commands.end(), "OPTS UTF8 ON"), commands.end());
    }
}

TEST_F(FtpClient, AGreetingOfSeveralLinesIsOneReply)
{
    local_ftp_server server({"--long-greeting"});
    server.publish("a.txt", "after a long greeting");
    fetch(server, L"a.txt");
    EXPECT_EQ(sink.bytes, "after a long greeting");
}

TEST_F(FtpClient, FailuresCarryTheServersOrTheSystemsText)
{
    local_ftp_server server({"--misbehave", "cut:1000@*/cut.bin", "--misbehave", "550@*/gone.txt",
                             "--misbehave", "stall@*/stall.bin", "--misbehave", "short:10@*/short.bin"});
    const std::string big(300000, 'x');
    for (const char* name : {"cut.bin", "stall.bin", "short.bin", "whole.bin"}) server.publish(name, big);
    EXPECT_EQ(failure(server, L"cut.bin").substr(0, 4), L"426 ");
    EXPECT_EQ(failure(server, L"gone.txt"), L"550 No such file or directory.");
    // A stalled transfer ends with the time-out's text; a hang would be stopped by ctest's limit.
    EXPECT_NE(failure(server, L"stall.bin", 500).find(L"timed out"), std::wstring::npos);
    // A short transfer the server calls complete arrives as complete: the file list's size and
    // digest are what catch it.
    sink.bytes.clear();
    fetch(server, L"short.bin");
    EXPECT_EQ(sink.bytes, big.substr(0, 10));
    // More bytes than allowed stop the transfer. A file the server sends whole, so that no early
    // 426 on the control connection can overtake the data.
    EXPECT_THROW(ftp::retrieve(net, codec, server.account(), run, L"/public/live/MyApp/whole.bin", sink, 100),
                 size_limit_error);

    ftp_account wrong = server.account();
    wrong.password = L"guessed";
    try {
        ftp::retrieve(net, codec, wrong, run, L"/public/live/MyApp/gone.txt", sink, UINT64_MAX);
        ADD_FAILURE() << "a wrong password logged in";
    } catch (const system_error& e) {
        EXPECT_EQ(e.text().substr(0, 4), L"530 ");
    }
}

TEST_F(FtpClient, NobodyListeningGivesTheSystemsText)
{
    int port = 0;
    {
        local_ftp_server gone;
        port = gone.port();
    }
    ftp_account account;
    account.host = L"127.0.0.1";
    account.port = port;
    account.receive_timeout_ms = 2000;
    try {
        ftp::retrieve(net, codec, account, run, L"/x", sink, UINT64_MAX);
        ADD_FAILURE() << "connected to nobody";
    } catch (const system_error& e) {
        EXPECT_EQ(e.text(), L"Connection refused");
    }
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
    EXPECT_TRUE(ftp::lists_utf8("211-Features:\n MDTM\n utf8\n211 End"));
    EXPECT_FALSE(ftp::lists_utf8("211-Features:\n UTF8X\n211 UTF8"));
}

}  // namespace
}  // namespace qs
