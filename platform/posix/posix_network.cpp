#include "platform/posix/posix_network.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/call_with_deadline.h"
#include "platform/utf8.h"

namespace qs::posix {
namespace {

[[noreturn]] void throw_errno(int code)
{
    if (code == ETIMEDOUT) throw timeout_error(utf8_to_wide(std::strerror(code)));
    throw system_error(utf8_to_wide(std::strerror(code)));
}

// Owns one file descriptor.
class descriptor {
public:
    explicit descriptor(int fd = -1) : fd_(fd) {}
    ~descriptor()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    descriptor(const descriptor&) = delete;
    descriptor& operator=(const descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

int milliseconds_until(deadline until)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// poll() in slices until one of the entries is ready; throws timeout_error at the deadline and
// transfer_stopped once the network is stopped.
void poll_until(pollfd* entries, std::size_t count, deadline until, const network& net)
{
    for (;;) {
        net.check_stopped();
        const int ready = ::poll(entries, count, milliseconds_until(slice_end(until)));
        if (ready > 0) return;
        if (ready < 0 && errno != EINTR) throw_errno(errno);
        if (ready == 0 && std::chrono::steady_clock::now() >= until) throw_errno(ETIMEDOUT);
    }
}

// Waits for the events on one descriptor.
void wait_for(int fd, short events, deadline until, const network& net)
{
    pollfd entry{fd, events, 0};
    poll_until(&entry, 1, until, net);
}

sockaddr_in socket_address(ipv4_endpoint endpoint)
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

// The endpoint getsockname or getpeername reports for a socket.
template <typename Query>
ipv4_endpoint name_of(int fd, Query query)
{
    sockaddr_in address{};
    socklen_t size = sizeof address;
    if (query(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) throw_errno(errno);
    return endpoint_of(address);
}

int new_socket()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) throw_errno(errno);
    return fd;
}

class posix_connection : public tcp_connection {
public:
    posix_connection(int fd, const network& net) : fd_(fd), net_(net)
    {
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    std::uintptr_t native_handle() const override { return static_cast<std::uintptr_t>(fd_.get()); }

    void send_all(std::string_view bytes, deadline until) override
    {
        while (!bytes.empty()) {
            wait_for(fd_.get(), POLLOUT, until, net_);
            const ssize_t sent = ::send(fd_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent < 0) {
                if (errno == EAGAIN || errno == EINTR) continue;
                throw_errno(errno);
            }
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
    }
    std::size_t receive(char* buffer, std::size_t capacity, deadline until) override
    {
        for (;;) {
            wait_for(fd_.get(), POLLIN, until, net_);
            const ssize_t got = ::recv(fd_.get(), buffer, capacity, 0);
            if (got >= 0) return static_cast<std::size_t>(got);
            if (errno != EAGAIN && errno != EINTR) throw_errno(errno);
        }
    }
    ipv4_endpoint local_endpoint() const override { return name_of(fd_.get(), ::getsockname); }
    ipv4_endpoint peer_endpoint() const override { return name_of(fd_.get(), ::getpeername); }

private:
    descriptor fd_;
    const network& net_;
};

class posix_listener : public tcp_listener {
public:
    posix_listener(int fd, const network& net) : fd_(fd), net_(net) {}
    std::uintptr_t native_handle() const override { return static_cast<std::uintptr_t>(fd_.get()); }
    ipv4_endpoint local_endpoint() const override { return name_of(fd_.get(), ::getsockname); }
    std::unique_ptr<tcp_connection> accept(deadline until) override
    {
        for (;;) {
            wait_for(fd_.get(), POLLIN, until, net_);
            const int fd = ::accept4(fd_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) return std::make_unique<posix_connection>(fd, net_);
            if (errno != EAGAIN && errno != EINTR && errno != ECONNABORTED) throw_errno(errno);
        }
    }

private:
    descriptor fd_;
    const network& net_;
};

// The addresses getaddrinfo gives, each once.
std::vector<std::uint32_t> addresses_of(const std::string& host)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (status != 0) throw system_error(utf8_to_wide(::gai_strerror(status)));
    std::vector<std::uint32_t> addresses;
    for (const addrinfo* each = found; each != nullptr; each = each->ai_next) {
        const std::uint32_t address = endpoint_of(*reinterpret_cast<const sockaddr_in*>(each->ai_addr)).address;
        if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) addresses.push_back(address);
    }
    ::freeaddrinfo(found);
    if (addresses.empty()) throw system_error(utf8_to_wide(::gai_strerror(EAI_NONAME)));
    return addresses;
}

}  // namespace

std::vector<std::uint32_t> posix_network::resolve(const std::wstring& host, deadline until)
{
    const std::string name = wide_to_utf8(host);
    const auto found = call_with_deadline<std::vector<std::uint32_t>>([name] { return addresses_of(name); }, until, *this);
    if (!found) throw_errno(ETIMEDOUT);
    return *found;
}

std::unique_ptr<tcp_connection> posix_network::connect(ipv4_endpoint to, deadline until)
{
    check_stopped();
    auto connection = std::make_unique<posix_connection>(new_socket(), *this);
    const int fd = static_cast<int>(connection->native_handle());
    const sockaddr_in address = socket_address(to);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS) throw_errno(errno);
        wait_for(fd, POLLOUT, until, *this);
        int error = 0;
        socklen_t size = sizeof error;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
        if (error != 0) throw_errno(error);
    }
    return connection;
}

std::unique_ptr<tcp_listener> posix_network::listen(std::uint32_t address)
{
    auto listener = std::make_unique<posix_listener>(new_socket(), *this);
    const int fd = static_cast<int>(listener->native_handle());
    const sockaddr_in local = socket_address({address, 0});
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 || ::listen(fd, 1) != 0)
        throw_errno(errno);
    return listener;
}

std::size_t posix_network::wait_readable(std::initializer_list<const waitable_socket*> sockets, deadline until)
{
    std::vector<pollfd> entries;
    for (const waitable_socket* s : sockets) entries.push_back({static_cast<int>(s->native_handle()), POLLIN, 0});
    poll_until(entries.data(), entries.size(), until, *this);
    std::size_t i = 0;
    while (entries[i].revents == 0) ++i;
    return i;
}

}  // namespace qs::posix
