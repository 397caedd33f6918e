#include <algorithm>
#include <limits>

#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

namespace {
constexpr DWORD no_attributes = INVALID_FILE_ATTRIBUTES;

std::uint64_t size_of(const WIN32_FIND_DATAW& data)
{
    return static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

file_handle open_for_reading(const std::wstring& path)
{
    file_handle file(CreateFileW(extended_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw_last_error();
    return file;
}
}  // namespace

std::wstring win32_platform::program_path()
{
    // GetModuleFileNameW truncates silently when the buffer is full: grow until the path fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) throw_last_error();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

bool win32_platform::directory_exists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(extended_path(path).c_str());
    return attributes != no_attributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool win32_platform::file_exists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(extended_path(path).c_str());
    return attributes != no_attributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool win32_platform::find_any(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    const find_handle search(FindFirstFileW(extended_path(path).c_str(), &data));
    return static_cast<bool>(search);
}

std::vector<dir_entry> win32_platform::find_entries(const std::wstring& pattern)
{
    std::vector<dir_entry> entries;
    WIN32_FIND_DATAW data;
    const find_handle search(FindFirstFileW(extended_path(pattern).c_str(), &data));
    if (!search) return entries;
    do {
        entries.push_back(dir_entry{data.cFileName, data.dwFileAttributes, size_of(data)});
    } while (FindNextFileW(search.get(), &data));
    return entries;
}

bool win32_platform::create_directory(const std::wstring& path)
{
    return CreateDirectoryW(extended_path(path).c_str(), nullptr) != 0;
}

void win32_platform::make_directory(const std::wstring& path)
{
    if (!CreateDirectoryW(extended_path(path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw_last_error();
    if (!directory_exists(path)) throw system_error(system_text(ERROR_ALREADY_EXISTS), ERROR_ALREADY_EXISTS);
}

bool win32_platform::copy_file(const std::wstring& from, const std::wstring& to)
{
    return CopyFileW(extended_path(from).c_str(), extended_path(to).c_str(), FALSE) != 0;
}

void win32_platform::move_file_replacing(const std::wstring& from, const std::wstring& to)
{
    if (!MoveFileExW(extended_path(from).c_str(), extended_path(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
        throw_last_error();
}

void win32_platform::move_file(const std::wstring& from, const std::wstring& to)
{
    if (!MoveFileExW(extended_path(from).c_str(), extended_path(to).c_str(), MOVEFILE_WRITE_THROUGH)) throw_last_error();
}

bool win32_platform::delete_file(const std::wstring& path)
{
    return DeleteFileW(extended_path(path).c_str()) != 0;
}

bool win32_platform::remove_directory(const std::wstring& path)
{
    return RemoveDirectoryW(extended_path(path).c_str()) != 0;
}

std::optional<std::uint32_t> win32_platform::file_attributes(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(extended_path(path).c_str());
    if (attributes == no_attributes) return std::nullopt;
    return attributes;
}

void win32_platform::set_file_attributes(const std::wstring& path, std::uint32_t attributes)
{
    if (!SetFileAttributesW(extended_path(path).c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes))
        throw_last_error();
}

std::vector<std::uint8_t> win32_platform::read_file(const std::wstring& path)
{
    const file_handle file = open_for_reading(path);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) throw_last_error();
    if (static_cast<std::uint64_t>(size.QuadPart) > std::numeric_limits<std::size_t>::max() / 2)
        throw system_error(system_text(ERROR_NOT_ENOUGH_MEMORY));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, wanted, &got, nullptr)) throw_last_error();
        if (got == 0) break;  // the file shrank while we read it
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

void write_all(HANDLE file, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes, wanted, &written, nullptr)) throw_last_error();
        bytes += written;
        size -= written;
    }
}

namespace {
file_handle create_for_writing(const std::wstring& path, DWORD disposition)
{
    file_handle file(
        CreateFileW(extended_path(path).c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw_last_error();
    return file;
}
}  // namespace

void win32_platform::write_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    write_all(create_for_writing(path, CREATE_ALWAYS).get(), bytes.data(), bytes.size());
}

void win32_platform::write_file_through(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    const file_handle file = create_for_writing(path, CREATE_ALWAYS);
    write_all(file.get(), bytes.data(), bytes.size());
    if (!FlushFileBuffers(file.get())) throw_last_error();
}

namespace {
// Appending only, and sharing reading and writing: a log viewer that follows the file, or a
// second run that adds its own lines, is no clash. Each write lands at the end as it is then.
void append_to(const std::wstring& path, const std::vector<std::uint8_t>& bytes, DWORD flags)
{
    const file_handle file(CreateFileW(extended_path(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL | flags, nullptr));
    if (!file) throw_last_error();
    write_all(file.get(), bytes.data(), bytes.size());
}
}  // namespace

void win32_platform::append_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    append_to(path, bytes, 0);
}

// FlushFileBuffers would need write access to the whole file; writing through needs none.
void win32_platform::append_file_through(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    append_to(path, bytes, FILE_FLAG_WRITE_THROUGH);
}

}  // namespace qs::win32
