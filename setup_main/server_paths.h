#pragma once
// Where the update server keeps a file, which of its paths may be written locally, and the
// account every transfer uses.

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace qs {

// "/public/live/" + application name + "/" + relative path.
std::wstring live_path(const std::wstring& application_name, const std::wstring& relative_path);

// The longest name a path level may have: the file system's 255 less room for the numbered name a
// copy gets when it has to wait in the staging folder to be deleted (update/staging.h).
inline constexpr std::size_t max_server_name_length = 240;
// What the server's file list may hold: anything larger is refused before a file is fetched.
inline constexpr std::uint64_t max_server_list_bytes = 64ull << 20;
inline constexpr std::size_t max_server_line_length = 32 * 1024;
inline constexpr std::size_t max_server_path_levels = 64;

// True when a relative path of the server's list names a file strictly inside the installation
// folder: "/" between levels only, no empty, "." or ".." level, no drive, root, UNC or stream
// name, no character Windows forbids in names, no level ending in a dot or blank, no device name
// (CON, NUL, COM1, ... with or without extension), no level longer than max_server_name_length.
bool is_safe_relative_path(const std::wstring& path);

// The setup program's own executable, which an update never replaces: only at the top level,
// letter case ignored.
bool is_own_executable(const std::wstring& relative_path);

// The one account of the update server, from the build settings.
ftp_account update_server_account();

}  // namespace qs
