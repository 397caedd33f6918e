#pragma once
// One control connection to the update server (RFC 959), with the protocol kept here and the
// sockets behind the network interface. It logs in once (greeting, USER, PASS), asks FEAT and
// sets TYPE I, and then fetches file after file: per file a data connection, REST where the
// transfer resumes, RETR, the data and the final reply in either order. QUIT when it goes.
//
// Data connections are passive first (PASV, connecting to the control connection's peer
// whatever address the reply names, since that may be a private one behind the server's NAT);
// active mode (PORT with the control connection's local address) takes over when PASV is refused
// or its connection cannot be made. The mode that worked is kept for the whole session. Paths
// that are not plain ASCII are sent in UTF-8 after OPTS UTF8 ON when the server lists UTF8 among
// its features, and in the ANSI code page otherwise.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ftp/ftp_replies.h"
#include "platform/network.h"
#include "platform/platform.h"

namespace qs::ftp {

// The server answered a step with a failure reply (4xx or 5xx; its text is the message), or the
// path could not be sent at all (code 0). The control connection itself is still in order.
class file_refused : public network_error {
public:
    file_refused(std::wstring text, int code) : network_error(std::move(text)), code_(code) {}
    int reply_code() const noexcept { return code_; }

private:
    int code_;
};

// Where the bytes of a transfer go.
class byte_sink {
public:
    virtual ~byte_sink() = default;
    virtual void write(const char* data, std::size_t size) = 0;
};

enum class data_mode { untried, passive, active };

// What the connections of one session share.
struct session_settings {
    session_settings(network& n, platform& c, ftp_account a) : net(n), codec(c), account(std::move(a)) {}
    network& net;
    platform& codec;  // the ANSI code page, both ways
    ftp_account account;
    std::vector<std::uint32_t> addresses;  // the server's, resolved once, before any connection
    std::atomic<data_mode> mode{data_mode::untried};
};

class control_connection {
public:
    // Connects to the first of the server's addresses that answers and logs in. Throws
    // file_refused for a failure reply (a 421 of a server that takes no more connections, a 530
    // login refused), system_error when nobody answers or the connection breaks.
    explicit control_connection(session_settings& session);
    // QUIT, without waiting for its answer.
    ~control_connection();
    control_connection(const control_connection&) = delete;
    control_connection& operator=(const control_connection&) = delete;

    // The server can start a transfer at a given byte (its FEAT lists REST STREAM).
    bool can_resume() const noexcept { return rest_stream_; }
    // Nothing has arrived since the last reply: an idle connection that the server has closed,
    // or told a 421 for idling too long, is no use any more.
    bool still_open();
    // Fetches the file into the sink from byte `from` (0: the whole file). Throws file_refused
    // for a failure reply, after which the connection can go on; any other exception leaves it
    // in no known state: system_error when the connection breaks, closes without a reply or
    // times out, transfer_stopped, and what the sink throws.
    void retrieve(const std::wstring& server_path, std::uint64_t from, byte_sink& sink);

private:
    void connect();
    void log_in();
    void ask_features();

    deadline next_deadline() const;
    void send(const std::string& command);
    bool reply_waiting();
    bool receive_more();
    reply read_reply();
    reply read_final_reply();
    reply command(const std::string& text);
    [[noreturn]] void refuse(const reply& r) const;
    void expect_completed(const std::string& text);

    std::string path_argument(const std::wstring& server_path);
    std::unique_ptr<tcp_connection> passive_data();
    std::unique_ptr<tcp_listener> active_listener();
    std::unique_ptr<tcp_connection> accept_data(tcp_listener& listener, std::optional<reply>& final_reply);
    void transfer(tcp_connection& data, std::optional<reply> final_reply, bool began, byte_sink& sink);
    void drain(tcp_connection& data, byte_sink& sink);
    void mode_worked(data_mode mode);

    session_settings& session_;
    std::unique_ptr<tcp_connection> socket_;
    reply_reader reader_;
    std::optional<reply> waiting_;
    std::vector<char> buffer_;
    bool utf8_ = false;         // FEAT lists UTF8
    bool rest_stream_ = false;  // FEAT lists REST STREAM
    bool utf8_on_ = false;      // OPTS UTF8 ON has been sent
};

// "h1,h2,h3,h4,p1,p2", the argument of PORT.
std::string port_argument(ipv4_endpoint endpoint);
// The port of a 227 reply's "(h1,h2,h3,h4,p1,p2)"; nothing when the text holds no such group.
std::optional<std::uint16_t> passive_port(const std::string& reply_text);
// True when a FEAT reply lists the feature ("UTF8", "REST STREAM"), in any case.
bool lists_feature(const std::string& feat_reply_text, const std::string& feature);

}  // namespace qs::ftp
