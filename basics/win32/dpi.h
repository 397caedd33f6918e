#pragma once
// Screen resolution for the program's windows. The forms are laid out in pixels of a 96-DPI
// screen; each window scales them by its monitor's DPI. Windows 7 and 8 lack the per-window
// functions, so they are looked up at run time and the system DPI stands in where they are missing.

#include <windows.h>

namespace qs::win32 {

inline constexpr int layout_dpi = 96;

// The DPI of the monitor the window is on (GetDpiForWindow), or the system's before Windows 10.
int dpi_of(HWND window);
// The system DPI (GetDpiForSystem), or the screen's LOGPIXELSX before Windows 10.
int system_dpi();
// A length of the 96-DPI layout at this DPI, rounded to the nearest pixel.
inline int scaled(int pixels, int dpi)
{
    return MulDiv(pixels, dpi, layout_dpi);
}
// The window rectangle around a client area of this size, with the frame as thick as it is
// drawn at this DPI.
RECT frame_around(int client_width, int client_height, DWORD style, DWORD ex_style, int dpi);

}  // namespace qs::win32
