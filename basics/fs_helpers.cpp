#include "basics/fs_helpers.h"

#include "basics/paths.h"

namespace qs {

namespace {
std::wstring utf16le_text(const std::vector<std::uint8_t>& bytes)
{
    std::wstring text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8));
    if (bytes.size() % 2 != 0) text.push_back(static_cast<wchar_t>(bytes.back()));
    return text;
}
}  // namespace

std::wstring date_time_stamp(platform& os)
{
    std::wstring date = os.short_date();
    return date + L"  " + os.long_time();
}

std::wstring windows_folder(platform& os)
{
    return os.windows_directory();
}

registry_value read_registry_value(platform& os, registry_root root, const std::wstring& key,
                                   const std::wstring& value_name)
{
    const std::wstring relative = (!key.empty() && key.front() == L'\\') ? key.substr(1) : key;
    const registry_data data = os.query_registry_value(root, relative, value_name);
    switch (data.type) {
    case reg_type::sz:
    case reg_type::expand_sz: {
        std::wstring text = utf16le_text(data.bytes);
        const auto nul = text.find(L'\0');
        if (nul != std::wstring::npos) text.resize(nul);
        return text;
    }
    case reg_type::dword:
        if (data.bytes.size() >= 4)
            return static_cast<std::uint32_t>(data.bytes[0] | data.bytes[1] << 8 | data.bytes[2] << 16 |
                                              static_cast<std::uint32_t>(data.bytes[3]) << 24);
        break;
    case reg_type::binary:
        if (data.complete) return utf16le_text(data.bytes);
        break;
    default:
        break;
    }
    throw system_error(os.system_message(win_error::cant_read));
}

std::wstring program_files_folder(platform& os)
{
    const registry_value value = read_registry_value(
        os, registry_root::local_machine, L"\\Software\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir");
    if (const auto* number = std::get_if<std::uint32_t>(&value)) return std::to_wstring(*number);
    return std::get<std::wstring>(value);
}

bool shell_copy(platform& os, const std::wstring& from, const std::wstring& to)
{
    return os.shell_copy(from, to);
}

bool delete_folder_tree(platform& os, const std::wstring& folder)
{
    const std::wstring from = with_trailing_backslash(folder);
    bool all = true;
    for (const dir_entry& entry : os.find_entries(from + L"*")) {
        if (entry.name == L"." || entry.name == L"..") continue;
        const std::wstring path = from + entry.name;
        if (entry.is_directory()) {
            all = delete_folder_tree(os, path) && all;
            continue;
        }
        if ((entry.attributes & attr::readonly) != 0) os.set_file_attributes(path, entry.attributes & ~attr::readonly);
        all = os.delete_file(path) && all;
    }
    return os.remove_directory(without_trailing_backslash(from)) && all;
}

bool copy_missing_files(platform& os, const std::wstring& source, const std::wstring& target,
                        const std::wstring& mask)
{
    try {
        const std::wstring from = with_trailing_backslash(source);
        std::vector<std::wstring> files;
        for (const dir_entry& entry : os.find_entries(from + mask)) {
            const std::wstring path = from + entry.name;
            if (os.file_exists(path)) files.push_back(path);
        }
        const std::wstring to = with_trailing_backslash(target);
        for (const std::wstring& path : files) {
            const std::wstring destination = to + file_name_of(path);
            if (os.file_exists(destination)) continue;
            os.copy_file(path, destination);  // a single failed copy goes unnoticed, by design
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

int list_subfolders(platform& os, const std::wstring& folder, std::vector<std::wstring>& names)
{
    names.clear();
    int added = 0;
    for (const dir_entry& entry : os.find_entries(with_trailing_backslash(folder) + L"*.*")) {
        if (entry.is_directory() && !entry.name.empty() && entry.name.front() == L'.') continue;
        if ((entry.attributes & attr::system) != 0) continue;
        if (!entry.is_directory()) continue;
        names.push_back(entry.name);
        ++added;
    }
    return added;
}

std::wstring parent_folder(const std::wstring& path)
{
    const auto cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos) return {};
    return path.substr(0, cut);
}

}  // namespace qs
