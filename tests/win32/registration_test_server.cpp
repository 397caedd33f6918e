// A stand-in OLE server for the registration tests: started with its switches, it writes them
// (as UTF-8) into a mark file beside itself, named after it, and ends without a window.

#include <windows.h>

#include <string>

#include "platform/win32/handles.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int)
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return 1;
    path.resize(length);

    const std::wstring text(arguments);
    std::string utf8(static_cast<std::size_t>(text.size() * 4), '\0');
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(),
                                          static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(bytes > 0 ? static_cast<std::size_t>(bytes) : 0);

    qs::win32::file_handle mark(CreateFileW((path + L".started").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!mark) return 1;
    DWORD written = 0;
    WriteFile(mark.get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    return written == utf8.size() ? 0 : 1;
}
