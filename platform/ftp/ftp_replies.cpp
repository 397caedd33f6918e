#include "platform/ftp/ftp_replies.h"

#include "platform/platform.h"

namespace qs::ftp {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// "xyz" followed by a blank, a hyphen or nothing, with x from 1 to 5.
bool begins_with_code(std::string_view line)
{
    return line.size() >= 3 && line[0] >= '1' && line[0] <= '5' && is_digit(line[1]) && is_digit(line[2]) &&
           (line.size() == 3 || line[3] == ' ' || line[3] == '-');
}

// The line that ends a reply: its code, then a blank or nothing.
bool ends_reply(std::string_view line, int code)
{
    return begins_with_code(line) && std::stoi(std::string(line.substr(0, 3))) == code &&
           (line.size() == 3 || line[3] == ' ');
}

}  // namespace

void reply_reader::feed(std::string_view bytes) { buffer_.append(bytes); }

std::optional<reply> reply_reader::next()
{
    while (true) {
        const std::size_t end = buffer_.find('\n', scanned_);
        if (end == std::string::npos) {
            if (buffer_.size() > max_reply_bytes) throw system_error(L"The update server sent a reply that is too long.");
            return std::nullopt;
        }
        if (end >= max_reply_bytes) throw system_error(L"The update server sent a reply that is too long.");
        std::string_view line(buffer_.data() + scanned_, end - scanned_);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        bool last = false;
        if (scanned_ == 0) {
            if (!begins_with_code(line)) throw system_error(L"The update server sent an answer that is no FTP reply.");
            partial_.code = std::stoi(std::string(line.substr(0, 3)));
            partial_.text.assign(line);
            last = line.size() == 3 || line[3] == ' ';
        } else {
            partial_.text.push_back('\n');
            partial_.text.append(line);
            last = ends_reply(line, partial_.code);
        }
        scanned_ = end + 1;
        if (last) {
            buffer_.erase(0, scanned_);
            scanned_ = 0;
            reply whole = std::move(partial_);
            partial_ = {};
            return whole;
        }
    }
}

}  // namespace qs::ftp
