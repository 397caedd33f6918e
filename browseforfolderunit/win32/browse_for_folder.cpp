// The shell's folder browser, opened on a folder when one is given.
#include <shlobj.h>

#include "platform/win32/gui_handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

namespace {

// The initial folder of the most recent call, read by the dialog's callback; it keeps its
// value after the call, and the modal dialog serves one call at a time.
std::wstring initial_folder;

int CALLBACK preselect_initial_folder(HWND dialog, UINT message, LPARAM, LPARAM) noexcept
{
    if (message == BFFM_INITIALIZED)
        SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(initial_folder.c_str()));
    return 0;
}

}  // namespace

std::wstring win32_platform::browse_for_folder(const std::wstring& title, const std::wstring& initial,
                                               std::uint32_t flags)
{
    initial_folder = initial;
    wchar_t buffer[MAX_PATH + 1] = {};  // display name first, then the chosen path
    BROWSEINFOW info{};
    info.hwndOwner = main_window;
    info.pidlRoot = nullptr;
    info.pszDisplayName = buffer;
    info.lpszTitle = title.c_str();
    info.ulFlags = flags;
    if (!initial.empty()) info.lpfn = preselect_initial_folder;
    const pidl_owner chosen(SHBrowseForFolderW(&info));
    if (!chosen) return {};
    if (!SHGetPathFromIDListW(chosen.get(), buffer)) return {};
    buffer[MAX_PATH] = L'\0';
    return buffer;
}

}  // namespace qs::win32
