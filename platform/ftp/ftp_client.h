#pragma once
// The FTP client of the Internet update: one connection for one file, with the protocol kept here
// and the sockets behind the network interface.
//
// Per file: connect, expect 220, USER, PASS, (FEAT once per run), TYPE I, the data connection,
// RETR, the data and the final reply in either order, QUIT without waiting for its answer.
// The data connection is active first (PORT with the local address of the control connection),
// since the update server expects that; when PORT is refused or no data connection arrives
// within the time-out, the same file is fetched again over a new connection in passive mode
// (PASV, connecting to the control connection's peer whatever address the reply names), and once
// passive has worked the rest of the run goes passive at once. Paths that are not plain ASCII
// are sent in UTF-8 after OPTS UTF8 ON when the server lists UTF8 among its features, and in the
// ANSI code page otherwise.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/network.h"
#include "platform/platform.h"

namespace qs::ftp {

// What one Internet update run learns about the update server on its first transfers and keeps
// for the later ones.
struct ftp_run_state {
    bool passive = false;         // passive mode has worked after active failed: go passive at once
    bool features_known = false;  // FEAT has been asked
    bool utf8 = false;            // the server lists UTF8 among its features
};

// Where the bytes of a transfer go.
class byte_sink {
public:
    virtual ~byte_sink() = default;
    virtual void write(const char* data, std::size_t size) = 0;
};

// Fetches one server file into the sink. Waits at most account.receive_timeout_ms for each step.
// Throws timeout_error when the server says nothing within that time, system_error with the
// server's reply text when it refuses a step or reports the transfer failed, and system_error
// when the file exceeds max_bytes. `codec` supplies the ANSI code page, both ways.
void retrieve(network& net, platform& codec, const ftp_account& account, ftp_run_state& run,
              const std::wstring& server_path, byte_sink& sink, std::uint64_t max_bytes);

// "h1,h2,h3,h4,p1,p2", the argument of PORT.
std::string port_argument(ipv4_endpoint endpoint);
// The port of a 227 reply's "(h1,h2,h3,h4,p1,p2)"; nothing when the text holds no such group.
std::optional<std::uint16_t> passive_port(const std::string& reply_text);
// True when a FEAT reply lists UTF8.
bool lists_utf8(const std::string& feat_reply_text);

}  // namespace qs::ftp
