#pragma once
// What the Internet update asks of the protocol that fetches: one session per source and run,
// holding its connections, which fetches the small files (the list, its signature) into memory
// and the files of a release into local files, several at a time, resuming where a file stopped.
// FTP (platform/ftp) and HTTP(S) (platform/win32/http.cpp) implement it; the update never knows
// which one fetches.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace qs {

enum class source_scheme { ftp, http, https };

// One place the update reads from: the folder that holds the live folders of the applications,
// as ftp://host:port/public/live/ or https://host/public/live/ names it.
struct update_source {
    source_scheme scheme = source_scheme::ftp;
    std::wstring host;  // an IPv6 address without its brackets
    int port = 21;
    std::wstring user;      // ftp: the account (always filled in); http(s): none
    std::wstring password;  // never logged or shown
    std::wstring folder = L"/";  // begins and ends with "/"; percent escapes of the URL decoded
};

// The proxy a session goes through: empty for none (direct), or "host:port".
struct proxy_choice {
    std::wstring proxy;
    bool direct() const { return proxy.empty(); }
};

// How many connections a session opens to the server at most.
inline constexpr std::size_t max_connections_per_source = 4;

// What a download wrote: its size, and the MD5 of its bytes as 32 upper-case hexadecimal digits.
struct download_result {
    std::uint64_t size = 0;
    std::wstring md5_hex;
};

// One file to fetch into a local file.
struct transfer_file {
    std::wstring server_path;  // absolute on the server, not encoded
    std::wstring local_path;   // its folder exists
    // The size the file should have: a transfer that would pass it is stopped there.
    std::uint64_t size = 0;
    // The first bytes already in the local file, from an earlier transfer, which are kept when
    // the server can resume; 0, or a server that cannot: the file starts over.
    std::uint64_t resume_from = 0;
};

enum class file_state {
    not_started,  // the session stopped, or another file failed, before this one began
    fetched,      // the whole file arrived
    failed,       // see failure
    stopped,      // stop() ended its transfer; what had arrived is kept in the local file
};

// Why a file failed.
enum class transfer_failure {
    none,
    server,     // refused, cut or broken off by the server or the network
    local,      // the local file could not be opened or written
    too_large,  // the server sent more bytes than the file should have
};

struct file_result {
    file_state state = file_state::not_started;
    download_result whole;           // fetched: size and MD5 of the whole local file
    std::uint64_t resumed_from = 0;  // the byte the last transfer of the file began at
    transfer_failure failure = transfer_failure::none;
    std::wstring failure_text;       // failed: the server's or the system's text

    // A file that failed for this reason, its last transfer having begun at byte `from`.
    static file_result failed(transfer_failure why, std::wstring text, std::uint64_t from)
    {
        file_result result;
        result.state = file_state::failed;
        result.failure = why;
        result.failure_text = std::move(text);
        result.resumed_from = from;
        return result;
    }
};

// What a session reports while files arrive. Calls come from the transfer threads, one at a time.
class transfer_progress {
public:
    virtual ~transfer_progress() = default;
    // A connection takes up file `index`, to fetch it from byte `from` (again, when a connection
    // broke, or from 0 when the server would not resume); called before the bytes are asked for.
    virtual void started(std::size_t index, std::uint64_t from) = 0;
    // `bytes` more bytes of file `index` have been written.
    virtual void arrived(std::size_t index, std::uint64_t bytes) = 0;
};

// A small server file to fetch into memory, and the most bytes it may have.
struct small_file {
    std::wstring server_path;
    std::uint64_t max_bytes = 0;
};

// What fetching a small file came to: its bytes, or what fetch() would have thrown.
struct small_file_result {
    std::vector<std::uint8_t> bytes;
    std::exception_ptr failure;

    // The bytes, or the failure thrown as fetch() would have thrown it.
    std::vector<std::uint8_t> take()
    {
        if (failure) std::rethrow_exception(failure);
        return std::move(bytes);
    }
};

class transfer_session {
public:
    virtual ~transfer_session() = default;
    // A server file of at most max_bytes, into memory. Throws network_error when the server
    // cannot be reached, refuses it or the transfer breaks (source_unreachable and its kinds when
    // the source could not be reached at all), and size_limit_error when it is larger.
    virtual std::vector<std::uint8_t> fetch(const std::wstring& server_path, std::uint64_t max_bytes) = 0;
    // Fetches the files into their local files over up to max_connections_per_source connections
    // at once, one result per file, in order. A connection that breaks is replaced and its file
    // fetched again (resumed where it can be). A file that fails (refused, cut by the server, too
    // large, not writable locally) is left as far as it came, and no further file is started.
    virtual std::vector<file_result> fetch_files(const std::vector<transfer_file>& files, transfer_progress& progress) = 0;
    // The small files, one result per file in order, each as fetch() gets it. This one fetches
    // them one after the other and none after one that failed (empty, with no failure). A session
    // with connections of its own to open fetches them side by side, one per connection, and
    // opens the rest meanwhile, with a request for the first file that fetches nothing: the
    // files after a failed one may then have arrived too, and fetch_files starts on connections
    // already made, not on handshakes.
    virtual std::vector<small_file_result> fetch_small_files(const std::vector<small_file>& files)
    {
        std::vector<small_file_result> results(files.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            results[i] = fetch_small_file(files[i]);
            if (results[i].failure) break;
        }
        return results;
    }
    // Makes every transfer of the session end within a second; what arrived stays in the local
    // files. Safe from any thread, also while no transfer runs (later fetches then end at once).
    virtual void stop() = 0;

protected:
    // One small file by fetch(), what it throws kept in the result.
    small_file_result fetch_small_file(const small_file& file) noexcept
    {
        small_file_result result;
        try {
            result.bytes = fetch(file.server_path, file.max_bytes);
        } catch (...) {
            result.failure = std::current_exception();
        }
        return result;
    }
};

}  // namespace qs
