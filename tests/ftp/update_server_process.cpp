#include "tests/ftp/update_server_process.h"

#include <windows.h>

#include "build_settings.h"
#include "setup_main/update/signed_list.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace qs::ftp_test {
namespace fs = std::filesystem;

namespace {

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }


// Starts a Unix program, which Wine runs when given one. It gets no Windows process handle to
// wait on or to signal, so it reports through files, which eventually() watches.
void start_unix_program(const wchar_t* program, const std::string& command_line)
{
    std::wstring line = widen(command_line);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        throw std::runtime_error("cannot start " + command_line);
    if (info.hThread != nullptr) CloseHandle(info.hThread);
    if (info.hProcess != nullptr) CloseHandle(info.hProcess);
}

// Whether the condition holds, looked at every 25 ms for up to 10 s.
bool eventually(const std::function<bool()>& condition)
{
    for (int i = 0; i < 400; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return condition();
}

}  // namespace

fs::path build_folder() { return test::wine_path_of(QS_BINARY_DIR_UNIX); }

std::string unix_path_of(const fs::path& windows_path)
{
    std::string p = windows_path.string();
    if (p.size() < 2 || (p[0] != 'Z' && p[0] != 'z') || p[1] != ':') throw std::runtime_error("not below Z: " + p);
    p.erase(0, 2);
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

update_server::update_server(const fs::path& root, const std::vector<std::string>& misbehaviours,
                             const std::vector<std::string>& options)
    : folder_(root.parent_path() / "server_state")
{
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    std::string command = "/usr/bin/python3 " + std::string(QS_SOURCE_DIR_UNIX) + "/tests/ftp/update_server.py" +
                          " --root " + unix_path_of(root) + " --port " + std::to_string(build::update_server_port) +
                          " --ready-file " + unix_path_of(folder_ / "ready") + " --stop-file " +
                          unix_path_of(folder_ / "stop") + " --log " + unix_path_of(folder_ / "log") +
                          " --max-seconds 120";
    for (const std::string& m : misbehaviours) command += " --misbehave " + m;  // no shell between: no quotes
    for (const std::string& o : options) command += " " + o;
    // The server is told to stop through a file and reports readiness through another.
    start_unix_program(L"Z:\\usr\\bin\\python3", command);
    if (!eventually([this] { return fs::exists(folder_ / "ready"); }))
        throw std::runtime_error("the update server did not get ready");
}

update_server::~update_server()
{
    write_bytes(folder_ / "stop", "stop");
    // The server removes its ready file on the way out; after that its port is free again.
    eventually([this] { return !fs::exists(folder_ / "ready"); });
}

void sign_with_openssl(const std::string& private_key, const fs::path& list, const fs::path& signature,
                       const std::wstring& application, std::uint64_t release)
{
    const std::string heading = update::signature_heading(application, release);
    const fs::path signed_part = signature.parent_path() / (signature.filename().string() + ".signed");
    const fs::path der = signature.parent_path() / (signature.filename().string() + ".der");
    const fs::path done = signature.parent_path() / (signature.filename().string() + ".done");
    for (const fs::path& p : {signature, der, done}) fs::remove(p);
    write_bytes(signed_part, heading + read_bytes(list));
    start_unix_program(L"Z:\\bin\\sh", "/bin/sh -c \"/usr/bin/openssl dgst -sha256 -sign " + private_key + " -out " +
                                             unix_path_of(der) + " " + unix_path_of(signed_part) + " && echo ok > " +
                                             unix_path_of(done) + "\"");
    const bool signed_it = eventually([&done] { return read_bytes(done) == "ok\n"; });
    const std::string der_bytes = read_bytes(der);
    for (const fs::path& p : {signed_part, der, done}) fs::remove(p);
    if (!signed_it) throw std::runtime_error("openssl did not sign " + list.string());
    write_bytes(signature, heading + "signature: " +
                               update::base64_encode(std::vector<std::uint8_t>(der_bytes.begin(), der_bytes.end())) +
                               "\r\n");
}

std::vector<std::string> update_server::retrieved() const
{
    std::vector<std::string> out;
    std::istringstream log(read_bytes(folder_ / "log"));
    for (std::string line; std::getline(log, line);) {
        // The server logs every download it is asked for as "<time> fetch <server path>".
        const auto at = line.find(" fetch /");
        if (at == std::string::npos) continue;
        std::string path = line.substr(at + 7);
        while (!path.empty() && (path.back() == '\r' || path.back() == '\n')) path.pop_back();
        out.push_back(path);
    }
    auto files = out.begin();
    for (auto it = out.begin(); it != out.end(); ++it)
        if (it->find("/___korvex_file_list.txt") != std::string::npos) files = it + 1;
    std::sort(files, out.end());
    return out;
}

std::vector<std::string> update_server::commands() const
{
    std::vector<std::string> out;
    std::istringstream log(read_bytes(folder_ / "log"));
    for (std::string line; std::getline(log, line);) {
        // pyftpdlib logs each command it receives as "<time> <peer>-[<user>] <- <command>".
        const auto at = line.find(" <- ");
        if (at == std::string::npos) continue;
        std::string command = line.substr(at + 4);
        while (!command.empty() && (command.back() == '\r' || command.back() == '\n')) command.pop_back();
        if (command.rfind("PASS ", 0) == 0) continue;
        out.push_back(command);
    }
    return out;
}

}  // namespace qs::ftp_test
