#pragma once
// The test update server (tests/ftp/update_server.py) as a child process on a free port of
// 127.0.0.1, serving a folder of its own, with every command it receives logged.

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qs::native_ftp {

class local_ftp_server {
public:
    // Options of update_server.py, e.g. {"--refuse-port"} or {"--misbehave", "550@*/b.txt"}.
    explicit local_ftp_server(const std::vector<std::string>& options = {});
    ~local_ftp_server();
    local_ftp_server(const local_ftp_server&) = delete;
    local_ftp_server& operator=(const local_ftp_server&) = delete;

    // A file below the live folder of the application "MyApp".
    void publish(const std::string& relative_path, const std::string& content);
    // The program's account of the update server, on this server's address.
    ftp_account account(int timeout_ms = 3000) const;
    // The commands the server received, in order ("USER login-5203", "PASS ******", "RETR ...").
    std::vector<std::string> commands() const;
    // The server's whole log, as far as it has come.
    std::string log() const;
    int port() const { return port_; }

private:
    std::filesystem::path root_;
    int pid_ = -1;
    int port_ = 0;
};

}  // namespace qs::native_ftp
