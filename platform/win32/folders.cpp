#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

namespace {
// The shell's folder functions write at most MAX_PATH characters and their terminating NUL.
constexpr std::size_t shell_path_chars = MAX_PATH + 1;

std::wstring up_to_nul(const std::wstring& buffer)
{
    return buffer.substr(0, buffer.find(L'\0'));
}
}  // namespace

std::wstring win32_platform::appdata_folder()
{
    // 262 characters of which the call may fill 261: room for the longest path the shell gives.
    std::wstring buffer(shell_path_chars + 1, L'\0');
    if (!SHGetSpecialFolderPathW(nullptr, buffer.data(), CSIDL_APPDATA, FALSE)) return {};
    return up_to_nul(buffer);
}

std::wstring win32_platform::desktop_folder()
{
    pidl_owner location;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, location.receive())) || !location)
        return {};
    std::wstring buffer(shell_path_chars, L'\0');
    if (!SHGetPathFromIDListW(location.get(), buffer.data())) return {};
    return up_to_nul(buffer);
}

std::wstring win32_platform::windows_directory()
{
    // The call returns the characters written, or, when the buffer is too small, the size it
    // needs including the NUL: ask again with that size so that a long path comes back whole.
    std::wstring buffer(MAX_PATH, L'\0');
    UINT length = GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    while (length >= buffer.size()) {
        buffer.assign(length, L'\0');
        length = GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    }
    if (length == 0) throw_last_error();
    buffer.resize(length);
    return buffer;
}

}  // namespace qs::win32
