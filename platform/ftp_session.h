#pragma once
// The FTP side of the update's transport (transport.h): the account of an FTP server, and the
// transport's names as the FTP client (platform/ftp) knows them.
//
// The client itself is portable (platform/ftp); the Win32 platform runs it over Winsock into real
// files, the fake platform models a server of files in memory.

#include <string>

#include "platform/transport.h"

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
inline constexpr std::size_t ftp_max_connections = max_connections_per_source;

using ftp_file = transfer_file;
using ftp_file_state = file_state;
using ftp_failure = transfer_failure;
using ftp_file_result = file_result;
using ftp_progress = transfer_progress;
using ftp_session = transfer_session;

}  // namespace qs
