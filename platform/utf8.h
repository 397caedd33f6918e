#pragma once
// UTF-8 and UTF-16 both ways, without a byte-order mark: files, the FTP wire and diagnostics.

#include <cstdint>
#include <string>

namespace qs {

// One code point, as a surrogate pair where it needs one.
void append_code_point(std::wstring& out, std::uint32_t cp);
// Ill-formed input becomes U+FFFD.
std::wstring utf8_to_wide(const std::string& bytes);
std::string wide_to_utf8(const std::wstring& text);

// ---- URLs
// A path percent-encoded as UTF-8: everything but the unreserved characters and "/" is escaped,
// so that names with blanks, "%", "#" or umlauts reach a web server as they are.
std::string percent_encoded_path(const std::wstring& path);

}  // namespace qs
