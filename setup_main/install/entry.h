#pragma once
// The installation as Windows knows it: its entry in Apps & Features (the Uninstall key), the
// release it shows, and the counts of the files it shares in the Windows folder (SharedDLLs).

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/registry_text.h"
#include "setup_main/install/record.h"

namespace qs::install {

inline constexpr const wchar_t* uninstall_root_key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr const wchar_t* shared_dlls_key = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
inline constexpr const wchar_t* publisher_name = L"Korvex Hard- and Software";

// ---- registry values as the program writes and reads them
registry_data string_value(const std::wstring& text);
registry_data dword_value(std::uint32_t number);
std::optional<std::uint32_t> number_of(const registry_data& data);  // REG_DWORD
// The value, or type none when it or its key is missing.
registry_data read_value(platform& os, registry_root root, const std::wstring& key, const std::wstring& name);

// The entry's key name: Korvex_<application name> (the program folder's name when it has none).
std::wstring entry_key_name(const std::wstring& application_name, const std::wstring& program_folder);

// The release installed in the program folder: the higher of the update's release record and
// init_setup\release.txt, else the program's own version.
std::wstring installed_release(platform& os, const std::wstring& program_folder);

// The record's line for the Apps & Features entry of an installed program folder: under HKLM with
// administrator rights, else under HKCU.
record_line entry_line(platform& os, const std::wstring& program_folder, const std::wstring& application_name);
// Where an entry line's key lies.
registry_root root_of_entry(const record_line& line);
// Writes that entry's values. Throws system_error when they cannot be written.
void write_entry(platform& os, const std::wstring& program_folder, const std::wstring& application_name);

// An Internet update that committed a release: the entry of the folder, if it has one, shows it.
// Never throws: the update has succeeded whatever happens here.
void show_installed_release(platform& os, const std::wstring& program_folder, std::uint64_t release);

// ---- files shared in the Windows folder
// One more installation uses the file. A file that was there before with no count starts at 2,
// so that no uninstall ever removes what something else put there.
void count_shared_file(platform& os, const std::wstring& path, bool was_there);
// One installation fewer: the count left (0: the value is gone and nothing uses the file any
// more); nothing when the file has no count.
std::optional<std::uint32_t> release_shared_file(platform& os, const std::wstring& path);

}  // namespace qs::install
