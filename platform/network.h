#pragma once
// Plain TCP over IPv4 and name resolution, with a deadline on every wait and one stop for all of
// them: what the FTP client needs of the operating system. Winsock implements it in the program
// (platform/win32/winsock_network.cpp), POSIX sockets in the native tests (platform/posix), so
// the same client runs in both.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace qs {

using deadline = std::chrono::steady_clock::time_point;

// The deadline that lies the given number of milliseconds from now.
inline deadline deadline_after(int milliseconds)
{
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

struct ipv4_endpoint {
    std::uint32_t address = 0;  // in host byte order: 127.0.0.1 is 0x7F000001
    std::uint16_t port = 0;
};

// A wait that reached its deadline; the text is the system's own time-out text.
class timeout_error : public network_error {
public:
    using network_error::network_error;
};

// A wait that network::stop() ended.
class transfer_stopped : public network_error {
public:
    transfer_stopped() : network_error(L"The transfer was stopped.") {}
};

// The longest a wait goes on before it looks at network::stop() again: a stop takes effect
// within about this time.
inline constexpr std::chrono::milliseconds wait_slice{250};

// The end of the next slice of a wait that lasts until `until`.
inline deadline slice_end(deadline until)
{
    const deadline slice = std::chrono::steady_clock::now() + wait_slice;
    return until < slice ? until : slice;
}

// A socket that can be waited on. The native handle is the SOCKET or the file descriptor.
class waitable_socket {
public:
    virtual ~waitable_socket() = default;
    virtual std::uintptr_t native_handle() const = 0;
};

class tcp_connection : public waitable_socket {
public:
    // Sends every byte. Throws timeout_error at the deadline, system_error on any other failure.
    virtual void send_all(std::string_view bytes, deadline until) = 0;
    // Waits until something has arrived and returns up to `capacity` bytes of it; 0 once the peer
    // has closed its side. Throws timeout_error at the deadline, system_error on failure.
    virtual std::size_t receive(char* buffer, std::size_t capacity, deadline until) = 0;
    virtual ipv4_endpoint local_endpoint() const = 0;
    virtual ipv4_endpoint peer_endpoint() const = 0;
};

class tcp_listener : public waitable_socket {
public:
    virtual ipv4_endpoint local_endpoint() const = 0;
    // The next incoming connection. Throws timeout_error at the deadline.
    virtual std::unique_ptr<tcp_connection> accept(deadline until) = 0;
};

// Sockets come from a network, and every wait on it or on its sockets also ends, with
// transfer_stopped, within a wait_slice of its stop().
class network {
public:
    virtual ~network() = default;
    // The IPv4 addresses of the host (a name or a dotted address), in the order the system gives
    // them. Throws system_error with the system's text when the name is unknown, timeout_error
    // at the deadline (the lookup itself may go on in the background).
    virtual std::vector<std::uint32_t> resolve(const std::wstring& host, deadline until) = 0;
    // Throws system_error with the system's text when nobody answers, timeout_error at the deadline.
    virtual std::unique_ptr<tcp_connection> connect(ipv4_endpoint to, deadline until) = 0;
    // Listens on a free port of this local address, for one connection at a time.
    virtual std::unique_ptr<tcp_listener> listen(std::uint32_t address) = 0;
    // Waits until one of the sockets has something to read (a connection: data or its end; a
    // listener: a connection to accept) and returns its position in the list. Throws
    // timeout_error at the deadline.
    virtual std::size_t wait_readable(std::initializer_list<const waitable_socket*> sockets, deadline until) = 0;

    // Ends every wait on this network and its sockets, the running ones and all later ones.
    // Safe from any thread.
    void stop() noexcept { stopped_ = true; }
    bool stopped() const noexcept { return stopped_; }
    void check_stopped() const
    {
        if (stopped_) throw transfer_stopped();
    }

private:
    std::atomic<bool> stopped_{false};
};

}  // namespace qs
