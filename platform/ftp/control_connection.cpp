#include "platform/ftp/control_connection.h"

#include <array>
#include <cctype>
#include <exception>

#include "platform/utf8.h"

namespace qs::ftp {
namespace {

constexpr std::size_t receive_chunk = 64 * 1024;
constexpr const wchar_t* closed_without_reply = L"The update server closed the connection without a reply.";

// A line break or NUL inside an argument would smuggle in a command of its own.
void refuse_line_breaks(const std::string& command)
{
    if (command.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        throw file_refused(L"A server path holds a line break and cannot be sent.", 0);
}

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

}  // namespace

control_connection::control_connection(session_settings& session) : session_(session), buffer_(receive_chunk)
{
    connect();
    log_in();
    ask_features();
    expect_completed("TYPE I");
}

control_connection::~control_connection()
{
    try {
        socket_->send_all("QUIT\r\n", next_deadline());
    } catch (...) {
    }
}

// Each address in turn; the last one's failure says why none answered.
void control_connection::connect()
{
    std::exception_ptr failure;
    for (const std::uint32_t address : session_.addresses) {
        try {
            socket_ = session_.net.connect({address, static_cast<std::uint16_t>(session_.account.port)}, next_deadline());
            return;
        } catch (const transfer_stopped&) {
            throw;
        } catch (const system_error&) {
            failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
    throw system_error(L"The update server has no IPv4 address.");
}

void control_connection::log_in()
{
    const reply greeting = read_final_reply();
    if (!greeting.completed()) refuse(greeting);
    reply r = command("USER " + wide_to_utf8(session_.account.user));
    if (r.intermediate()) r = command("PASS " + wide_to_utf8(session_.account.password));
    if (!r.completed()) refuse(r);
}

void control_connection::ask_features()
{
    const reply features = command("FEAT");
    utf8_ = features.completed() && lists_feature(features.text, "UTF8");
    rest_stream_ = features.completed() && lists_feature(features.text, "REST STREAM");
}

bool control_connection::still_open()
{
    if (waiting_) return false;
    try {
        session_.net.wait_readable({socket_.get()}, std::chrono::steady_clock::now());
    } catch (const timeout_error&) {
        return true;
    }
    return false;
}

void control_connection::retrieve(const std::wstring& server_path, std::uint64_t from, byte_sink& sink)
{
    const std::string path = path_argument(server_path);
    std::unique_ptr<tcp_connection> data;
    std::unique_ptr<tcp_listener> listener;
    if (session_.mode != data_mode::active) data = passive_data();
    if (!data) listener = active_listener();
    // REST comes last before RETR (RFC 3659).
    if (from > 0) {
        const reply r = command("REST " + std::to_string(from));
        if (r.code != 350) refuse(r);
    }
    send("RETR " + path);
    std::optional<reply> final_reply;
    if (listener) {
        data = accept_data(*listener, final_reply);
        mode_worked(data_mode::active);
    }
    // An accepted connection means the transfer has begun; a passive one waits for the 1xx reply.
    transfer(*data, std::move(final_reply), listener != nullptr, sink);
}

// ---- the control connection: commands out, replies in, every wait bounded by the time-out

deadline control_connection::next_deadline() const { return deadline_after(session_.account.receive_timeout_ms); }

void control_connection::send(const std::string& command)
{
    refuse_line_breaks(command);
    socket_->send_all(command + "\r\n", next_deadline());
}

// True when a whole reply has arrived and waits to be read.
bool control_connection::reply_waiting()
{
    if (!waiting_) waiting_ = reader_.next();
    return waiting_.has_value();
}

// Receives what the server sent; false once it has closed the connection.
bool control_connection::receive_more()
{
    std::array<char, 4096> bytes;
    const std::size_t got = socket_->receive(bytes.data(), bytes.size(), next_deadline());
    reader_.feed({bytes.data(), got});
    return got != 0;
}

reply control_connection::read_reply()
{
    while (!reply_waiting())
        if (!receive_more()) throw system_error(closed_without_reply);
    reply r = std::move(*waiting_);
    waiting_.reset();
    return r;
}

// The reply that ends a step, after any preliminary ones.
reply control_connection::read_final_reply()
{
    reply r = read_reply();
    while (r.preliminary()) r = read_reply();
    return r;
}

reply control_connection::command(const std::string& text)
{
    send(text);
    return read_final_reply();
}

void control_connection::refuse(const reply& r) const { throw file_refused(reply_text(session_.codec, r.text), r.code); }

void control_connection::expect_completed(const std::string& text)
{
    const reply r = command(text);
    if (!r.completed()) refuse(r);
}

// ---- one transfer

std::string control_connection::path_argument(const std::wstring& server_path)
{
    refuse_line_breaks(wide_to_utf8(server_path));
    if (!utf8_ || is_plain_ascii(server_path)) return session_.codec.to_ansi(server_path);
    // A server that lists UTF8 takes UTF-8 paths (RFC 2640); some want OPTS UTF8 ON first, and
    // others, always in UTF-8, refuse it as unknown: its answer changes nothing.
    if (!utf8_on_) command("OPTS UTF8 ON");
    utf8_on_ = true;
    return wide_to_utf8(server_path);
}

// A data connection to the port PASV names. None when passive mode has not worked yet and fails
// now (refused, or nobody answers at that port), so that active mode is tried.
std::unique_ptr<tcp_connection> control_connection::passive_data()
{
    const bool known_to_work = session_.mode == data_mode::passive;
    const reply entered = command("PASV");
    const std::optional<std::uint16_t> port = entered.completed() ? passive_port(entered.text) : std::nullopt;
    if (!port) {
        if (known_to_work) refuse(entered);
        return nullptr;
    }
    try {
        std::unique_ptr<tcp_connection> data =
            session_.net.connect({socket_->peer_endpoint().address, *port}, next_deadline());
        mode_worked(data_mode::passive);
        return data;
    } catch (const transfer_stopped&) {
        throw;
    } catch (const system_error&) {
        if (known_to_work) throw;
        return nullptr;
    }
}

std::unique_ptr<tcp_listener> control_connection::active_listener()
{
    std::unique_ptr<tcp_listener> listener = session_.net.listen(socket_->local_endpoint().address);
    expect_completed("PORT " + port_argument(listener->local_endpoint()));
    return listener;
}

// The server's data connection, while the control connection is watched for a refusal. A
// connection from any other address is closed and waited past: the right one may still come.
std::unique_ptr<tcp_connection> control_connection::accept_data(tcp_listener& listener,
                                                                std::optional<reply>& final_reply)
{
    const std::uint32_t server = socket_->peer_endpoint().address;
    for (;;) {
        if (!final_reply && reply_waiting()) {
            reply r = read_reply();
            if (r.preliminary()) continue;
            if (!r.completed()) refuse(r);
            final_reply = std::move(r);  // the connection may still wait to be accepted
            continue;
        }
        const bool incoming =
            final_reply || session_.net.wait_readable({&listener, socket_.get()}, next_deadline()) == 0;
        if (!incoming) {
            if (!receive_more()) throw system_error(closed_without_reply);
            continue;
        }
        std::unique_ptr<tcp_connection> data = listener.accept(next_deadline());
        if (data->peer_endpoint().address == server) return data;
    }
}

// The data and the final reply, in whichever order they come. A failure reply ends the transfer
// with its text, once what the server sent before it gave up has been taken.
void control_connection::transfer(tcp_connection& data, std::optional<reply> final_reply, bool began, byte_sink& sink)
{
    bool data_open = true;
    while (data_open || !final_reply) {
        if (!final_reply && reply_waiting()) {
            reply r = read_reply();
            if (r.preliminary()) {
                began = true;
                continue;
            }
            if (!r.completed()) {
                if (began) drain(data, sink);
                refuse(r);
            }
            final_reply = std::move(r);
            continue;
        }
        bool from_data = data_open;
        if (data_open && !final_reply)
            from_data = session_.net.wait_readable({&data, socket_.get()}, next_deadline()) == 0;
        if (from_data) {
            const std::size_t got = data.receive(buffer_.data(), buffer_.size(), next_deadline());
            if (got == 0) data_open = false;
            else sink.write(buffer_.data(), got);
        } else if (!receive_more()) {
            throw system_error(L"The update server closed the connection before it confirmed the transfer.");
        }
    }
}

// What is still on its way over the data connection, up to its end (or the time-out).
void control_connection::drain(tcp_connection& data, byte_sink& sink)
{
    for (;;) {
        std::size_t got = 0;
        try {
            got = data.receive(buffer_.data(), buffer_.size(), next_deadline());
        } catch (const transfer_stopped&) {
            throw;
        } catch (const system_error&) {
            return;
        }
        if (got == 0) return;
        sink.write(buffer_.data(), got);
    }
}

void control_connection::mode_worked(data_mode mode)
{
    data_mode untried = data_mode::untried;
    session_.mode.compare_exchange_strong(untried, mode);
}

// ---- arguments and replies

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

bool lists_feature(const std::string& feat_reply_text, const std::string& feature)
{
    // Feature lines begin with a blank; the first and last lines carry the code. Words are
    // compared in upper case, one blank between them.
    std::size_t start = 0;
    while (start <= feat_reply_text.size()) {
        std::size_t end = feat_reply_text.find('\n', start);
        if (end == std::string::npos) end = feat_reply_text.size();
        const std::string line = feat_reply_text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line[0] != ' ') continue;
        std::string words;
        bool blank = false;
        for (char c : line) {
            if (c == ' ' || c == '\t' || c == '\r') {
                blank = true;
                continue;
            }
            if (blank && !words.empty()) words.push_back(' ');
            blank = false;
            words.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        }
        std::string wanted;
        for (char c : feature) wanted.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        if (words == wanted) return true;
    }
    return false;
}

}  // namespace qs::ftp
