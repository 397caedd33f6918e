#pragma once
// The local update server (tests/ftp/update_server.py) as a child of a Windows test program
// under Wine; the tests around it take their file helpers from tests/win32/wine_files.h.

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
    // The server path of every download the server was asked for, in order.
    std::vector<std::string> retrieved() const;

private:
    std::filesystem::path folder_;
};

// Signs a file as the maker's publishing script does, with /usr/bin/openssl run by Wine as a Unix
// program: SHA-256, ECDSA with the private key (a Unix path), DER into `signature`.
void sign_with_openssl(const std::string& private_key, const std::filesystem::path& file,
                       const std::filesystem::path& signature);

using test::read_bytes;
using test::remove_tree;
using test::write_bytes;

}  // namespace qs::ftp_test
