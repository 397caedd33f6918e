#pragma once
// Reading the replies of an FTP control connection (RFC 959, 4.2): a reply is one line
// "xyz text" or several lines from "xyz-text" up to the line that begins with the same code and a
// blank (or holds the code alone). Bytes arrive in pieces of any size; the reader keeps what it has
// seen until a reply is whole.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qs::ftp {

struct reply {
    int code = 0;      // 100 to 599
    std::string text;  // every line as received, without line breaks, joined by "\n"

    bool preliminary() const { return code < 200; }
    bool completed() const { return code >= 200 && code < 300; }
    bool intermediate() const { return code >= 300 && code < 400; }
};

// A reply longer than this is no answer of an FTP server; it ends the connection as an error.
inline constexpr std::size_t max_reply_bytes = 64 * 1024;

class reply_reader {
public:
    // Adds received bytes.
    void feed(std::string_view bytes);
    // The next whole reply, once its last line has arrived. Throws system_error when the bytes
    // are no FTP reply (a line that does not begin with a code, or a reply over max_reply_bytes).
    std::optional<reply> next();

private:
    std::string buffer_;
    // The lines of buffer_ before this offset belong to `partial_`, a reply still awaiting its
    // last line; each line is looked at once, however the bytes were split.
    std::size_t scanned_ = 0;
    reply partial_;
};

}  // namespace qs::ftp
