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

std::optional<std::wstring> update_log::failure() const
{
    const std::lock_guard<std::mutex> hold(mutex_);
    return failure_;
}

// The newer half stays, from the first whole line on, behind a new byte-order mark.
void update_log::trim_if_large()
{
    trimmed_ = true;
    const std::vector<dir_entry> found = os_.find_entries(path_);
    if (found.size() != 1 || found[0].size <= log_trim_bytes) return;
    const std::vector<std::uint8_t> bytes = os_.read_file(path_);
    std::size_t from = bytes.size() / 2;
    while (from < bytes.size() && bytes[from - 1] != '\n') ++from;
    std::vector<std::uint8_t> kept = bytes_of(byte_order_mark);
    kept.insert(kept.end(), bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end());
    os_.write_file(path_, kept);
}

void update_log::write(const std::wstring& text)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (path_.empty() || failure_) return;
    try {
        if (!trimmed_) trim_if_large();
        std::string line = wide_to_utf8(os_.local_timestamp() + L" " + on_one_line(text)) + "\r\n";
        if (!os_.file_exists(path_)) line = byte_order_mark + line;
        os_.append_file(path_, bytes_of(line));
    } catch (const system_error& e) {
        failure_ = e.text();
    }
}

}  // namespace qs::update
