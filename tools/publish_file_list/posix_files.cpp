#include "tools/publish_file_list/posix_files.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/fake/md5.h"

namespace qs::posix {
namespace fs = std::filesystem;

namespace {

fs::path native(std::wstring path)
{
    std::replace(path.begin(), path.end(), L'\\', L'/');
    return fs::path(path);
}

std::wstring widened(const std::string& text) { return fs::path(text).wstring(); }

[[noreturn]] void fail(const std::wstring& path, const std::string& why)
{
    throw system_error(path + L": " + widened(why));
}

// Windows-1252 at 0x80..0x9F; the other bytes are Latin-1. Zero: the code page leaves it unused.
constexpr std::array<char16_t, 32> cp1252_high = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

bool posix_files::directory_exists(const std::wstring& path)
{
    std::error_code ignored;
    return fs::is_directory(native(path), ignored);
}

bool posix_files::file_exists(const std::wstring& path)
{
    std::error_code ignored;
    return fs::is_regular_file(native(path), ignored);
}

bool posix_files::find_any(const std::wstring& path)
{
    std::error_code ignored;
    return fs::exists(native(path), ignored);
}

std::vector<dir_entry> posix_files::find_entries(const std::wstring& pattern)
{
    const fs::path full = native(pattern);
    const std::wstring mask = full.filename().wstring();
    std::vector<dir_entry> entries;
    std::error_code error;
    if (mask != L"*" && mask != L"*.*") {
        if (mask.find_first_of(L"*?") != std::wstring::npos)
            throw std::logic_error("posix_files: only the masks * and *.* are supported");
        const fs::file_status status = fs::status(full, error);
        if (error || !fs::exists(status)) return entries;
        const bool folder = fs::is_directory(status);
        entries.push_back({mask, folder ? attr::directory : attr::archive, folder ? 0 : fs::file_size(full, error)});
        return entries;
    }
    const fs::path folder = full.parent_path();
    fs::directory_iterator walk(folder, error);
    if (error) return entries;
    entries.push_back({L".", attr::directory, 0});
    entries.push_back({L"..", attr::directory, 0});
    for (const fs::directory_entry& entry : walk) {
        const bool is_folder = entry.is_directory(error);
        const std::uint64_t size = is_folder ? 0 : entry.file_size(error);
        entries.push_back({entry.path().filename().wstring(), is_folder ? attr::directory : attr::archive, size});
    }
    return entries;
}

bool posix_files::delete_file(const std::wstring& path)
{
    std::error_code error;
    return file_exists(path) && fs::remove(native(path), error);
}

void posix_files::make_directory(const std::wstring& path)
{
    std::error_code error;
    fs::create_directory(native(path), error);
    if (!fs::is_directory(native(path))) fail_with(win_error::path_not_found);
}

std::vector<std::uint8_t> posix_files::read_file(const std::wstring& path)
{
    std::ifstream in(native(path), std::ios::binary);
    if (!in) fail(path, std::strerror(errno));
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) fail(path, std::strerror(errno));
    return bytes;
}

void posix_files::write_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(native(path), std::ios::binary | std::ios::trunc);
    if (!out) fail(path, std::strerror(errno));
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) fail(path, std::strerror(errno));
}

std::vector<std::wstring> posix_files::md5_hex_of_files(const std::vector<std::wstring>& paths)
{
    std::vector<std::wstring> digests;
    digests.reserve(paths.size());
    for (const std::wstring& path : paths) {
        const std::vector<std::uint8_t> bytes = read_file(path);
        digests.push_back(fake::md5_hex(std::string(bytes.begin(), bytes.end())));
    }
    return digests;
}

std::wstring posix_files::from_ansi(const std::string& bytes)
{
    std::wstring text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        const char16_t high = (b >= 0x80 && b < 0xA0) ? cp1252_high[b - 0x80] : 0;
        text.push_back(high != 0 ? static_cast<wchar_t>(high) : static_cast<wchar_t>(b));
    }
    return text;
}

std::string posix_files::to_ansi(const std::wstring& text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text) {
        const auto u = static_cast<std::uint32_t>(c);
        if (u < 0x80 || (u >= 0xA0 && u < 0x100)) {
            bytes.push_back(static_cast<char>(u));
            continue;
        }
        const auto at = std::find(cp1252_high.begin(), cp1252_high.end(), static_cast<char16_t>(u));
        bytes.push_back(u <= 0xFFFF && u != 0 && at != cp1252_high.end()
                            ? static_cast<char>(0x80 + (at - cp1252_high.begin()))
                            : '?');
    }
    return bytes;
}

}  // namespace qs::posix
