#include "tests/ftp/update_server_process.h"

#include <windows.h>

#include "build_settings.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace qs::ftp_test {
namespace fs = std::filesystem;

namespace {

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

fs::path windows_path_of_unix(const std::string& unix_path)
{
    std::string p = "Z:" + unix_path;
    for (char& c : p)
        if (c == '/') c = '\\';
    return fs::path(widen(p));
}

}  // namespace

fs::path build_folder() { return windows_path_of_unix(QS_BINARY_DIR_UNIX); }

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
    // Wine starts a Unix program when given one; it gets no Windows process handle, so the
    // server is told to stop through a file and reports readiness through another.
    std::wstring line = widen(command);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(L"Z:\\usr\\bin\\python3", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        throw std::runtime_error("cannot start the update server");
    if (info.hThread != nullptr) CloseHandle(info.hThread);
    if (info.hProcess != nullptr) CloseHandle(info.hProcess);
    for (int i = 0; i < 400 && !fs::exists(folder_ / "ready"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    if (!fs::exists(folder_ / "ready")) throw std::runtime_error("the update server did not get ready");
}

update_server::~update_server()
{
    write_bytes(folder_ / "stop", "stop");
    // The server removes its ready file on the way out; after that its port is free again.
    for (int i = 0; i < 400 && fs::exists(folder_ / "ready"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
}

void sign_with_openssl(const std::string& private_key, const fs::path& file, const fs::path& signature)
{
    const fs::path done = signature.parent_path() / (signature.filename().string() + ".done");
    fs::remove(signature);
    fs::remove(done);
    // Wine gives a Unix child no process handle to wait on: the child reports through a file.
    std::wstring line = widen("/bin/sh -c \"/usr/bin/openssl dgst -sha256 -sign " + private_key + " -out " +
                              unix_path_of(signature) + " " + unix_path_of(file) + " && echo ok > " +
                              unix_path_of(done) + "\"");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        throw std::runtime_error("cannot start openssl");
    if (info.hThread != nullptr) CloseHandle(info.hThread);
    if (info.hProcess != nullptr) CloseHandle(info.hProcess);
    bool signed_it = false;
    for (int i = 0; i < 400 && !(signed_it = read_bytes(done) == "ok\n"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    fs::remove(done);
    if (!signed_it) throw std::runtime_error("openssl did not sign " + file.string());
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
    return out;
}

}  // namespace qs::ftp_test
