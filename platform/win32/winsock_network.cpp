#include "platform/win32/winsock_network.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "platform/call_with_deadline.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

namespace {

// The system's text for a Winsock error. Wine's message table lacks the one for WSAETIMEDOUT
// (it has the other Winsock codes'), and a stalled server is the failure a user most needs to
// read about; any other code without a text is at least named.
std::wstring socket_text(int code)
{
    std::wstring text = system_text(static_cast<DWORD>(code));
    if (!text.empty()) return text;
    const std::wstring number = std::to_wstring(code);
    return code == WSAETIMEDOUT ? L"Connection timed out (Winsock error " + number + L")" : L"Winsock error " + number;
}

[[noreturn]] void throw_socket_error(int code)
{
    if (code == WSAETIMEDOUT) throw timeout_error(socket_text(code));
    throw system_error(socket_text(code));
}

[[noreturn]] void throw_last_socket_error()
{
    throw_socket_error(WSAGetLastError());
}

// Winsock for the whole process: started with the first network, cleaned up when the program ends.
class winsock_session {
public:
    winsock_session()
    {
        WSADATA data;
        result = WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~winsock_session()
    {
        if (result == 0) WSACleanup();
    }
    winsock_session(const winsock_session&) = delete;
    winsock_session& operator=(const winsock_session&) = delete;

    int result = 0;  // WSAStartup returns its error rather than setting the last one
};

void start_winsock()
{
    static const winsock_session session;
    if (session.result != 0) throw_socket_error(session.result);
}

sockaddr_in address_of(ipv4_endpoint endpoint)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(endpoint.address);
    address.sin_port = htons(endpoint.port);
    return address;
}

ipv4_endpoint endpoint_of(const sockaddr_in& address)
{
    return {ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
}

// select() in slices until one socket of the sets is ready; the sets then hold the ready
// sockets. Throws at the deadline, and once the network is stopped. A deadline already passed
// still looks once, so what has arrived is taken.
void select_until(fd_set* readable, fd_set* writable, fd_set* failed, deadline until, const network& net)
{
    const fd_set no_sockets{};
    const fd_set wanted_readable = readable ? *readable : no_sockets;
    const fd_set wanted_writable = writable ? *writable : no_sockets;
    const fd_set wanted_failed = failed ? *failed : no_sockets;
    for (;;) {
        net.check_stopped();
        const auto left = std::chrono::ceil<std::chrono::microseconds>(slice_end(until) - std::chrono::steady_clock::now());
        const long long microseconds = std::max<long long>(left.count(), 0);
        timeval wait{static_cast<long>(microseconds / 1000000), static_cast<long>(microseconds % 1000000)};
        if (readable) *readable = wanted_readable;
        if (writable) *writable = wanted_writable;
        if (failed) *failed = wanted_failed;
        const int ready = select(0, readable, writable, failed, &wait);
        if (ready == SOCKET_ERROR) throw_last_socket_error();
        if (ready > 0) return;
        if (std::chrono::steady_clock::now() >= until) throw_socket_error(WSAETIMEDOUT);
    }
}

fd_set set_of(SOCKET socket)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    return set;
}

void wait_readable_one(SOCKET socket, deadline until, const network& net)
{
    fd_set readable = set_of(socket);
    select_until(&readable, nullptr, nullptr, until, net);
}

void wait_writable_one(SOCKET socket, deadline until, const network& net)
{
    fd_set writable = set_of(socket);
    select_until(nullptr, &writable, nullptr, until, net);
}

void make_non_blocking(SOCKET socket)
{
    u_long on = 1;
    if (ioctlsocket(socket, FIONBIO, &on) != 0) throw_last_socket_error();
}

// Commands are small and each waits for its answer: Nagle's algorithm would only delay them.
void send_at_once(SOCKET socket)
{
    const BOOL on = TRUE;
    if (setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on) != 0)
        throw_last_socket_error();
}

// A non-blocking TCP socket that programs started later (shell_execute) do not inherit.
socket_handle new_socket()
{
    socket_handle socket(WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                    WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT));
    if (!socket) throw_last_socket_error();
    make_non_blocking(socket.get());
    return socket;
}

ipv4_endpoint local_endpoint_of(SOCKET socket)
{
    sockaddr_in address{};
    int length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) throw_last_socket_error();
    return endpoint_of(address);
}

class winsock_connection : public tcp_connection {
public:
    winsock_connection(socket_handle socket, const network& net) : socket_(std::move(socket)), net_(net) {}

    std::uintptr_t native_handle() const override { return static_cast<std::uintptr_t>(socket_.get()); }

    void send_all(std::string_view bytes, deadline until) override
    {
        net_.check_stopped();
        while (!bytes.empty()) {
            const int size = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
            const int sent = send(socket_.get(), bytes.data(), size, 0);
            if (sent == SOCKET_ERROR) {
                const int error = WSAGetLastError();
                if (error != WSAEWOULDBLOCK) throw_socket_error(error);
                wait_writable_one(socket_.get(), until, net_);
                continue;
            }
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
    }

    // Reads first and waits only when nothing is there: a transfer in full flow then costs one
    // call per piece (and a look at the stop).
    std::size_t receive(char* buffer, std::size_t capacity, deadline until) override
    {
        net_.check_stopped();
        const int size = static_cast<int>(std::min<std::size_t>(capacity, INT_MAX));
        for (;;) {
            const int got = recv(socket_.get(), buffer, size, 0);
            if (got != SOCKET_ERROR) return static_cast<std::size_t>(got);
            const int error = WSAGetLastError();
            if (error != WSAEWOULDBLOCK) throw_socket_error(error);
            wait_readable_one(socket_.get(), until, net_);
        }
    }

    ipv4_endpoint local_endpoint() const override { return local_endpoint_of(socket_.get()); }

    ipv4_endpoint peer_endpoint() const override
    {
        sockaddr_in address{};
        int length = sizeof address;
        if (getpeername(socket_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw_last_socket_error();
        return endpoint_of(address);
    }

private:
    socket_handle socket_;
    const network& net_;
};

class winsock_listener : public tcp_listener {
public:
    winsock_listener(socket_handle socket, const network& net) : socket_(std::move(socket)), net_(net) {}

    std::uintptr_t native_handle() const override { return static_cast<std::uintptr_t>(socket_.get()); }

    ipv4_endpoint local_endpoint() const override { return local_endpoint_of(socket_.get()); }

    std::unique_ptr<tcp_connection> accept(deadline until) override
    {
        for (;;) {
            socket_handle accepted(::accept(socket_.get(), nullptr, nullptr));
            if (accepted) {
                // Windows passes the listener's mode on; Wine is not relied on to do the same.
                make_non_blocking(accepted.get());
                send_at_once(accepted.get());
                return std::make_unique<winsock_connection>(std::move(accepted), net_);
            }
            const int error = WSAGetLastError();
            if (error != WSAEWOULDBLOCK) throw_socket_error(error);
            wait_readable_one(socket_.get(), until, net_);
        }
    }

private:
    socket_handle socket_;
    const network& net_;
};

// The addresses GetAddrInfoW gives, each once.
std::vector<std::uint32_t> addresses_of(const std::wstring& host)
{
    ADDRINFOW hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    address_info found;
    const int error = GetAddrInfoW(host.c_str(), nullptr, &hints, found.receive());
    if (error != 0) throw_socket_error(error);
    std::vector<std::uint32_t> addresses;
    for (const ADDRINFOW* each = found.get(); each != nullptr; each = each->ai_next) {
        if (each->ai_addr == nullptr || each->ai_family != AF_INET) continue;
        const std::uint32_t address = endpoint_of(*reinterpret_cast<const sockaddr_in*>(each->ai_addr)).address;
        if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) addresses.push_back(address);
    }
    if (addresses.empty()) throw_socket_error(WSAHOST_NOT_FOUND);
    return addresses;
}

}  // namespace

winsock_network::winsock_network()
{
    start_winsock();
}

// GetAddrInfoW waits as long as the resolver does: the lookup runs on a thread of its own, and
// one that overruns the deadline is left to finish there.
std::vector<std::uint32_t> winsock_network::resolve(const std::wstring& host, deadline until)
{
    const auto found = call_with_deadline<std::vector<std::uint32_t>>([host] { return addresses_of(host); }, until, *this);
    if (!found) throw_socket_error(WSAETIMEDOUT);
    return *found;
}

std::unique_ptr<tcp_connection> winsock_network::connect(ipv4_endpoint to, deadline until)
{
    check_stopped();
    socket_handle socket = new_socket();
    send_at_once(socket.get());
    const sockaddr_in address = address_of(to);
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK) throw_socket_error(error);
        // Windows reports a failed connection in the failed set, and SO_ERROR says which failure.
        fd_set writable = set_of(socket.get());
        fd_set failed = set_of(socket.get());
        select_until(nullptr, &writable, &failed, until, *this);
        int outcome = 0;
        int length = sizeof outcome;
        if (getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&outcome), &length) != 0)
            throw_last_socket_error();
        if (outcome == 0 && FD_ISSET(socket.get(), &failed)) outcome = WSAECONNREFUSED;
        if (outcome != 0) throw_socket_error(outcome);
    }
    return std::make_unique<winsock_connection>(std::move(socket), *this);
}

std::unique_ptr<tcp_listener> winsock_network::listen(std::uint32_t address)
{
    socket_handle socket = new_socket();
    const sockaddr_in local = address_of({address, 0});
    if (bind(socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) throw_last_socket_error();
    if (::listen(socket.get(), 1) != 0) throw_last_socket_error();
    return std::make_unique<winsock_listener>(std::move(socket), *this);
}

std::size_t winsock_network::wait_readable(std::initializer_list<const waitable_socket*> sockets, deadline until)
{
    if (sockets.size() > FD_SETSIZE) throw_socket_error(WSAEINVAL);
    fd_set readable;
    FD_ZERO(&readable);
    for (const waitable_socket* each : sockets) FD_SET(static_cast<SOCKET>(each->native_handle()), &readable);
    select_until(&readable, nullptr, nullptr, until, *this);
    std::size_t position = 0;
    for (const waitable_socket* each : sockets) {
        if (FD_ISSET(static_cast<SOCKET>(each->native_handle()), &readable)) return position;
        ++position;
    }
    throw_socket_error(WSAEINVAL);  // select() reported a socket that was not asked about
}

}  // namespace qs::win32
