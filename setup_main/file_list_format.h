#pragma once
// The file-list line and the order every file list is kept in.
//
// A line is: relative path (levels joined by "/"), TAB, MD5 as 32 upper-case hexadecimal digits,
// TAB, size in bytes as a plain decimal number. Lists are sorted ascending by the whole line,
// case ignored, in the user locale's collation.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace qs {

inline constexpr const wchar_t* file_list_name = L"___korvex_file_list.txt";
inline constexpr const wchar_t* remote_file_list_name = L"___korvex_file_list_remote.txt";
// The maker's signature of the list, beside it on the server and, once verified, locally.
inline constexpr const wchar_t* file_list_signature_name = L"___korvex_file_list.txt.sig";
inline constexpr const wchar_t* remote_file_list_signature_name = L"___korvex_file_list_remote.txt.sig";
inline constexpr const wchar_t* files_to_get_name = L"___files_to_get.txt";
inline constexpr const wchar_t* files_to_delete_name = L"___files_to_delete.txt";
// The Internet update's own folder inside the installation (setup_main/update/staging.h), which
// no file list lists.
inline constexpr const wchar_t* staging_folder_name = L"___korvex_update";

std::wstring file_list_line(const std::wstring& relative_path, const std::wstring& md5_hex, std::uint64_t size);

// Removes leading and trailing characters of code U+0020 or below.
std::wstring trim_controls(const std::wstring& text);
// The same, as a view into the text: for look-ups that need no copy.
std::wstring_view trim_controls_view(std::wstring_view text);

// Field n (from 1) of a TAB-separated line, trimmed as above; "" when the line has fewer fields.
std::wstring tab_field(const std::wstring& line, int n);

// Replaces every entry by its first field: the path, trimmed.
void reduce_to_paths(std::vector<std::wstring>& lines);

// What a line promises about its file, when its digest and size fields are well formed.
struct file_list_entry {
    std::wstring path;
    std::wstring md5_hex;  // 32 upper-case hexadecimal digits
    std::uint64_t size = 0;
};
std::optional<file_list_entry> parse_file_list_line(const std::wstring& line);

// A walk folder or base as list_folder_files joins names to it: a trailing "\" becomes "/", and a
// non-empty text gets a final "/".
std::wstring normalised_walk_folder(std::wstring folder);

// The same path with "\" between all levels, as the platform is handed it.
std::wstring with_backslashes(std::wstring path);

// Sorts ascending by the lines' sort keys (os.sort_keys, case ignored), which order exactly as
// os.compare_locale(a, b, true); lines the collation calls equal keep their order.
void sort_file_list(platform& os, std::vector<std::wstring>& lines);

}  // namespace qs
