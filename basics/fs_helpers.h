#pragma once
// The shared unit's file-system helpers: time stamps, the Windows and program-files folders,
// copying through the shell, copying missing files, listing subfolders and cutting paths.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/platform.h"

namespace qs {

// Short date + two blanks + long time, e.g. "07.12.2026  12:44:12".
std::wstring date_time_stamp(platform& os);

// The Windows directory; system_error with the last error's text when the platform gives none.
std::wstring windows_folder(platform& os);

using registry_value = std::variant<std::wstring, std::uint32_t>;
// Reads a value for query only. Strings and expandable strings come back unexpanded, 32-bit
// numbers as numbers, binary data as text (each byte pair one UTF-16 unit, as a string buffer
// receives them). Any other type, a missing value or an incomplete binary read raise
// system_error with the system's text for win_error::cant_read; a key that cannot be opened
// raises the open's own error text. The key path may start with "\": it is taken relative to the root.
registry_value read_registry_value(platform& os, registry_root root, const std::wstring& key,
                                   const std::wstring& value_name);

// HKLM\Software\Microsoft\Windows\CurrentVersion, value ProgramFilesDir, as text.
std::wstring program_files_folder(platform& os);

// Copies a file or a whole folder through the shell; true when the shell reports success.
bool shell_copy(platform& os, const std::wstring& from, const std::wstring& to);

// Deletes a folder with all it holds, read-only files too; false when anything stayed.
bool delete_folder_tree(platform& os, const std::wstring& folder);

// Copies the files (not the subfolders) of `source` matching `mask` into `target`, never replacing
// a file that exists there. False only when an error interrupted the listing or copying.
bool copy_missing_files(platform& os, const std::wstring& source, const std::wstring& target,
                        const std::wstring& mask);

// Fills `names` with the subfolders of `folder` in directory order: hidden ones included, those
// with the system attribute and those whose name begins with "." left out. Returns their number.
int list_subfolders(platform& os, const std::wstring& folder, std::vector<std::wstring>& names);

// The path without its last component and the separator before it ("\" or "/"):
// C:\Data\Sample gives C:\Data, C:\Data\Sample\ gives C:\Data\Sample, C:\Data gives C:, and a
// path without separator gives "".
std::wstring parent_folder(const std::wstring& path);

}  // namespace qs
