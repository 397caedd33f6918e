#include "platform/win32/win32_platform.h"

namespace qs::win32 {

void win32_platform::show_message(const std::wstring& text)
{
    MessageBoxW(main_window, text.c_str(), application_title.c_str(), MB_OK);
}

void win32_platform::show_error(const std::wstring& text)
{
    MessageBoxW(main_window, text.c_str(), application_title.c_str(), MB_OK | MB_ICONERROR);
}

bool win32_platform::ask_yes_no(const std::wstring& text, const std::wstring& caption, box_icon icon)
{
    // No owner window: the question stands on its own, also before the main window exists.
    const UINT style = MB_YESNO | (icon == box_icon::question ? MB_ICONQUESTION : 0u);
    return MessageBoxW(nullptr, text.c_str(), caption.c_str(), style) == IDYES;
}

bool win32_platform::ask_retry_cancel(const std::wstring& text)
{
    return MessageBoxW(main_window, text.c_str(), application_title.c_str(), MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
}

}  // namespace qs::win32
