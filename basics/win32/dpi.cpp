#include "basics/win32/dpi.h"

#include "platform/win32/handles.h"

namespace qs::win32 {

namespace {

// A user32 function of a later Windows than the one the program is built for, or null.
template <typename Function>
Function later_user32_function(const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

using dpi_for_window_fn = UINT(WINAPI*)(HWND);
using dpi_for_system_fn = UINT(WINAPI*)();
using adjust_for_dpi_fn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

}  // namespace

int system_dpi()
{
    static const auto for_system = later_user32_function<dpi_for_system_fn>("GetDpiForSystem");
    if (for_system) return static_cast<int>(for_system());
    const window_dc screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    return dpi > 0 ? dpi : layout_dpi;
}

int dpi_of(HWND window)
{
    static const auto for_window = later_user32_function<dpi_for_window_fn>("GetDpiForWindow");
    const UINT dpi = for_window && window ? for_window(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : system_dpi();
}

RECT frame_around(int client_width, int client_height, DWORD style, DWORD ex_style, int dpi)
{
    static const auto adjust_for_dpi = later_user32_function<adjust_for_dpi_fn>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, client_width, client_height};
    if (!adjust_for_dpi || !adjust_for_dpi(&frame, style, FALSE, ex_style, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&frame, style, FALSE, ex_style);
    return frame;
}

}  // namespace qs::win32
