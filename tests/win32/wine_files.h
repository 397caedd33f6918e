#pragma once
// Files and folders on Windows paths, and console programs such as reg.exe, for every suite that
// runs under Wine (the Win32 platform, components, FTP and GUI suites). A path may begin with
// "\\?\" to reach below MAX_PATH.

#include <string>

namespace qs::test {

// Makes the folder and every missing folder above it; throws when it is not there afterwards.
void make_folders(const std::wstring& path);
// Removes a file, or a folder with everything in it (attributes cleared first); nothing when
// the path is not there.
void remove_tree(const std::wstring& path);
// Writes the file anew, making its folders as needed; throws when Windows refuses.
void write_bytes(const std::wstring& path, const std::string& bytes);
// The file's bytes, or "<missing>" when it cannot be opened.
std::string read_bytes(const std::wstring& path);
bool file_exists(const std::wstring& path);
bool folder_exists(const std::wstring& path);

// Runs a console program with its output captured; returns what it wrote to stdout and stderr.
std::string run_captured(const std::wstring& command_line);
// The data column of a `reg query` line for the value (e.g. "ProgramFilesDir" or "(Default)"),
// or "<no value>" when the output holds none.
std::string reg_query_data(const std::string& output, const std::string& value_label);

// ASCII only, anything else as '?': for the texts of failures and test messages.
std::string narrow(const std::wstring& text);

// The path under Wine of a Linux path (ASCII, as the build gives them): Wine maps "/" to drive Z:.
std::wstring wine_path_of(const std::string& linux_path);

}  // namespace qs::test
