#include "setup_main/install/entry.h"

#include <algorithm>
#include <functional>

#include "basics/paths.h"
#include "basics/text_files.h"
#include "build_settings.h"
#include "platform/utf8.h"
#include "setup_main/file_list_format.h"
#include "setup_main/shortcut_candidates.h"
#include "setup_main/update/staging.h"

namespace qs::install {
namespace {

// Bytes of all files below the folder.
std::uint64_t bytes_below(platform& os, const std::wstring& folder)
{
    std::uint64_t total = 0;
    for (const dir_entry& e : os.find_entries(folder + L"*")) {
        if (e.name == L"." || e.name == L"..") continue;
        total += e.is_directory() ? bytes_below(os, folder + e.name + L"\\") : e.size;
    }
    return total;
}

std::wstring display_icon(platform& os, const std::wstring& folder)
{
    const auto is_file = [&os](const std::wstring& p) { return os.file_exists(p); };
    const std::vector<std::wstring> programs =
        candidate_paths(folder, os.find_entries(folder + L"*.exe"), is_file, setup_program_names);
    return programs.empty() ? folder + file_name_of(os.program_path()) : programs.front();
}

// YYYYMMDD from the local time stamp (2026-12-08T16:45:49).
std::wstring install_date(platform& os)
{
    std::wstring date;
    for (wchar_t c : os.local_timestamp().substr(0, 10))
        if (c != L'-') date.push_back(c);
    return date;
}

}  // namespace

registry_data string_value(const std::wstring& text)
{
    registry_data data;
    data.type = reg_type::sz;
    for (wchar_t c : text + std::wstring(1, L'\0')) {
        data.bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        data.bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    return data;
}

registry_data dword_value(std::uint32_t number)
{
    registry_data data;
    data.type = reg_type::dword;
    for (int i = 0; i < 4; ++i) data.bytes.push_back(static_cast<std::uint8_t>((number >> (8 * i)) & 0xFF));
    return data;
}


std::optional<std::uint32_t> number_of(const registry_data& data)
{
    if (data.type != reg_type::dword || data.bytes.size() != 4) return std::nullopt;
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | data.bytes[static_cast<std::size_t>(i)];
    return n;
}

registry_data read_value(platform& os, registry_root root, const std::wstring& key, const std::wstring& name)
{
    if (!os.registry_key_exists(root, key)) return {};
    try {
        return os.query_registry_value(root, key, name);
    } catch (const system_error&) {
        return {};
    }
}

std::wstring entry_key_name(const std::wstring& application_name, const std::wstring& program_folder)
{
    return L"Korvex_" + (application_name.empty() ? file_name_of(without_trailing_backslash(program_folder))
                                                  : application_name);
}

std::wstring installed_release(platform& os, const std::wstring& program_folder)
{
    const std::optional<std::uint64_t> release = update::installed_release(os, program_folder);
    return release ? std::to_wstring(*release) : std::wstring(build::version);
}

record_line entry_line(platform& os, const std::wstring& program_folder, const std::wstring& application_name)
{
    return {change::entry,
            {os.is_administrator() ? L"HKLM" : L"HKCU",
             std::wstring(uninstall_root_key) + L"\\" + entry_key_name(application_name, program_folder)}};
}

registry_root root_of_entry(const record_line& line)
{
    return !line.fields.empty() && line.fields[0] == L"HKLM" ? registry_root::local_machine : registry_root::current_user;
}

void write_entry(platform& os, const std::wstring& program_folder, const std::wstring& application_name)
{
    const std::wstring folder = with_trailing_backslash(program_folder);
    const record_line line = entry_line(os, folder, application_name);
    const registry_root root = root_of_entry(line);
    const std::wstring& key = line.fields[1];
    const std::wstring uninstall = L"\"" + folder + file_name_of(os.program_path()) + L"\" /uninstall";
    const std::uint64_t kilobytes = (bytes_below(os, folder) + 1023) / 1024;
    const auto set = [&](const wchar_t* name, const registry_data& data) { os.write_registry_value(root, key, name, data); };
    set(L"DisplayName", string_value(application_name.empty() ? file_name_of(without_trailing_backslash(folder))
                                                               : application_name));
    set(L"Publisher", string_value(publisher_name));
    set(L"DisplayVersion", string_value(installed_release(os, folder)));
    set(L"InstallLocation", string_value(folder));
    set(L"DisplayIcon", string_value(display_icon(os, folder)));
    set(L"UninstallString", string_value(uninstall));
    set(L"QuietUninstallString", string_value(uninstall + L" /silent"));
    set(L"EstimatedSize", dword_value(static_cast<std::uint32_t>(std::min<std::uint64_t>(kilobytes, 0xFFFFFFFFu))));
    set(L"InstallDate", string_value(install_date(os)));
    set(L"NoModify", dword_value(1));
    set(L"NoRepair", dword_value(1));
}

void show_installed_release(platform& os, const std::wstring& program_folder, std::uint64_t release)
{
    try {
        const install_record record(os, program_folder);
        for (const record_line& line : record.lines()) {
            if (line.what != change::entry || line.fields.size() < 2) continue;
            const registry_root root = root_of_entry(line);
            if (os.registry_key_exists(root, line.fields[1]))
                os.write_registry_value(root, line.fields[1], L"DisplayVersion", string_value(std::to_wstring(release)));
        }
    } catch (const system_error&) {
    }
}

void count_shared_file(platform& os, const std::wstring& path, bool was_there)
{
    const std::optional<std::uint32_t> count =
        number_of(read_value(os, registry_root::local_machine, shared_dlls_key, path));
    const std::uint32_t next = count ? *count + 1 : (was_there ? 2 : 1);
    os.write_registry_value(registry_root::local_machine, shared_dlls_key, path, dword_value(next));
}

std::optional<std::uint32_t> release_shared_file(platform& os, const std::wstring& path)
{
    const std::optional<std::uint32_t> count =
        number_of(read_value(os, registry_root::local_machine, shared_dlls_key, path));
    if (!count) return std::nullopt;
    if (*count <= 1) {
        os.delete_registry_value(registry_root::local_machine, shared_dlls_key, path);
        return 0;
    }
    os.write_registry_value(registry_root::local_machine, shared_dlls_key, path, dword_value(*count - 1));
    return *count - 1;
}

}  // namespace qs::install
