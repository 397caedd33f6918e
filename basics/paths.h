#pragma once
// Path texts and the shared unit's path functions. Paths use "\" between levels.

#include <string>

#include "platform/platform.h"

namespace qs {

// ---- small text helpers used all over the program
bool ends_with_backslash(const std::wstring& path);
std::wstring with_trailing_backslash(std::wstring path);
// Removes one trailing "\" (a drive root D:\ becomes D:).
std::wstring without_trailing_backslash(std::wstring path);
// Only a to z change, as the program's key and name comparisons need.
std::wstring ascii_upper(std::wstring text);
std::wstring ascii_lower(std::wstring text);
// The part after the last "\" or "/".
std::wstring file_name_of(const std::wstring& path);
// The part up to and including the last "\" or "/" ("" when there is none).
std::wstring folder_part_of(const std::wstring& path);

// ---- the shared unit's path functions
// The user's application-data folder, no trailing "\"; empty when the shell names none.
std::wstring appdata_dir(platform& os);
// The running program's file name without its last four characters, upper-cased in ASCII.
std::wstring exe_title(platform& os);
// appdata_dir + "\" + exe_title + "\" + name.
std::wstring user_settings_path(platform& os, const std::wstring& name);
// The folder of the running program with its trailing "\" (the installation folder).
std::wstring installation_folder(platform& os);
// The folder of the running program, with its trailing "\", followed directly by name.
std::wstring program_dir_path(platform& os, const std::wstring& name);
// True if the folder exists; otherwise creates that one level and says whether that worked.
bool ensure_dir(platform& os, const std::wstring& path);
// True when a directory search for the path finds any entry.
bool file_found(platform& os, const std::wstring& path);

}  // namespace qs
