#include "basics/paths.h"

namespace qs {

bool ends_with_backslash(const std::wstring& path)
{
    return !path.empty() && path.back() == L'\\';
}

std::wstring with_trailing_backslash(std::wstring path)
{
    if (!ends_with_backslash(path)) path.push_back(L'\\');
    return path;
}

std::wstring without_trailing_backslash(std::wstring path)
{
    if (ends_with_backslash(path)) path.pop_back();
    return path;
}

std::wstring ascii_upper(std::wstring text)
{
    for (wchar_t& c : text)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
}

std::wstring ascii_lower(std::wstring text)
{
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

std::wstring file_name_of(const std::wstring& path)
{
    const auto cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

std::wstring folder_part_of(const std::wstring& path)
{
    const auto cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

std::wstring appdata_dir(platform& os)
{
    return os.appdata_folder();
}

std::wstring exe_title(platform& os)
{
    const std::wstring name = file_name_of(os.program_path());
    if (name.size() <= 4) return {};
    return ascii_upper(name.substr(0, name.size() - 4));
}

std::wstring user_settings_path(platform& os, const std::wstring& name)
{
    return appdata_dir(os) + L"\\" + exe_title(os) + L"\\" + name;
}

std::wstring installation_folder(platform& os)
{
    return folder_part_of(os.program_path());
}

std::wstring program_dir_path(platform& os, const std::wstring& name)
{
    return installation_folder(os) + name;
}

bool ensure_dir(platform& os, const std::wstring& path)
{
    if (os.directory_exists(path)) return true;
    return os.create_directory(path);
}

bool file_found(platform& os, const std::wstring& path)
{
    return os.find_any(path);
}

}  // namespace qs
