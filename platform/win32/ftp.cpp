#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
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

// The server's last reply on this thread, e.g. "550 No such file or directory.". Asked with a
// buffer at once: Wine reports no length when asked for the length alone.
std::wstring last_server_response()
{
    std::wstring text(1024, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD code = 0;
        DWORD length = static_cast<DWORD>(text.size());
        if (InternetGetLastResponseInfoW(&code, text.data(), &length)) {
            text.resize(length < text.size() ? length : text.size());
            text.resize(wcsnlen(text.c_str(), text.size()));
            return without_final_line_breaks(text);
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
        text.assign(static_cast<std::size_t>(length) + 1 > 2 * text.size() ? length + 1 : 2 * text.size(), L'\0');
    }
    return {};
}

// WinINet's error texts are in the message table of wininet.dll, not in the system's.
std::wstring wininet_text(DWORD code)
{
    local_memory buffer;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                                            FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        GetModuleHandleW(L"wininet.dll"), code, 0,
                                        reinterpret_cast<LPWSTR>(buffer.receive()), 0, nullptr);
    if (length == 0 || !buffer) return {};
    return without_final_line_breaks(std::wstring(static_cast<const wchar_t*>(buffer.get()), length));
}

// What went wrong in the last WinINet call on this thread: the server's reply when WinINet
// says the server explained it, else WinINet's own text (a reply left over from an earlier,
// successful step would mislead), else the reply after all.
std::wstring internet_error_text(DWORD code)
{
    const std::wstring response = last_server_response();
    std::wstring text;
    if (code == ERROR_INTERNET_EXTENDED_ERROR) text = response;
    if (text.empty()) text = wininet_text(code);
    if (text.empty()) text = system_text(code);
    if (text.empty()) text = response;
    return text;
}

[[noreturn]] void throw_internet_error()
{
    throw system_error(internet_error_text(GetLastError()));
}

void set_timeout(HINTERNET handle, DWORD option, DWORD milliseconds)
{
    InternetSetOptionW(handle, option, &milliseconds, sizeof milliseconds);
}

// One session for the whole run (InternetOpen is costly); every file still gets its own
// connection. Closed when the program ends.
HINTERNET shared_session()
{
    static const internet_handle session(InternetOpenW(L"run_this_first", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    return session.get();
}

// What the transfer thread and the waiting thread share. The transfer thread may outlive the
// wait (see ftp_get), so both hold it.
struct transfer_state {
    std::atomic<std::uint64_t> steps{0};  // grows whenever the transfer makes progress
    std::atomic<bool> abandoned{false};   // the waiting thread gave up: write nothing more
    std::mutex lock;
    std::condition_variable finished_signal;
    bool finished = false;
    std::wstring error;  // empty: the file arrived
};

void write_all(HANDLE file, const char* data, DWORD size)
{
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(file, data, size, &written, nullptr)) throw_last_error();
        data += written;
        size -= written;
    }
}

// Connect and log in, fetch in binary over an active data connection, close; the server's final
// reply decides whether the transfer completed (WinINet reports a broken transfer as the end of
// the data).
void transfer(transfer_state& state, const ftp_account& account, const std::wstring& server_path,
              const std::wstring& local_path)
{
    HINTERNET session = shared_session();
    if (session == nullptr) throw_internet_error();
    const DWORD timeout = static_cast<DWORD>(account.receive_timeout_ms);
    const internet_handle connection(InternetConnectW(session, account.host.c_str(),
                                                      static_cast<INTERNET_PORT>(account.port),
                                                      account.user.c_str(), account.password.c_str(),
                                                      INTERNET_SERVICE_FTP, 0, 0));
    if (!connection) throw_internet_error();
    for (DWORD option : {INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT})
        set_timeout(connection.get(), option, timeout);
    ++state.steps;

    internet_handle remote(FtpOpenFileW(connection.get(), server_path.c_str(), GENERIC_READ,
                                        FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, 0));
    if (!remote) throw_internet_error();
    ++state.steps;

    // Deleting stays possible while the file is open, so a transfer given up on can be cleared
    // away by the waiting thread.
    const file_handle local(CreateFileW(local_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                        nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!local) throw_last_error();

    std::vector<char> buffer(transfer_chunk);
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(remote.get(), buffer.data(), transfer_chunk, &got)) throw_internet_error();
        ++state.steps;
        if (got == 0 || state.abandoned) break;
        write_all(local.get(), buffer.data(), got);
    }
    remote.reset();  // reads the server's final reply
    const std::wstring reply = last_server_response();
    if (reply.empty() || reply.front() != L'2') throw system_error(reply.empty() ? wininet_text(ERROR_INTERNET_CONNECTION_ABORTED) : reply);
}

void run_transfer(const std::shared_ptr<transfer_state>& state, const ftp_account& account,
                  const std::wstring& server_path, const std::wstring& local_path)
{
    std::wstring error;
    try {
        transfer(*state, account, server_path, local_path);
    } catch (const system_error& e) {
        error = e.text().empty() ? std::wstring(L"FTP transfer failed") : e.text();
    } catch (const std::exception&) {
        error = L"FTP transfer failed";
    }
    const std::lock_guard<std::mutex> guard(state->lock);
    state->error = error;
    state->finished = true;
    state->finished_signal.notify_all();
}
}  // namespace

// The transfer runs on a thread of its own while this thread watches its progress: Wine's WinINet
// ignores the receive time-out on data connections and would wait forever for a server that
// stalls. A transfer without progress for the time-out is given up; its thread ends by itself
// once the connection is closed, and writes nothing more.
void win32_platform::ftp_get(const ftp_account& account, ftp_run_state&, const std::wstring& server_path,
                             const std::wstring& local_path, std::uint64_t)
{
    auto state = std::make_shared<transfer_state>();
    std::thread(run_transfer, state, account, server_path, local_path).detach();

    using clock = std::chrono::steady_clock;
    const auto allowed = std::chrono::milliseconds(account.receive_timeout_ms);
    std::uint64_t seen = state->steps;
    auto last_progress = clock::now();
    std::unique_lock<std::mutex> guard(state->lock);
    while (!state->finished) {
        state->finished_signal.wait_for(guard, std::chrono::milliseconds(20));
        if (state->finished) break;
        if (state->steps != seen) {
            seen = state->steps;
            last_progress = clock::now();
        } else if (clock::now() - last_progress > allowed) {
            state->abandoned = true;
            throw system_error(wininet_text(ERROR_INTERNET_TIMEOUT));
        }
    }
    if (!state->error.empty()) throw system_error(state->error);
}

}  // namespace qs::win32
