#pragma once
// What the Internet update asks of the FTP client: one session per run, holding its connections
// to the update server, which fetches the small files (the list, its signature) into memory and
// the files of a release into local files, several at a time, resuming where a file stopped.
//
// The client itself is portable (platform/ftp); the Win32 platform runs it over Winsock into real
// files, the fake platform models a server of files in memory.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qs {

// Everything the connections to the update server need.
struct ftp_account {
    std::wstring host;
    int port = 21;
    std::wstring user;
    std::wstring password;
    int receive_timeout_ms = 60000;
};

// How many connections a session opens to the server at most, each with its own login.
inline constexpr std::size_t ftp_max_connections = 4;

// What a download wrote: its size, and the MD5 of its bytes as 32 upper-case hexadecimal digits.
struct download_result {
    std::uint64_t size = 0;
    std::wstring md5_hex;
};

// One file to fetch into a local file.
struct ftp_file {
    std::wstring server_path;
    std::wstring local_path;  // its folder exists
    // The size the file should have: a transfer that would pass it is stopped there.
    std::uint64_t size = 0;
    // The first bytes already in the local file, from an earlier transfer, which are kept when
    // the server can resume (REST STREAM); 0, or a server that cannot: the file starts over.
    std::uint64_t resume_from = 0;
};

enum class ftp_file_state {
    not_started,  // the session stopped, or another file failed, before this one began
    fetched,      // the whole file arrived
    failed,       // see failure
    stopped,      // stop() ended its transfer; what had arrived is kept in the local file
};

// Why a file failed.
enum class ftp_failure {
    none,
    server,     // refused, cut or broken off by the server or the network
    local,      // the local file could not be opened or written
    too_large,  // the server sent more bytes than the file should have
};

struct ftp_file_result {
    ftp_file_state state = ftp_file_state::not_started;
    download_result whole;           // fetched: size and MD5 of the whole local file
    std::uint64_t resumed_from = 0;  // the byte the last transfer of the file began at
    ftp_failure failure = ftp_failure::none;
    std::wstring failure_text;       // failed: the server's or the system's text
};

// What a session reports while files arrive. Calls come from the transfer threads, one at a time.
class ftp_progress {
public:
    virtual ~ftp_progress() = default;
    // A connection takes up file `index`, to fetch it from byte `from` (again, when a connection
    // broke); called before the server is asked for it.
    virtual void started(std::size_t index, std::uint64_t from) = 0;
    // `bytes` more bytes of file `index` have been written.
    virtual void arrived(std::size_t index, std::uint64_t bytes) = 0;
};

class ftp_session {
public:
    virtual ~ftp_session() = default;
    // A server file of at most max_bytes, into memory. Throws network_error when the server
    // cannot be reached, refuses it or the transfer breaks, and size_limit_error when it is larger.
    virtual std::vector<std::uint8_t> fetch(const std::wstring& server_path, std::uint64_t max_bytes) = 0;
    // Fetches the files into their local files over up to ftp_max_connections connections at
    // once, one result per file, in order. A connection that breaks is replaced and its file
    // fetched again (resumed where it can be). A file that fails (refused, cut by the server, too
    // large, not writable locally) is left as far as it came, and no further file is started.
    virtual std::vector<ftp_file_result> fetch_files(const std::vector<ftp_file>& files, ftp_progress& progress) = 0;
    // Makes every transfer of the session end within a second; what arrived stays in the local
    // files. Safe from any thread, also while no transfer runs (later fetches then end at once).
    virtual void stop() = 0;
};

}  // namespace qs
