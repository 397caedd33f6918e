#pragma once
// The network over POSIX sockets: the FTP client's sockets in the native tests.

#include "platform/network.h"

namespace qs::posix {

class posix_network : public network {
public:
    std::vector<std::uint32_t> resolve(const std::wstring& host, deadline until) override;
    std::unique_ptr<tcp_connection> connect(ipv4_endpoint to, deadline until) override;
    std::unique_ptr<tcp_listener> listen(std::uint32_t address) override;
    std::size_t wait_readable(std::initializer_list<const waitable_socket*> sockets, deadline until) override;
};

}  // namespace qs::posix
