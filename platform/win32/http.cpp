// The update's transport over HTTP and HTTPS with WinHTTP (Schannel does the TLS), and the
// system's proxy settings. One WinHTTP session per source and proxy: a proxy set on a session or
// request after it was opened is ignored by some WinHTTP implementations, so the proxy the
// update decided on is given to WinHttpOpen. Keep-alive comes with the session: a connection is
// reused once a body has been read to its end.

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "platform/ftp/pooled_session.h"
#include "platform/utf8.h"
#include "platform/win32/certificate_chains.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {
namespace {

#ifndef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3
#define WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 0x00002000
#endif

constexpr DWORD certificate_failure = 12175;  // ERROR_WINHTTP_SECURE_FAILURE
constexpr DWORD certificate_invalid = 12157;  // ERROR_WINHTTP_SECURE_CHANNEL_ERROR, what Wine reports
constexpr int attempts_per_file = 3;
constexpr DWORD read_size = 64 * 1024;

std::wstring winhttp_text(DWORD code)
{
    static const HMODULE winhttp = GetModuleHandleW(L"winhttp.dll");
    std::wstring text = message_text(code, winhttp);
    if (!text.empty()) return text;
    // Windows' own texts of the failures a source meets most, for a winhttp.dll without its
    // message table (Wine's).
    switch (code) {
    case ERROR_WINHTTP_TIMEOUT: return L"The operation timed out";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: return L"The server name or address could not be resolved";
    case ERROR_WINHTTP_CANNOT_CONNECT: return L"A connection with the server could not be established";
    case ERROR_WINHTTP_CONNECTION_ERROR: return L"The connection with the server was reset";
    case ERROR_WINHTTP_OPERATION_CANCELLED: return L"The operation was canceled";
    case certificate_failure:
    case certificate_invalid: return L"A security error occurred";
    default: break;
    }
    text = system_text(code);
    return text.empty() ? L"WinHTTP error " + std::to_wstring(code) : text;
}

[[noreturn]] void throw_transfer_error(DWORD code)
{
    if (code == certificate_failure || code == certificate_invalid) throw certificate_error(winhttp_text(code), code);
    throw network_error(winhttp_text(code), code);
}

std::wstring encoded(const std::wstring& server_path)
{
    const std::string ascii = percent_encoded_path(server_path);
    return std::wstring(ascii.begin(), ascii.end());
}

// The request handles of transfers under way, which stop() closes to end their waits.
class open_requests {
public:
    void add(HINTERNET request)
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        open_.insert(request);
    }
    void remove(HINTERNET request)
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        open_.erase(request);
    }
    void stop()
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        stopped_ = true;
        // Closing a handle another thread waits on ends its wait with "operation cancelled"; the
        // owner closes it once more, which WinHTTP refuses harmlessly.
        for (HINTERNET request : open_) winhttp().close_handle(request);
        closed_.insert(open_.begin(), open_.end());
        open_.clear();
    }
    bool stopped() const { return stopped_; }
    // True when stop() closed it already.
    bool closed_by_stop(HINTERNET request)
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        return closed_.erase(request) != 0;
    }

private:
    std::mutex mutex_;
    std::set<HINTERNET> open_, closed_;
    std::atomic<bool> stopped_{false};
};

class transfer_stopped_here {};

}  // namespace

// The first certificate chain a process builds opens the system's root stores for the chain
// engine, which Wine fills from the host's whole CA bundle first: 0.2 to 0.6 s, spent after the
// server's certificate has arrived, on the way to the first answer. Building one chain from a root
// of the store on a thread of its own, from the moment the program knows it may speak HTTPS,
// leaves the engine ready, or nearer to ready, by the time the server's certificate needs it.
bool build_one_certificate_chain() noexcept
{
    try {
        certificate_store root(crypt32().open_store(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                                    CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_READONLY_FLAG, L"Root"));
        if (!root) return false;
        certificate_context any(crypt32().enum_certificates(root.get(), nullptr));
        if (!any) return false;
        CERT_CHAIN_PARA parameters{};
        parameters.cbSize = sizeof parameters;
        certificate_chain chain;
        return crypt32().get_chain(nullptr, any.get(), nullptr, nullptr, &parameters, 0, nullptr, chain.receive()) !=
               FALSE;
    } catch (...) {
        // Without crypt32 the first handshake readies the engine itself, as it would anyway.
        return false;
    }
}

namespace {

// Once per process, on a thread left to itself: it holds nothing of ours, and a process that
// ends first ends it with it.
void start_readying_certificate_chains() noexcept
{
    static std::once_flag started;
    try {
        std::call_once(started, [] { std::thread([]() noexcept { build_one_certificate_chain(); }).detach(); });
    } catch (...) {
        // No thread: the first handshake readies the engine itself.
    }
}

// One GET with its response: the status, and the body read in pieces. `meanwhile` runs once the
// request has gone out, while its answer crosses the line.
class http_request {
public:
    http_request(HINTERNET connection, const std::wstring& server_path, std::uint64_t from, bool secure,
                 open_requests& requests, const wchar_t* range = nullptr, std::function<void()> meanwhile = {})
        : requests_(requests), meanwhile_(std::move(meanwhile))
    {
        if (requests_.stopped()) throw transfer_stopped_here();
        handle_ = winhttp().open_request(connection, L"GET", encoded(server_path).c_str(), nullptr, WINHTTP_NO_REFERER,
                                     WINHTTP_DEFAULT_ACCEPT_TYPES,
                                     (secure ? WINHTTP_FLAG_SECURE : 0) | WINHTTP_FLAG_ESCAPE_DISABLE |
                                         WINHTTP_FLAG_REFRESH);
        if (!handle_) throw_transfer_error(GetLastError());
        requests_.add(handle_);
        try {
            // WinHTTP says when the request has gone out: the work meanwhile runs then, also where
            // WinHttpSendRequest returns only once the answer's headers are in (Wine's).
            if (meanwhile_) winhttp().set_status_callback(handle_, &http_request::on_status, WINHTTP_CALLBACK_STATUS_REQUEST_SENT, 0);
            send_and_answer_proxy(range ? std::wstring(range) : from > 0 ? L"bytes=" + std::to_wstring(from) + L"-" : L"");
        } catch (...) {
            close();
            throw;
        }
    }
    ~http_request() { close(); }
    http_request(const http_request&) = delete;
    http_request& operator=(const http_request&) = delete;

private:
    void close() noexcept
    {
        requests_.remove(handle_);
        if (!requests_.closed_by_stop(handle_)) winhttp().close_handle(handle_);
    }
    // range: the bytes asked for ("bytes=FROM-"), or empty for the whole file.
    void send_and_answer_proxy(const std::wstring& bytes)
    {
        // The logged-on user's credentials go to a proxy that offers Negotiate or NTLM.
        DWORD logon = WINHTTP_AUTOLOGON_SECURITY_LEVEL_LOW;
        winhttp().set_option(handle_, WINHTTP_OPTION_AUTOLOGON_POLICY, &logon, sizeof logon);
        DWORD redirects = WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP;
        winhttp().set_option(handle_, WINHTTP_OPTION_REDIRECT_POLICY, &redirects, sizeof redirects);
        const std::wstring range = bytes.empty() ? L"" : L"Range: " + bytes;
        send(range);
        status_ = query_status();
        if (status_ == 407) {
            DWORD supported = 0, first = 0, target = 0;
            if (winhttp().query_auth_schemes(handle_, &supported, &first, &target) &&
                (supported & (WINHTTP_AUTH_SCHEME_NEGOTIATE | WINHTTP_AUTH_SCHEME_NTLM)) != 0) {
                const DWORD scheme =
                    (supported & WINHTTP_AUTH_SCHEME_NEGOTIATE) ? WINHTTP_AUTH_SCHEME_NEGOTIATE : WINHTTP_AUTH_SCHEME_NTLM;
                winhttp().set_credentials(handle_, WINHTTP_AUTH_TARGET_PROXY, scheme, nullptr, nullptr, nullptr);
                send(range);
                status_ = query_status();
            }
            if (status_ == 407) throw proxy_credentials_error(L"407 Proxy Authentication Required");
        }
    }

public:
    DWORD status() const { return status_; }
    std::wstring status_line() const
    {
        std::wstring text(256, L'\0');
        DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (!winhttp().query_headers(handle_, WINHTTP_QUERY_STATUS_TEXT, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &bytes,
                                 WINHTTP_NO_HEADER_INDEX))
            bytes = 0;
        text.resize(bytes / sizeof(wchar_t));
        return std::to_wstring(status_) + (text.empty() ? L"" : L" " + text);
    }
    // The next bytes of the body; none at its end. Only what has arrived is read, so that a read
    // never waits for a whole buffer on a slow line and a stop takes effect with the next bytes.
    std::size_t read(char* buffer, DWORD size)
    {
        DWORD available = 0;
        if (!winhttp().query_data_available(handle_, &available)) fail();
        if (requests_.stopped()) throw transfer_stopped_here();
        if (available == 0) return 0;
        DWORD got = 0;
        if (!winhttp().read_data(handle_, buffer, std::min(size, available), &got)) fail();
        return got;
    }

private:
    void send(const std::wstring& headers)
    {
        const wchar_t* extra = headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str();
        const DWORD length = headers.empty() ? 0 : static_cast<DWORD>(-1L);
        if (!winhttp().send_request(handle_, extra, length, WINHTTP_NO_REQUEST_DATA, 0, 0, reinterpret_cast<DWORD_PTR>(this)))
            fail();
        went_out();  // where no notification came
        if (meanwhile_failed_) std::rethrow_exception(std::exchange(meanwhile_failed_, nullptr));
        if (!winhttp().receive_response(handle_, nullptr)) fail();
    }
    // Runs within WinHTTP's call on this request's thread (a synchronous session): nothing may
    // be thrown through it, so a failure of the work meanwhile is kept for send() to throw.
    static void CALLBACK on_status(HINTERNET, DWORD_PTR context, DWORD status, LPVOID, DWORD) noexcept
    {
        if (status == WINHTTP_CALLBACK_STATUS_REQUEST_SENT && context != 0)
            reinterpret_cast<http_request*>(context)->went_out();
    }
    void went_out() noexcept
    {
        if (!meanwhile_) return;
        try {
            std::exchange(meanwhile_, {})();
        } catch (...) {
            meanwhile_failed_ = std::current_exception();
        }
    }
    DWORD query_status()
    {
        DWORD status = 0, size = sizeof status;
        if (!winhttp().query_headers(handle_, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                 WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
            fail();
        return status;
    }
    [[noreturn]] void fail()
    {
        const DWORD code = GetLastError();
        if (requests_.stopped()) throw transfer_stopped_here();
        throw_transfer_error(code);
    }

    open_requests& requests_;
    std::function<void()> meanwhile_;
    std::exception_ptr meanwhile_failed_;
    HINTERNET handle_ = nullptr;
    DWORD status_ = 0;
};

class http_session : public transfer_session {
public:
    http_session(const update_source& source, const proxy_choice& proxy, int receive_timeout_ms)
        : secure_(source.scheme == source_scheme::https)
    {
        session_.reset(winhttp().open(L"run_this_first", proxy.direct() ? WINHTTP_ACCESS_TYPE_NO_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY,
                                   proxy.direct() ? WINHTTP_NO_PROXY_NAME : proxy.proxy.c_str(), WINHTTP_NO_PROXY_BYPASS, 0));
        if (!session_) throw_transfer_error(GetLastError());
        DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
        if (!winhttp().set_option(session_.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
            protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;  // a system that knows no TLS 1.3
            winhttp().set_option(session_.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
        }
        DWORD connections = static_cast<DWORD>(max_connections_per_source);
        winhttp().set_option(session_.get(), WINHTTP_OPTION_MAX_CONNS_PER_SERVER, &connections, sizeof connections);
        winhttp().set_timeouts(session_.get(), receive_timeout_ms, receive_timeout_ms, receive_timeout_ms, receive_timeout_ms);
        connection_.reset(winhttp().connect(session_.get(), source.host.c_str(), static_cast<INTERNET_PORT>(source.port), 0));
        if (!connection_) throw_transfer_error(GetLastError());
        if (secure_) start_readying_certificate_chains();
    }
    ~http_session() override { join_openers(); }
    http_session(const http_session&) = delete;
    http_session& operator=(const http_session&) = delete;

    // The list's connection fetches the first file; each further file goes out at the same time
    // over a connection of its own, and the connections left are opened for the files to come:
    // their handshakes cross the line side by side, and their certificates wait for the chain
    // engine alongside the first's.
    std::vector<small_file_result> fetch_small_files(const std::vector<small_file>& files) override
    {
        std::vector<small_file_result> results(files.size());
        if (files.empty()) return results;
        join_openers();
        std::size_t side_by_side = 0;  // files 1 to this one are fetched by the first openers
        for (std::size_t i = 1; i < max_connections_per_source; ++i) {
            const bool started =
                i < files.size()
                    ? start_opener([this, &file = files[i], &result = results[i]]() noexcept { result = fetch_small_file(file); })
                    : start_opener([this, path = files[0].server_path]() noexcept { open_with_first_byte(path); });
            if (!started) break;
            if (i < files.size()) side_by_side = i;
        }
        results[0] = fetch_small_file(files[0]);
        for (std::size_t i = side_by_side + 1; i < files.size(); ++i) results[i] = fetch_small_file(files[i]);
        for (std::size_t n = 0; n < side_by_side; ++n) openers_[n].join();
        return results;
    }

    std::vector<std::uint8_t> fetch(const std::wstring& server_path, std::uint64_t max_bytes) override
    {
        try {
            http_request request(connection_.get(), server_path, 0, secure_, requests_);
            if (request.status() != 200) throw server_refusal(request.status_line());
            std::vector<std::uint8_t> bytes;
            std::vector<char> buffer(read_size);
            while (const std::size_t got = request.read(buffer.data(), read_size)) {
                if (bytes.size() + got > max_bytes) throw size_limit_error(L"The server's file is larger than it may be.");
                bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
            }
            return bytes;
        } catch (const transfer_stopped_here&) {
            throw network_error(winhttp_text(ERROR_WINHTTP_OPERATION_CANCELLED), ERROR_WINHTTP_OPERATION_CANCELLED);
        }
    }

    std::vector<file_result> fetch_files(const std::vector<transfer_file>& files, transfer_progress& progress) override
    {
        std::vector<file_result> results(files.size());
        std::atomic<std::size_t> next{0};
        std::atomic<bool> failed{false};
        std::mutex progress_mutex;
        auto work = [&]() noexcept {
            for (std::size_t i = next++; i < files.size() && !failed && !requests_.stopped(); i = next++) {
                results[i] = fetch_file(files[i], i, progress, progress_mutex);
                if (results[i].state == file_state::failed) failed = true;
            }
        };
        std::vector<std::thread> helpers;
        const std::size_t threads = std::min(files.size(), max_connections_per_source);
        // The first worker goes on over the connection the list came by; each further one takes up
        // the connection an opener opened ahead once it is open, so that no more are opened.
        for (std::size_t t = 1; t < threads; ++t) {
            std::thread* opener = t - 1 < openers_.size() ? &openers_[t - 1] : nullptr;
            try {
                helpers.emplace_back([&work, opener]() noexcept {
                    if (opener && opener->joinable()) opener->join();
                    work();
                });
            } catch (...) {
                break;
            }
        }
        work();
        for (std::thread& helper : helpers) helper.join();
        join_openers();
        return results;
    }

    void stop() override { requests_.stop(); }

private:
    file_result fetch_file(const transfer_file& file, std::size_t index, transfer_progress& progress,
                           std::mutex& progress_mutex) noexcept
    {
        file_result result;
        std::uint64_t from = file.resume_from;
        for (int attempt = 1;; ++attempt) {
            try {
                return fetch_from(file, index, from, progress, progress_mutex);
            } catch (const transfer_stopped_here&) {
                result.state = file_state::stopped;
                return result;
            } catch (const ftp::local_file_error& e) {
                return file_result::failed(transfer_failure::local, e.text(), from);
            } catch (const server_refusal& e) {
                return file_result::failed(transfer_failure::server, e.text(), from);
            } catch (const size_limit_error& e) {
                return file_result::failed(transfer_failure::too_large, e.text(), from);
            } catch (const system_error& e) {
                if (requests_.stopped()) {
                    result.state = file_state::stopped;
                    return result;
                }
                if (attempt >= attempts_per_file || dynamic_cast<const certificate_error*>(&e))
                    return file_result::failed(transfer_failure::server, e.text(), from);
                from = resume_point_;  // what arrived stays: go on from there
            } catch (...) {
                return file_result::failed(transfer_failure::local, L"", from);
            }
        }
    }

    file_result fetch_from(const transfer_file& file, std::size_t index, std::uint64_t from, transfer_progress& progress,
                           std::mutex& progress_mutex)
    {
        std::unique_ptr<ftp::local_file> local;
        std::unique_ptr<http_request> request;
        if (from == 0) {
            // A file fetched from its start needs nothing of its local file for the request: the
            // file is made while the request crosses the line.
            resume_point_ = 0;
            request = std::make_unique<http_request>(connection_.get(), file.server_path, 0, secure_, requests_, nullptr,
                                                     [&] { local = files_->open(file.local_path, 0); });
        } else {
            local = files_->open(file.local_path, from);
            from = local->size();
            resume_point_ = from;
            request = std::make_unique<http_request>(connection_.get(), file.server_path, from, secure_, requests_);
        }
        // 416: nothing lies past `from`, so what is there is not this file: fetch it all again.
        // 200 to a Range: the server sends the whole file, which starts it over.
        if (from > 0 && request->status() == 416) {
            request.reset();
            local.reset();
            local = files_->open(file.local_path, 0);
            from = 0;
            request = std::make_unique<http_request>(connection_.get(), file.server_path, 0, secure_, requests_);
        }
        if (from > 0 && request->status() == 200) {
            local.reset();
            local = files_->open(file.local_path, 0);
            from = 0;
        }
        const DWORD wanted = from > 0 ? 206 : 200;
        if (request->status() != wanted) throw server_refusal(request->status_line());
        {
            const std::lock_guard<std::mutex> hold(progress_mutex);
            progress.started(index, from);
        }
        std::vector<char> buffer(read_size);
        std::uint64_t size = from;
        for (;;) {
            std::size_t got = 0;
            try {
                got = request->read(buffer.data(), read_size);
            } catch (const network_error&) {
                resume_point_ = size;
                throw;
            }
            if (got == 0) break;
            const bool too_large = size + got > file.size;
            if (too_large) got = static_cast<std::size_t>(file.size - size);
            local->write(buffer.data(), got);
            size += got;
            {
                const std::lock_guard<std::mutex> hold(progress_mutex);
                progress.arrived(index, got);
            }
            if (too_large) throw size_limit_error(L"The update server sent more bytes than the file may have.");
        }
        file_result result;
        result.state = file_state::fetched;
        result.whole = local->finish();
        result.resumed_from = from;
        return result;
    }

    // A connection is opened with a request for the first byte of a file, read to its end:
    // WinHTTP keeps a connection for the next request only once a body has been read to its end,
    // which a HEAD's answer never is. A server that ignores Range sends the whole file, which is
    // small, or the connection is given up.
    void open_with_first_byte(const std::wstring& server_path) noexcept
    {
        try {
            http_request request(connection_.get(), server_path, 0, secure_, requests_, L"bytes=0-0");
            std::vector<char> buffer(read_size);
            for (std::size_t total = 0; total < 16 * read_size;) {
                const std::size_t got = request.read(buffer.data(), read_size);
                if (got == 0) break;
                total += got;
            }
        } catch (...) {
            // A connection that cannot be had here is not had by the files either, which say why.
        }
    }

    // False when no thread could be had: the work is then left undone.
    template <typename Work>
    bool start_opener(Work work) noexcept
    {
        try {
            openers_.emplace_back(std::move(work));
            return true;
        } catch (...) {
            return false;
        }
    }
    void join_openers() noexcept
    {
        for (std::thread& opener : openers_)
            if (opener.joinable()) opener.join();
        openers_.clear();
    }

    bool secure_;
    internet_handle session_, connection_;
    std::vector<std::thread> openers_;  // the connections opened ahead
    open_requests requests_;
    std::unique_ptr<ftp::local_files> files_ = make_download_files();
    // Where a broken transfer left its file (one thread per file, so only its own thread reads it).
    static thread_local std::uint64_t resume_point_;
};

thread_local std::uint64_t http_session::resume_point_ = 0;

bool runs_as_system()
{
    kernel_handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive())) return false;
    alignas(TOKEN_USER) BYTE buffer[256];
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size)) return false;
    return IsWellKnownSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, WinLocalSystemSid) != FALSE;
}

// Takes a string WinHTTP allocated with GlobalAlloc.
std::wstring take_global(LPWSTR text)
{
    if (!text) return L"";
    std::wstring copy = text;
    GlobalFree(text);
    return copy;
}

}  // namespace

proxy_settings win32_platform::system_proxy_settings()
{
    proxy_settings settings;
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
    if (!runs_as_system() && winhttp().get_ie_proxy_config_for_current_user(&user)) {
        settings.auto_detect = user.fAutoDetect != FALSE;
        settings.pac_url = take_global(user.lpszAutoConfigUrl);
        settings.proxy = take_global(user.lpszProxy);
        settings.bypass = take_global(user.lpszProxyBypass);
        return settings;
    }
    WINHTTP_PROXY_INFO machine{};
    if (winhttp().get_default_proxy_configuration(&machine)) {
        settings.proxy = take_global(machine.lpszProxy);
        settings.bypass = take_global(machine.lpszProxyBypass);
        if (machine.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY) settings.proxy.clear();
    }
    return settings;
}

std::optional<std::wstring> win32_platform::proxy_from_script(const std::wstring& url, const std::wstring& pac_url)
{
    internet_handle session(winhttp().open(L"run_this_first", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                        WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return std::nullopt;
    WINHTTP_AUTOPROXY_OPTIONS options{};
    if (pac_url.empty()) {
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    } else {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = pac_url.c_str();
    }
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info{};
    if (!winhttp().get_proxy_for_url(session.get(), url.c_str(), &options, &info)) return std::nullopt;
    std::wstring proxy = take_global(info.lpszProxy);
    take_global(info.lpszProxyBypass);
    if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NO_PROXY) proxy.clear();
    return proxy;
}

void win32_platform::ready_secure_connections()
{
    start_readying_certificate_chains();
}

std::unique_ptr<transfer_session> win32_platform::open_session(const update_source& source, const proxy_choice& proxy,
                                                               int receive_timeout_ms)
{
    if (source.scheme == source_scheme::ftp)
        return open_ftp_session({source.host, source.port, source.user, source.password, receive_timeout_ms});
    return std::make_unique<http_session>(source, proxy, receive_timeout_ms);
}

}  // namespace qs::win32
