#include "setup_main/update/update_log.h"

#include "basics/paths.h"
#include "platform/utf8.h"

namespace qs::update {
namespace {

const std::string byte_order_mark = "\xEF\xBB\xBF";

std::vector<std::uint8_t> bytes_of(const std::string& text)
{
    return {text.begin(), text.end()};
}

std::wstring on_one_line(const std::wstring& text)
{
    std::wstring line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c != L'\r' && c != L'\n') {
            line.push_back(c);
            continue;
        }
        // A CR LF or LF CR pair is one break.
        if (i + 1 < text.size() && (text[i + 1] == L'\r' || text[i + 1] == L'\n') && text[i + 1] != c) ++i;
        line += L" / ";
    }
    return line;
}

}  // namespace

std::wstring default_log_path(platform& os)
{
    return user_settings_path(os, L"update_log.txt");
}

update_log::update_log(platform& os, std::wstring path) : os_(os), path_(std::move(path)) {}

update_log::~update_log()
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (path_.empty() || waiting_.empty()) return;
    clashing_ = false;
    append_waiting_lines();
}

std::optional<std::wstring> update_log::failure() const
{
    const std::lock_guard<std::mutex> hold(mutex_);
    return failure_;
}

// The newer half stays, from the first whole line on, behind a new byte-order mark.
void update_log::trim_if_large()
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (path_.empty()) return;
    try {
        const std::vector<dir_entry> found = os_.find_entries(path_);
        if (found.size() != 1 || found[0].size <= log_trim_bytes) return;
        const std::vector<std::uint8_t> bytes = os_.read_file(path_);
        std::size_t from = bytes.size() / 2;
        while (from < bytes.size() && bytes[from - 1] != '\n') ++from;
        std::vector<std::uint8_t> kept = bytes_of(byte_order_mark);
        kept.insert(kept.end(), bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end());
        os_.write_file(path_, kept);
    } catch (const system_error&) {
        // Held by a viewer: a later run trims it.
    }
}

// True when every waiting line is in the log now.
bool update_log::append_waiting_lines()
{
    // A viewer or a scanner that opened the log without sharing lets go within a moment; a log
    // that stays held is not waited for again line by line.
    constexpr std::uint64_t patience_ms = 1000;
    constexpr std::uint32_t pause_ms = 50;
    const std::uint64_t until = os_.milliseconds() + (clashing_ ? 0 : patience_ms);
    for (;;) {
        try {
            std::string bytes = waiting_;
            if (!os_.file_exists(path_)) bytes = byte_order_mark + bytes;
            os_.append_file(path_, bytes_of(bytes));
            waiting_.clear();
            clashing_ = false;
            return true;
        } catch (const system_error& e) {
            const bool clash = e.code() == win_error::sharing_violation || e.code() == win_error::access_denied;
            if (!clash || os_.milliseconds() >= until) {
                if (!failure_) failure_ = e.text();
                clashing_ = clash;
                return false;
            }
        }
        os_.sleep(pause_ms);
    }
}

void update_log::write(const std::wstring& text)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (path_.empty()) return;
    waiting_ += wide_to_utf8(os_.local_timestamp() + L" " + on_one_line(text)) + "\r\n";
    if (batches_ == 0) write_waiting_lines();
}

// Once every line is in, there is nothing to mention; a log that cannot be made at all (no such
// folder) keeps no more than a little of what it could not take.
void update_log::write_waiting_lines()
{
    if (append_waiting_lines()) failure_.reset();
    else if (!clashing_ && waiting_.size() > (1u << 16)) waiting_.clear();
}

update_log::batch::batch(update_log& log) : log_(log)
{
    const std::lock_guard<std::mutex> hold(log_.mutex_);
    ++log_.batches_;
}

update_log::batch::~batch()
{
    const std::lock_guard<std::mutex> hold(log_.mutex_);
    if (--log_.batches_ == 0 && !log_.waiting_.empty()) log_.write_waiting_lines();  // none without a path
}

}  // namespace qs::update
