#include "platform/ftp/ftp_client.h"

#include <array>
#include <cctype>

#include "platform/ftp/ftp_replies.h"
#include "platform/utf8.h"

namespace qs::ftp {
namespace {

constexpr std::size_t receive_chunk = 64 * 1024;

bool is_plain_ascii(const std::wstring& text)
{
    for (wchar_t c : text)
        if (c >= 0x80) return false;
    return true;
}

// A reply's text as the user reads it: UTF-8 when it is well-formed UTF-8, else the ANSI code
// page, as an old server would send it.
std::wstring reply_text(platform& codec, const std::string& bytes)
{
    const std::wstring wide = utf8_to_wide(bytes);
    return wide_to_utf8(wide) == bytes ? wide : codec.from_ansi(bytes);
}

// The control connection: commands out, replies in, every wait bounded by the time-out.
class control_channel {
public:
    control_channel(platform& codec, std::unique_ptr<tcp_connection> connection, int timeout_ms)
        : codec_(codec), connection_(std::move(connection)), timeout_ms_(timeout_ms)
    {
    }
    // QUIT, without waiting for its answer: the file has arrived or failed either way.
    ~control_channel()
    {
        try {
            connection_->send_all("QUIT\r\n", deadline_after(timeout_ms_));
        } catch (...) {
        }
    }
    control_channel(const control_channel&) = delete;
    control_channel& operator=(const control_channel&) = delete;

    tcp_connection& socket() { return *connection_; }
    deadline next_deadline() const { return deadline_after(timeout_ms_); }

    void send(const std::string& command)
    {
        // A line break or NUL inside an argument would smuggle in a command of its own.
        if (command.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
            throw system_error(L"A server path holds a line break and cannot be sent.");
        connection_->send_all(command + "\r\n", next_deadline());
    }
    // True when a whole reply has arrived and waits to be read.
    bool reply_waiting()
    {
        if (!waiting_) waiting_ = reader_.next();
        return waiting_.has_value();
    }
    // Receives what the server sent; false once it has closed the connection.
    bool receive_more()
    {
        std::array<char, 4096> buffer;
        const std::size_t got = connection_->receive(buffer.data(), buffer.size(), next_deadline());
        reader_.feed({buffer.data(), got});
        return got != 0;
    }
    reply read_reply()
    {
        while (!reply_waiting())
            if (!receive_more()) throw system_error(L"The update server closed the connection without a reply.");
        reply r = std::move(*waiting_);
        waiting_.reset();
        return r;
    }
    // The reply that ends a step, after any preliminary ones.
    reply read_final_reply()
    {
        reply r = read_reply();
        while (r.preliminary()) r = read_reply();
        return r;
    }
    reply command(const std::string& text)
    {
        send(text);
        return read_final_reply();
    }
    [[noreturn]] void fail(const reply& r) const { throw system_error(reply_text(codec_, r.text)); }
    reply expect_completed(const std::string& text)
    {
        reply r = command(text);
        if (!r.completed()) fail(r);
        return r;
    }

private:
    platform& codec_;
    std::unique_ptr<tcp_connection> connection_;
    int timeout_ms_;
    reply_reader reader_;
    std::optional<reply> waiting_;
};

void log_in(control_channel& control, const ftp_account& account)
{
    reply greeting = control.read_final_reply();
    if (!greeting.completed()) control.fail(greeting);
    reply r = control.command("USER " + wide_to_utf8(account.user));
    if (r.intermediate()) r = control.command("PASS " + wide_to_utf8(account.password));
    if (!r.completed()) control.fail(r);
}

// Counts the bytes into the sink and stops a file that grows past what it may be.
class limited_sink {
public:
    limited_sink(byte_sink& sink, std::uint64_t max_bytes) : sink_(sink), left_(max_bytes) {}
    void write(const char* data, std::size_t size)
    {
        if (size > left_) throw size_limit_error(L"The update server sent more bytes than the file may have.");
        left_ -= size;
        sink_.write(data, size);
    }

private:
    byte_sink& sink_;
    std::uint64_t left_;
};

// The data and the final reply, in whichever order they come. A reply that is no success ends
// the transfer at once with its text; so does a control connection that closes first.
void transfer(network& net, control_channel& control, tcp_connection& data, std::optional<reply> final_reply,
              limited_sink& sink)
{
    std::array<char, receive_chunk> buffer;
    bool data_open = true;
    while (data_open || !final_reply) {
        if (!final_reply && control.reply_waiting()) {
            reply r = control.read_reply();
            if (r.preliminary()) continue;
            if (!r.completed()) control.fail(r);
            final_reply = std::move(r);
            continue;
        }
        bool from_data = data_open;
        if (data_open && !final_reply)
            from_data = net.wait_readable({&control.socket(), &data}, control.next_deadline()) == 1;
        if (from_data) {
            const std::size_t got = data.receive(buffer.data(), buffer.size(), control.next_deadline());
            if (got == 0) data_open = false;
            else sink.write(buffer.data(), got);
        } else if (!control.receive_more()) {
            throw system_error(L"The update server closed the connection before it confirmed the transfer.");
        }
    }
}

enum class outcome { fetched, active_failed };

// One connection: log in, set the type, open the data connection, RETR, transfer.
outcome fetch_once(network& net, platform& codec, const ftp_account& account, const std::wstring& server_path,
                   ftp_run_state& run, limited_sink& sink, bool passive)
{
    control_channel control(codec,
                            net.connect(account.host, static_cast<std::uint16_t>(account.port),
                                        deadline_after(account.receive_timeout_ms)),
                            account.receive_timeout_ms);
    log_in(control, account);
    if (!run.features_known) {
        const reply features = control.command("FEAT");
        run.utf8 = features.completed() && lists_utf8(features.text);
        run.features_known = true;
    }
    control.expect_completed("TYPE I");
    // A server that lists UTF8 takes UTF-8 paths (RFC 2640); some want OPTS UTF8 ON first, and
    // others, always in UTF-8, refuse it as unknown: its answer changes nothing.
    const bool utf8 = run.utf8 && !is_plain_ascii(server_path);
    if (utf8) control.command("OPTS UTF8 ON");
    const std::string retrieve_command = "RETR " + (utf8 ? wide_to_utf8(server_path) : codec.to_ansi(server_path));

    std::unique_ptr<tcp_connection> data;
    std::optional<reply> final_reply;
    if (passive) {
        const reply entered = control.expect_completed("PASV");
        const std::optional<std::uint16_t> port = passive_port(entered.text);
        if (!port) control.fail(entered);
        // The address the reply names may be a private one behind the server's NAT: the server
        // is where the control connection went.
        data = net.connect(ipv4_endpoint{control.socket().peer_endpoint().address, *port}, control.next_deadline());
        control.send(retrieve_command);
    } else {
        const std::unique_ptr<tcp_listener> listener = net.listen(control.socket().local_endpoint().address);
        if (!control.command("PORT " + port_argument(listener->local_endpoint())).completed())
            return outcome::active_failed;
        control.send(retrieve_command);
        while (!data) {
            if (control.reply_waiting()) {
                reply r = control.read_reply();
                if (r.preliminary()) continue;
                if (r.code == 425) return outcome::active_failed;  // the server could not connect back
                if (!r.completed()) control.fail(r);
                final_reply = std::move(r);  // the connection may still wait to be accepted
                continue;
            }
            std::size_t ready = 0;
            try {
                ready = net.wait_readable({&control.socket(), listener.get()}, control.next_deadline());
            } catch (const timeout_error&) {
                return outcome::active_failed;  // nothing reaches us through the firewall
            }
            if (ready == 1) data = listener->accept(control.next_deadline());
            else if (!control.receive_more()) throw system_error(L"The update server closed the connection without a reply.");
        }
    }
    transfer(net, control, *data, std::move(final_reply), sink);
    return outcome::fetched;
}

}  // namespace

void retrieve(network& net, platform& codec, const ftp_account& account, ftp_run_state& run,
              const std::wstring& server_path, byte_sink& sink, std::uint64_t max_bytes)
{
    limited_sink limited(sink, max_bytes);
    if (!run.passive && fetch_once(net, codec, account, server_path, run, limited, false) == outcome::fetched) return;
    // Active mode failed before a byte arrived: the same file again, passive.
    fetch_once(net, codec, account, server_path, run, limited, true);
    run.passive = true;
}

std::string port_argument(ipv4_endpoint endpoint)
{
    const std::uint32_t a = endpoint.address;
    return std::to_string(a >> 24) + "," + std::to_string((a >> 16) & 0xFF) + "," + std::to_string((a >> 8) & 0xFF) +
           "," + std::to_string(a & 0xFF) + "," + std::to_string(endpoint.port >> 8) + "," +
           std::to_string(endpoint.port & 0xFF);
}

std::optional<std::uint16_t> passive_port(const std::string& reply_text)
{
    // "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)": six numbers, the brackets optional.
    for (std::size_t start = 4; start < reply_text.size(); ++start) {
        if (!std::isdigit(static_cast<unsigned char>(reply_text[start]))) continue;
        std::array<unsigned, 6> numbers{};
        std::size_t i = start;
        std::size_t n = 0;
        for (; n < numbers.size(); ++n) {
            std::size_t digits = 0;
            unsigned value = 0;
            while (i < reply_text.size() && std::isdigit(static_cast<unsigned char>(reply_text[i])) && digits < 4) {
                value = value * 10 + static_cast<unsigned>(reply_text[i++] - '0');
                ++digits;
            }
            if (digits == 0 || digits > 3 || value > 255) break;
            numbers[n] = value;
            if (n + 1 < numbers.size()) {
                if (i >= reply_text.size() || reply_text[i] != ',') break;
                ++i;
            }
        }
        if (n == numbers.size()) return static_cast<std::uint16_t>(numbers[4] << 8 | numbers[5]);
    }
    return std::nullopt;
}

bool lists_utf8(const std::string& feat_reply_text)
{
    // Feature lines begin with a blank; the first and last lines carry the code.
    std::size_t start = 0;
    while (start <= feat_reply_text.size()) {
        std::size_t end = feat_reply_text.find('\n', start);
        if (end == std::string::npos) end = feat_reply_text.size();
        std::string line = feat_reply_text.substr(start, end - start);
        if (!line.empty() && line[0] == ' ') {
            std::string word;
            for (char c : line)
                if (c != ' ' && c != '\t' && c != '\r') word.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
            if (word == "UTF8") return true;
        }
        start = end + 1;
    }
    return false;
}

}  // namespace qs::ftp
