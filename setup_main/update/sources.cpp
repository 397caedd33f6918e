#include "setup_main/update/sources.h"

#include <algorithm>
#include <cwctype>

#include "build_settings.h"
#include "basics/fs_helpers.h"
#include "basics/paths.h"
#include "platform/utf8.h"

namespace qs::update {
namespace {

int hex_digit(wchar_t c)
{
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Percent escapes decoded as UTF-8; nothing for a broken escape or bytes that are no UTF-8 text.
std::optional<std::wstring> percent_decoded(const std::wstring& text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') {
            bytes += wide_to_utf8(std::wstring(1, text[i]));
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hex_digit(text[i + 1]), low = hex_digit(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
    }
    std::wstring decoded = utf8_to_wide(bytes);
    if (wide_to_utf8(decoded) != bytes) return std::nullopt;
    return decoded;
}

std::wstring trimmed(const std::wstring& text)
{
    const auto first = text.find_first_not_of(L" \t\r\n");
    if (first == std::wstring::npos) return L"";
    return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

bool is_host_char(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'.' ||
           c == L'-' || c == L'_';
}

std::optional<int> port_number(const std::wstring& digits)
{
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    int port = 0;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9') return std::nullopt;
        port = port * 10 + (c - L'0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

// Host and port of an authority without user info: "host", "host:port", "[v6]" or "[v6]:port".
bool parse_host_port(const std::wstring& text, update_source& source)
{
    std::wstring port;
    if (!text.empty() && text.front() == L'[') {
        const auto close = text.find(L']');
        if (close == std::wstring::npos || close == 1) return false;
        source.host = text.substr(1, close - 1);
        for (wchar_t c : source.host)
            if (hex_digit(c) < 0 && c != L':' && c != L'.') return false;
        const std::wstring rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != L':') return false;
            port = rest.substr(1);
            if (port.empty()) return false;
        }
    } else {
        const auto colon = text.find(L':');
        source.host = text.substr(0, colon);
        if (colon != std::wstring::npos) {
            port = text.substr(colon + 1);
            if (port.empty()) return false;
        }
        if (source.host.empty()) return false;
        for (wchar_t c : source.host)
            if (!is_host_char(c)) return false;
    }
    if (!port.empty()) {
        const std::optional<int> number = port_number(port);
        if (!number) return false;
        source.port = *number;
    }
    return true;
}

bool host_matches(const std::wstring& pattern, const std::wstring& host)
{
    // "*" stands for any run of characters; letter case does not count.
    std::size_t p = 0, h = 0, star = std::wstring::npos, resume = 0;
    while (h < host.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = h;
        } else if (p < pattern.size() && std::towlower(pattern[p]) == std::towlower(host[h])) {
            ++p;
            ++h;
        } else if (star != std::wstring::npos) {
            p = star + 1;
            h = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

std::vector<std::wstring> split_list(const std::wstring& list)
{
    std::vector<std::wstring> entries;
    std::wstring entry;
    for (wchar_t c : list + L";") {
        if (c == L';' || c == L' ' || c == L'\t' || c == L',') {
            if (!entry.empty()) entries.push_back(entry);
            entry.clear();
        } else {
            entry += c;
        }
    }
    return entries;
}

const wchar_t* scheme_name(source_scheme scheme)
{
    switch (scheme) {
    case source_scheme::ftp: return L"ftp";
    case source_scheme::http: return L"http";
    case source_scheme::https: return L"https";
    }
    return L"";
}

int default_port(source_scheme scheme)
{
    return scheme == source_scheme::ftp ? 21 : scheme == source_scheme::http ? 80 : 443;
}

}  // namespace

std::optional<update_source> parse_source(const std::wstring& url, const ftp_account& account)
{
    update_source source;
    const auto separator = url.find(L"://");
    if (separator == std::wstring::npos) return std::nullopt;
    const std::wstring scheme = ascii_lower(url.substr(0, separator));
    if (scheme == L"ftp") source.scheme = source_scheme::ftp;
    else if (scheme == L"http") source.scheme = source_scheme::http;
    else if (scheme == L"https") source.scheme = source_scheme::https;
    else return std::nullopt;
    source.port = default_port(source.scheme);

    const std::wstring rest = url.substr(separator + 3);
    const auto slash = rest.find(L'/');
    std::wstring authority = rest.substr(0, slash);
    const std::wstring path = slash == std::wstring::npos ? L"/" : rest.substr(slash);
    for (wchar_t c : rest)
        if (c <= L' ' || c == L'?' || c == L'#' || c == L'\\' || c == 0x7F) return std::nullopt;

    const auto at = authority.rfind(L'@');
    if (at != std::wstring::npos) {
        // Only an FTP server takes an account from the URL; a web server's would be sent in the clear
        // to every proxy, and the list's signature makes one needless.
        if (source.scheme != source_scheme::ftp) return std::nullopt;
        const std::wstring info = authority.substr(0, at);
        const auto colon = info.find(L':');
        const std::optional<std::wstring> user = percent_decoded(info.substr(0, colon));
        const std::optional<std::wstring> password =
            percent_decoded(colon == std::wstring::npos ? L"" : info.substr(colon + 1));
        if (!user || !password || user->empty()) return std::nullopt;
        source.user = *user;
        source.password = *password;
        authority = authority.substr(at + 1);
    } else if (source.scheme == source_scheme::ftp) {
        source.user = account.user;
        source.password = account.password;
    }
    if (!parse_host_port(authority, source)) return std::nullopt;

    const std::optional<std::wstring> folder = percent_decoded(path);
    if (!folder) return std::nullopt;
    source.folder = *folder;
    if (source.folder.back() != L'/') source.folder += L'/';
    return source;
}

std::optional<std::vector<update_source>> parse_sources(const std::wstring& text, const ftp_account& account)
{
    std::vector<update_source> sources;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto semicolon = text.find(L';', start);
        const std::wstring url = trimmed(text.substr(start, semicolon == std::wstring::npos ? std::wstring::npos
                                                                                           : semicolon - start));
        if (!url.empty()) {
            std::optional<update_source> source = parse_source(url, account);
            if (!source) return std::nullopt;
            sources.push_back(std::move(*source));
        }
        if (semicolon == std::wstring::npos) break;
        start = semicolon + 1;
    }
    if (sources.empty()) return std::nullopt;
    return sources;
}

std::wstring source_url(const update_source& source)
{
    const bool v6 = source.host.find(L':') != std::wstring::npos;
    std::wstring url = std::wstring(scheme_name(source.scheme)) + L"://" + (v6 ? L"[" + source.host + L"]" : source.host);
    if (source.port != default_port(source.scheme)) url += L":" + std::to_wstring(source.port);
    return url + utf8_to_wide(percent_encoded_path(source.folder));
}

std::wstring file_url(const update_source& source, const std::wstring& server_path)
{
    const std::wstring base = source_url(source);
    const auto path_start = base.find(L'/', base.find(L"://") + 3);
    return base.substr(0, path_start) + utf8_to_wide(percent_encoded_path(server_path));
}

source_choice choose_sources(platform& os, const std::optional<std::wstring>& command_line_sources,
                             const ftp_account& account)
{
    source_choice choice;
    if (command_line_sources) {
        if (auto sources = parse_sources(*command_line_sources, account)) {
            choice.sources = std::move(*sources);
            choice.chosen_by = L"the command line";
            return choice;
        }
    }
    std::optional<std::wstring> policy;
    try {
        const registry_value value = read_registry_value(os, registry_root::local_machine, source_policy_key,
                                                         source_policy_value);
        if (const auto* text = std::get_if<std::wstring>(&value)) policy = *text;
    } catch (const system_error&) {
        // No policy: the key or the value is not there.
    }
    if (policy && !trimmed(*policy).empty()) {
        if (auto sources = parse_sources(*policy, account)) {
            choice.sources = std::move(*sources);
            choice.chosen_by = L"the machine policy";
            return choice;
        }
        choice.log_lines.push_back(L"The machine policy's update source is not understood and was not used: " +
                                   *policy);
    }
    if (auto sources = parse_sources(build::update_sources, account)) choice.sources = std::move(*sources);
    choice.chosen_by = L"the build";
    return choice;
}

std::wstring first_proxy_of(const std::wstring& list)
{
    const std::vector<std::wstring> entries = split_list(list);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::wstring word = ascii_lower(entries[i]);
        if (word == L"direct") return L"";
        if ((word == L"proxy" || word == L"http") && i + 1 < entries.size()) return entries[i + 1];
        if (word == L"proxy" || word == L"http") continue;
        return entries[i];
    }
    return L"";
}

proxy_choice named_proxy_for(const proxy_settings& settings, const update_source& source)
{
    if (source.scheme == source_scheme::ftp || settings.proxy.empty()) return {};
    for (const std::wstring& entry : split_list(settings.bypass)) {
        if (ascii_lower(entry) == L"<local>") {
            if (source.host.find(L'.') == std::wstring::npos && source.host.find(L':') == std::wstring::npos)
                return {};
            continue;
        }
        std::wstring pattern = entry;
        if (const auto scheme_end = pattern.find(L"://"); scheme_end != std::wstring::npos)
            pattern = pattern.substr(scheme_end + 3);
        if (host_matches(pattern, source.host) ||
            host_matches(pattern, source.host + L":" + std::to_wstring(source.port)))
            return {};
    }
    // "http=a:80;https=b:443" names one per scheme; a plain entry serves every scheme.
    const std::wstring wanted = scheme_name(source.scheme);
    std::wstring plain;
    for (const std::wstring& entry : split_list(settings.proxy)) {
        const auto equals = entry.find(L'=');
        if (equals == std::wstring::npos) {
            if (plain.empty()) plain = entry;
        } else if (ascii_lower(entry.substr(0, equals)) == wanted) {
            return {entry.substr(equals + 1)};
        }
    }
    return {plain};
}

void ready_for_sources(platform& os, const std::vector<update_source>& sources)
{
    const bool secure = std::any_of(sources.begin(), sources.end(),
                                    [](const update_source& s) { return s.scheme == source_scheme::https; });
    if (secure) os.ready_secure_connections();
}

proxy_choice decide_proxy(platform& os, const update_source& source)
{
    if (source.scheme == source_scheme::ftp) return {};
    const proxy_settings settings = os.system_proxy_settings();
    const std::wstring url = file_url(source, source.folder);
    std::optional<std::wstring> from_script;
    if (settings.auto_detect) from_script = os.proxy_from_script(url, L"");
    if (!from_script && !settings.pac_url.empty()) from_script = os.proxy_from_script(url, settings.pac_url);
    if (from_script) return {first_proxy_of(*from_script)};
    return named_proxy_for(settings, source);
}

}  // namespace qs::update
