#pragma once
// Where the Internet update reads from: an ordered list of sources, each the URL of the folder
// that holds the live folders of the applications,
//
//   ftp://[user[:password]@]host[:port]/public/live/
//   https://host[:port]/public/live/
//   http://host[:port]/public/live/
//
// The build gives the default list (UPDATE_SOURCES: the maker's FTP server unless a maker names
// others); an administrator's machine policy beats it, and "/update /source=URL" beats both.

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qs::update {

// The machine policy that names the sources: REG_SZ, the same form as UPDATE_SOURCES.
inline constexpr const wchar_t* source_policy_key = L"Software\\Policies\\Korvex\\QuickSetup";
inline constexpr const wchar_t* source_policy_value = L"UpdateSource";

// One source URL; nothing when it is not one. An ftp:// source without user and password in its
// URL takes the build's account (percent escapes in them are decoded).
std::optional<update_source> parse_source(const std::wstring& url, const ftp_account& account);
// A list with ";" between the URLs (blanks around each do not count); nothing when it is empty
// or any URL in it is not understood.
std::optional<std::vector<update_source>> parse_sources(const std::wstring& text, const ftp_account& account);

// The source's URL for the log and the pane: never with user or password.
std::wstring source_url(const update_source& source);
// The URL of one file of the source, percent-encoded as UTF-8 (for proxy scripts).
std::wstring file_url(const update_source& source, const std::wstring& server_path);

// The sources of a run and what chose them, with a line for the log when a choice was refused.
struct source_choice {
    std::vector<update_source> sources;
    std::wstring chosen_by;  // "the command line", "the machine policy", "the build"
    std::vector<std::wstring> log_lines;
};
// /source= (when given, already checked), else the machine policy (when it holds a list that
// is understood), else the build's list.
source_choice choose_sources(platform& os, const std::optional<std::wstring>& command_line_sources,
                             const ftp_account& account);

// Readies the system for the first secure connection when any of the sources is https, so that the
// first handshake does not wait for it; returns at once.
void ready_for_sources(platform& os, const std::vector<update_source>& sources);

// The proxy a session to the source goes through, decided from the system's settings as WinHTTP
// does: a proxy script (auto-detected first, then the PAC URL) when the settings name one and it
// answers; else the named proxy unless the bypass list names the host; else direct. FTP always
// goes direct.
proxy_choice decide_proxy(platform& os, const update_source& source);

// The part of the decision that needs no system: the named proxy for the scheme, or direct when
// the bypass list names the host ("*" wildcards; "<local>" for any name without a dot).
proxy_choice named_proxy_for(const proxy_settings& settings, const update_source& source);
// The first entry of a proxy list as a script or the settings give it ("PROXY a:8080; DIRECT",
// "a:8080;b:8080"): empty for DIRECT.
std::wstring first_proxy_of(const std::wstring& list);

}  // namespace qs::update
