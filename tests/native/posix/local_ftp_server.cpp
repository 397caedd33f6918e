#include "tests/native/posix/local_ftp_server.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "setup_main/server_paths.h"

namespace qs::native_ftp {
namespace fs = std::filesystem;

local_ftp_server::local_ftp_server(const std::vector<std::string>& options)
{
    root_ = fs::temp_directory_path() / ("qs_ftp_" + std::to_string(::getpid()) + "_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    fs::remove_all(root_);
    fs::create_directories(root_ / "public" / "live" / "MyApp");
    std::vector<std::string> args = {"/usr/bin/python3", QS_SOURCE_DIR "/tests/ftp/update_server.py", "--root",
                                     root_.string(), "--port", "0", "--log", (root_ / "server.log").string(),
                                     // it ends by itself should a test die without stopping it: its
                                     // error output is the test's, which ctest reads to its end
                                     "--max-seconds", "120"};
    args.insert(args.end(), options.begin(), options.end());
    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    // The first line is "ready PORT" once the server listens.
    FILE* from_server = ::fdopen(out[0], "r");
    char line[64] = {};
    const bool ready = std::fgets(line, sizeof line, from_server) != nullptr && std::sscanf(line, "ready %d", &port_) == 1;
    std::fclose(from_server);
    if (!ready) throw std::runtime_error("the update server did not start: is python3-pyftpdlib installed?");
}

local_ftp_server::~local_ftp_server()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void local_ftp_server::publish(const std::string& relative_path, const std::string& content)
{
    const fs::path path = root_ / "public" / "live" / "MyApp" / fs::u8path(relative_path);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

ftp_account local_ftp_server::account(int timeout_ms) const
{
    ftp_account a = update_server_account();
    a.host = L"127.0.0.1";
    a.port = port_;
    a.receive_timeout_ms = timeout_ms;
    return a;
}

std::vector<std::string> local_ftp_server::commands() const
{
    // The client does not wait for the answer to QUIT: read the log once every session has
    // closed on the server's side too.
    std::vector<std::string> out;
    for (int attempt = 0; attempt < 200; ++attempt) {
        out.clear();
        int open_sessions = 0;
        std::ifstream log(root_ / "server.log", std::ios::binary);
        for (std::string line; std::getline(log, line);) {
            if (const auto at = line.find("] <- "); at != std::string::npos) out.push_back(line.substr(at + 5));
            if (line.find("FTP session opened") != std::string::npos) ++open_sessions;
            if (line.find("FTP session closed") != std::string::npos) --open_sessions;
        }
        if (open_sessions == 0) break;
        ::usleep(10000);
    }
    return out;
}

std::string local_ftp_server::log() const
{
    std::ifstream file(root_ / "server.log", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace qs::native_ftp
