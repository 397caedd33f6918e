#pragma once
// The FTP session of an Internet update run: up to ftp_max_connections control connections to the
// update server, each logged in once, kept between the calls. fetch() takes the small files into
// memory over the first of them; fetch_files() has every connection take files from one queue
// in list order, each on a thread of its own, while the calling thread waits. A connection that
// breaks is replaced and its file resumed where the server allows; a server that takes no more
// connections or logins leaves the work to the connections it took.
//
// Portable: the platform gives it its sockets (network.h) and its local files (below).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ftp/control_connection.h"
#include "platform/ftp_session.h"
#include "platform/network.h"
#include "platform/platform.h"

namespace qs::ftp {

// A local file that could not be opened or written: no fault of the server's. The text is the
// system's.
class local_file_error : public system_error {
public:
    using system_error::system_error;
};

// A local file open for a transfer, with the digest of everything in it.
class local_file {
public:
    virtual ~local_file() = default;
    // The bytes in the file: where the transfer goes on.
    virtual std::uint64_t size() const = 0;
    // Throws local_file_error.
    virtual void write(const char* data, std::size_t size) = 0;
    // Writes the file through to the disk; its size and MD5 as a whole. Throws local_file_error.
    virtual download_result finish() = 0;
};

class local_files {
public:
    virtual ~local_files() = default;
    // Opens the file, or creates it, for a transfer that goes on after its first `keep` bytes
    // (all of them when it is shorter): those stay and count into the digest, anything after them
    // goes. Throws local_file_error.
    virtual std::unique_ptr<local_file> open(const std::wstring& path, std::uint64_t keep) = 0;
};

// How often a file is taken up over a connection that then breaks before it fails.
inline constexpr int attempts_per_file = 3;

class file_queue;

class pooled_session : public ftp_session {
public:
    // `codec` supplies the ANSI code page, both ways, from any thread.
    pooled_session(std::unique_ptr<network> net, std::unique_ptr<local_files> files, platform& codec,
                   ftp_account account);
    // The idle connections QUIT.
    ~pooled_session() override;

    std::vector<std::uint8_t> fetch(const std::wstring& server_path, std::uint64_t max_bytes) override;
    std::vector<ftp_file_result> fetch_files(const std::vector<ftp_file>& files, ftp_progress& progress) override;
    void stop() override;

private:
    void resolve_once();
    std::unique_ptr<control_connection> take_connection();
    std::unique_ptr<control_connection> take_connection_for(file_queue& queue);
    void give_back(std::unique_ptr<control_connection> connection);
    void serve(file_queue& queue, std::unique_ptr<control_connection> connection) noexcept;
    bool fetch_one(control_connection& connection, file_queue& queue, std::size_t index);

    std::unique_ptr<network> net_;
    std::unique_ptr<local_files> files_;
    session_settings session_;
    std::mutex idle_mutex_;
    std::vector<std::unique_ptr<control_connection>> idle_;  // logged in, waiting for work
};

}  // namespace qs::ftp
