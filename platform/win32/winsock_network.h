#pragma once
// The network of the program: TCP over Winsock 2. Every socket is non-blocking, and each wait for
// it is a select() bounded by the caller's deadline and cut into slices that look at the stop,
// so a server that stops answering costs at most the time-out and never a thread.

#include "platform/network.h"

namespace qs::win32 {

class winsock_network : public network {
public:
    // Starts Winsock for the process on first use; it stays started until the program ends.
    winsock_network();

    std::vector<std::uint32_t> resolve(const std::wstring& host, deadline until) override;
    std::unique_ptr<tcp_connection> connect(ipv4_endpoint to, deadline until) override;
    std::unique_ptr<tcp_listener> listen(std::uint32_t address) override;
    std::size_t wait_readable(std::initializer_list<const waitable_socket*> sockets, deadline until) override;
};

}  // namespace qs::win32
