#include "setup_main/server_paths.h"

#include <array>

#include "basics/paths.h"
#include "build_settings.h"

namespace qs {
namespace {

bool is_device_name(const std::wstring& level)
{
    // Windows maps these names to devices in every folder, whatever extension follows.
    std::wstring stem = ascii_upper(level.substr(0, level.find(L'.')));
    // Blanks before the extension do not help: "NUL .txt" is the device as well.
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    static const std::array<const wchar_t*, 6> plain = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* name : plain)
        if (stem == name) return true;
    if (stem.size() == 4 && (stem.rfind(L"COM", 0) == 0 || stem.rfind(L"LPT", 0) == 0)) {
        const wchar_t digit = stem[3];
        // COM0 and LPT0 are reserved too, as are the superscript digits.
        if ((digit >= L'0' && digit <= L'9') || digit == L'\u00b9' || digit == L'\u00b2' || digit == L'\u00b3')
            return true;
    }
    return false;
}

bool is_forbidden_character(wchar_t c)
{
    return static_cast<std::uint32_t>(c) < 0x20 || c == L'<' || c == L'>' || c == L':' || c == L'"' ||
           c == L'|' || c == L'?' || c == L'*' || c == L'\\' || c == 0x7F;
}

// A surrogate half without its other half names no character: written into the journal as UTF-8
// it would become U+FFFD, and the journal would no longer name the file.
bool has_lone_surrogate(const std::wstring& level)
{
    for (std::size_t i = 0; i < level.size(); ++i) {
        const auto c = static_cast<std::uint32_t>(level[i]);
        if (c >= 0xDC00 && c <= 0xDFFF) return true;
        if (c >= 0xD800 && c <= 0xDBFF) {
            const bool paired = i + 1 < level.size() && static_cast<std::uint32_t>(level[i + 1]) >= 0xDC00 &&
                                static_cast<std::uint32_t>(level[i + 1]) <= 0xDFFF;
            if (!paired) return true;
            ++i;
        }
    }
    return false;
}

bool is_safe_level(const std::wstring& level)
{
    if (level.empty() || level == L"." || level == L"..") return false;
    if (level.size() > max_server_name_length) return false;
    for (wchar_t c : level)
        if (is_forbidden_character(c)) return false;
    if (has_lone_surrogate(level)) return false;
    // Windows drops trailing dots and blanks, so "a." would write the file "a".
    if (level.back() == L'.' || level.back() == L' ') return false;
    return !is_device_name(level);
}

}  // namespace

std::wstring live_path(const std::wstring& application_name, const std::wstring& relative_path)
{
    return L"/public/live/" + application_name + L"/" + relative_path;
}

bool is_safe_relative_path(const std::wstring& path)
{
    if (path.empty()) return false;
    std::size_t start = 0;
    while (true) {
        const auto slash = path.find(L'/', start);
        if (!is_safe_level(path.substr(start, slash == std::wstring::npos ? std::wstring::npos : slash - start)))
            return false;
        if (slash == std::wstring::npos) return true;
        start = slash + 1;
    }
}

bool is_own_executable(const std::wstring& relative_path)
{
    return ascii_lower(relative_path) == L"run_this_first.exe";
}

ftp_account update_server_account()
{
    ftp_account account;
    account.host = build::update_server_host;
    account.port = build::update_server_port;
    account.user = L"login-5203";
    account.password = L"muhTaK*R";
    account.receive_timeout_ms = build::ftp_receive_timeout_ms;
    return account;
}

}  // namespace qs
