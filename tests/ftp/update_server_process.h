#pragma once
// The local update server (tests/ftp/update_server.py) as a child of a Windows test program
// under Wine; the tests around it take their file helpers from tests/win32/wine_files.h.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/win32/wine_files.h"

namespace qs::ftp_test {

// The Unix path of a test path (all test folders lie below the build tree, reached through Z:).
std::string unix_path_of(const std::filesystem::path& windows_path);
std::filesystem::path build_folder();  // the cross build tree, as a Windows path

// The update server of tests/ftp/update_server.py, started for one test on the build's port and
// stopped (and waited for) when the object goes.
class update_server {
public:
    // `options` name the kind of server (update_server.py: --ansi-server, --refuse-port, ...).
    update_server(const std::filesystem::path& root, const std::vector<std::string>& misbehaviours,
                  const std::vector<std::string>& options = {});
    ~update_server();
    update_server(const update_server&) = delete;
    update_server& operator=(const update_server&) = delete;
    // The server path of every download the server was asked for: the file list and its signature
    // in the order asked, then the files, which parallel connections ask for in no fixed order,
    // sorted.
    std::vector<std::string> retrieved() const;
    // Every command the server received, as sent ("REST 1048576"), in order; the password left out.
    std::vector<std::string> commands() const;

private:
    std::filesystem::path folder_;
};

// Signs a file list as the maker's publishing tool does, with /usr/bin/openssl run by Wine as a
// Unix program: SHA-256 and ECDSA with the private key (a Unix path) over the signature's heading
// (application and release) followed by the list's bytes; `signature` gets the heading and the
// base64 of the DER signature, in the text form of setup_main/update/signed_list.h.
void sign_with_openssl(const std::string& private_key, const std::filesystem::path& list,
                       const std::filesystem::path& signature, const std::wstring& application,
                       std::uint64_t release);

using test::make_folders;
using test::read_bytes;
using test::remove_tree;
using test::write_bytes;

}  // namespace qs::ftp_test
