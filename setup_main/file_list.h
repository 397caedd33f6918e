#pragma once
// The file list of a folder (file_list_format.h), as "Generate file list" and the Internet update
// make it. The Internet update's staging folder is never listed.

#include <string>
#include <vector>

#include "platform/platform.h"

namespace qs {

// One line per file below the folder, in the order of the walk: a folder's files, then its
// subfolders'. Paths are relative to `base`.
std::vector<std::wstring> list_folder_files(platform& os, const std::wstring& folder, const std::wstring& base);

// Lists the folder, sorts the lines and saves them as ___korvex_file_list.txt in it; the lines.
std::vector<std::wstring> generate_file_list(platform& os, const std::wstring& folder);

}  // namespace qs
