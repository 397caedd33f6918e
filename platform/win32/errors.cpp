#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

namespace {
// FormatMessageW ends its texts with a line break, which has no place in a message box line.
std::wstring without_final_line_break(std::wstring text)
{
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    return text;
}
}  // namespace

std::wstring system_text(DWORD code)
{
    local_memory buffer;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPWSTR>(buffer.receive()), 0, nullptr);
    if (length == 0 || !buffer) return {};
    return without_final_line_break(std::wstring(static_cast<const wchar_t*>(buffer.get()), length));
}

void throw_last_error()
{
    throw system_error(system_text(GetLastError()));
}

std::wstring win32_platform::system_message(std::uint32_t code)
{
    return system_text(code);
}

}  // namespace qs::win32
