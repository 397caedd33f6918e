// Any bytes from a server as FTP replies: however the network splits them, the reader yields the
// same replies and fails at the same point; every reply begins with its code, its lines end
// only where a line of that code and a blank does, and nothing grows past the reply limit.

#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/ftp/ftp_replies.h"
#include "platform/platform.h"

namespace {

struct outcome {
    std::vector<qs::ftp::reply> replies;
    bool failed = false;
};

// Feeds the bytes in pieces of the given size and reads every reply after each piece.
outcome read_all(const std::string& bytes, std::size_t piece)
{
    outcome out;
    qs::ftp::reply_reader reader;
    try {
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            reader.feed(std::string_view(bytes).substr(at, piece));
            while (std::optional<qs::ftp::reply> r = reader.next()) out.replies.push_back(std::move(*r));
        }
    } catch (const qs::system_error&) {
        out.failed = true;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 7;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const outcome whole = read_all(bytes, bytes.size() + 1);
    const outcome pieces = read_all(bytes, piece);
    FUZZ_CHECK(whole.replies.size() == pieces.replies.size() || whole.failed || pieces.failed);
    const std::size_t common = std::min(whole.replies.size(), pieces.replies.size());
    for (std::size_t i = 0; i < common; ++i) {
        FUZZ_CHECK(whole.replies[i].code == pieces.replies[i].code);
        FUZZ_CHECK(whole.replies[i].text == pieces.replies[i].text);
    }
    if (!whole.failed && !pieces.failed) FUZZ_CHECK(whole.replies.size() == pieces.replies.size());
    for (const qs::ftp::reply& r : whole.replies) {
        FUZZ_CHECK(r.code >= 100 && r.code <= 599);
        FUZZ_CHECK(r.text.compare(0, 3, std::to_string(r.code)) == 0);
        FUZZ_CHECK(r.text.size() <= qs::ftp::max_reply_bytes);
        const std::size_t last_line = r.text.rfind('\n');
        const std::string last = r.text.substr(last_line == std::string::npos ? 0 : last_line + 1);
        FUZZ_CHECK(last.compare(0, 3, std::to_string(r.code)) == 0 && (last.size() == 3 || last[3] == ' '));
    }
    return 0;
}
