#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

namespace {
constexpr DWORD transfer_chunk = 64 * 1024;

std::wstring without_final_line_breaks(std::wstring text)
{
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    return text;
}

// The server's last reply on this thread, e.g. "550 No such file or directory."
std::wstring last_server_response()
{
    DWORD code = 0;
    DWORD length = 0;
    InternetGetLastResponseInfoW(&code, nullptr, &length);
    if (length == 0) return {};
    std::wstring text(length + 1, L'\0');
    if (!InternetGetLastResponseInfoW(&code, text.data(), &length)) return {};
    text.resize(length);
    return without_final_line_breaks(text);
}

// WinINet's error texts are in the message table of wininet.dll, not in the system's.
std::wstring wininet_text(DWORD code)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                                            FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        GetModuleHandleW(L"wininet.dll"), code, 0,
                                        reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    const local_memory owner(buffer);
    if (length == 0 || buffer == nullptr) return {};
    return without_final_line_breaks(std::wstring(buffer, length));
}

// The server's reply says what went wrong when WinINet reports an extended error; otherwise a
// reply left from an earlier, successful step would mislead, so WinINet's own text comes first.
[[noreturn]] void throw_internet_error()
{
    const DWORD code = GetLastError();
    const std::wstring response = last_server_response();
    std::wstring text;
    if (code == ERROR_INTERNET_EXTENDED_ERROR) text = response;
    if (text.empty()) text = wininet_text(code);
    if (text.empty()) text = response;
    throw system_error(text);
}

void write_all(HANDLE file, const char* data, DWORD size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(file, data, size, &written, nullptr)) throw_last_error();
        data += written;
        size -= written;
    }
}
}  // namespace

void win32_platform::ftp_get(const ftp_account& account, const std::wstring& server_path,
                             const std::wstring& local_path)
{
    const internet_handle session(InternetOpenW(L"run_this_first", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session) throw_internet_error();
    DWORD timeout = static_cast<DWORD>(account.receive_timeout_ms);
    InternetSetOptionW(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);

    // Flags 0: an active data connection, as the update server expects.
    const internet_handle connection(InternetConnectW(session.get(), account.host.c_str(),
                                                      static_cast<INTERNET_PORT>(account.port),
                                                      account.user.c_str(), account.password.c_str(),
                                                      INTERNET_SERVICE_FTP, 0, 0));
    if (!connection) throw_internet_error();

    const internet_handle remote(FtpOpenFileW(connection.get(), server_path.c_str(), GENERIC_READ,
                                              FTP_TRANSFER_TYPE_BINARY, 0));
    if (!remote) throw_internet_error();

    const file_handle local(CreateFileW(local_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!local) throw_last_error();

    std::vector<char> buffer(transfer_chunk);
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(remote.get(), buffer.data(), transfer_chunk, &got)) throw_internet_error();
        if (got == 0) break;
        write_all(local.get(), buffer.data(), got);
    }
}

}  // namespace qs::win32
