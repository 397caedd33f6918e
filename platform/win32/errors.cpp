#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

static_assert(win_error::file_not_found == ERROR_FILE_NOT_FOUND);
static_assert(win_error::path_not_found == ERROR_PATH_NOT_FOUND);
static_assert(win_error::access_denied == ERROR_ACCESS_DENIED);
static_assert(win_error::sharing_violation == ERROR_SHARING_VIOLATION);
static_assert(win_error::file_exists == ERROR_FILE_EXISTS);
static_assert(win_error::already_exists == ERROR_ALREADY_EXISTS);
static_assert(win_error::cant_read == ERROR_CANTREAD);
static_assert(win_error::class_not_registered == static_cast<std::uint32_t>(REGDB_E_CLASSNOTREG));

namespace {
// FormatMessageW ends its texts with a line break, which has no place in a message box line.
std::wstring without_final_line_break(std::wstring text)
{
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    return text;
}
}  // namespace

std::wstring message_text(DWORD code, HMODULE table)
{
    const DWORD source = table == nullptr ? FORMAT_MESSAGE_FROM_SYSTEM : FORMAT_MESSAGE_FROM_HMODULE;
    local_memory buffer;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | source | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        table, code, 0, reinterpret_cast<LPWSTR>(buffer.receive()), 0, nullptr);
    if (length == 0 || !buffer) return {};
    return without_final_line_break(std::wstring(static_cast<const wchar_t*>(buffer.get()), length));
}

std::wstring system_text(DWORD code)
{
    return message_text(code, nullptr);
}

void throw_last_error()
{
    const DWORD code = GetLastError();
    throw system_error(system_text(code), code);
}

std::wstring win32_platform::system_message(std::uint32_t code)
{
    return system_text(code);
}

}  // namespace qs::win32
