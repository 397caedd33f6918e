#include "setup_main/update/commit.h"

#include "basics/paths.h"
#include "platform/utf8.h"
#include "setup_main/file_list_format.h"
#include "setup_main/update/signed_list.h"

namespace qs::update {
namespace {

constexpr const char* journal_heading = "korvex update journal 1";
// The last line: a journal without it was torn while it was written, before any change was made.
constexpr const char* journal_end = "end";

std::vector<std::string> split_journal_lines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> fields_of(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

std::vector<std::uint8_t> bytes_of(const std::string& text)
{
    return {text.begin(), text.end()};
}

void write_journal(platform& os, staging& where, const commit_plan& plan)
{
    os.write_file_through(where.journal(), bytes_of(journal_text(plan)));
}

// True when the done mark is there and belongs to this journal.
bool marked_done(platform& os, staging& where, const std::string& journal_bytes)
{
    if (!os.file_exists(where.journal_done_mark())) return false;
    try {
        const std::vector<std::uint8_t> mark = os.read_file(where.journal_done_mark());
        return std::string(mark.begin(), mark.end()) == done_mark_text(journal_bytes);
    } catch (const system_error&) {
        return false;  // a mark nobody can read vouches for nothing
    }
}

// Deletes the copies the commit moved aside and whatever else it left in the staging folder but
// the release record; a copy that cannot be deleted yet (a running program) waits for a later run.
// Every file is in place by now: a release record that cannot be written is said, not thrown.
std::optional<std::wstring> clean_up(platform& os, staging& where, const commit_plan& plan)
{
    for (const commit_file& file : plan.files)
        if (os.file_exists(where.aside(file.path))) where.delete_or_leave_for_later(where.aside(file.path));
    std::optional<std::wstring> not_recorded;
    if (plan.release) {
        try {
            where.record_release(*plan.release);
        } catch (const system_error& e) {
            not_recorded = e.text();
        }
    }
    os.delete_file(where.journal());
    os.delete_file(where.journal_done_mark());
    where.remove_empty_folders();
    return not_recorded;
}

// Restores the read-only attribute a commit took from an installed file.
void restore_read_only(platform& os, const std::wstring& path)
{
    if (const auto attributes = os.file_attributes(path))
        os.set_file_attributes(path, *attributes | attr::readonly);
}

}  // namespace

std::string journal_text(const commit_plan& plan)
{
    std::string text = std::string(journal_heading) + "\r\n";
    if (plan.release) text += "release\t" + std::to_string(*plan.release) + "\r\n";
    if (!plan.run.empty()) text += "run\t" + wide_to_utf8(plan.run) + "\r\n";
    for (const std::wstring& folder : plan.new_folders) text += "folder\t" + wide_to_utf8(folder) + "\r\n";
    for (const commit_file& file : plan.files)
        text += "file\t" + wide_to_utf8(file.path) + "\t" + (file.replaces ? "1" : "0") + "\t" +
                (file.read_only ? "1" : "0") + "\r\n";
    text += std::string(journal_end) + "\r\n";
    return text;
}

std::optional<commit_plan> parse_journal(const std::string& bytes)
{
    const std::vector<std::string> lines = split_journal_lines(bytes);
    if (lines.size() < 2 || lines.front() != journal_heading || lines.back() != journal_end) return std::nullopt;
    commit_plan plan;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::vector<std::string> f = fields_of(lines[i]);
        if (f[0] == "release" && f.size() == 2 && parse_release(f[1])) plan.release = parse_release(f[1]);
        else if (f[0] == "run" && f.size() == 2) plan.run = utf8_to_wide(f[1]);
        else if (f[0] == "folder" && f.size() == 2 && !f[1].empty()) plan.new_folders.push_back(utf8_to_wide(f[1]));
        else if (f[0] == "file" && f.size() == 4 && !f[1].empty())
            plan.files.push_back({utf8_to_wide(f[1]), f[2] == "1", f[3] == "1"});
        else return std::nullopt;
    }
    return plan;
}

void undo(platform& os, staging& where, const commit_plan& plan)
{
    const std::wstring* at = nullptr;  // the file whose step failed, for the text
    try {
        for (auto file = plan.files.rbegin(); file != plan.files.rend(); ++file) {
            at = &file->path;
            const std::wstring target = where.target(file->path), staged = where.staged(file->path),
                               aside = where.aside(file->path);
            const bool moved_aside = file->replaces && os.file_exists(aside);
            // The new file is in place when it has left staging and something stands at the target
            // that is not the old file.
            const bool new_in_place = !os.file_exists(staged) && os.file_exists(target) && (!file->replaces || moved_aside);
            if (new_in_place) {
                where.make_folders_for(staged);
                move_with_retry(os, target, staged);
            }
            // A program that made the file anew after a crash between its two moves (an .ini, a
            // log): that copy goes to leftover\, so that the old one can come back.
            if (moved_aside && os.file_exists(target)) where.move_to_leftovers(target);
            if (moved_aside) move_with_retry(os, aside, target);
            if (file->replaces && file->read_only && os.file_exists(target)) restore_read_only(os, target);
        }
        at = nullptr;
        for (auto folder = plan.new_folders.rbegin(); folder != plan.new_folders.rend(); ++folder)
            os.remove_directory(without_trailing_backslash(where.target(*folder)));
    } catch (const system_error& e) {
        throw undo_failed(at ? *at + L": " + e.text() : e.text(), e.code());
    }
}

std::string done_mark_text(const std::string& journal_bytes)
{
    // FNV-1a, 64 bits: a mark is told from another commit's, not defended against a forger.
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : journal_bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    std::string hex(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) hex[static_cast<std::size_t>(i)] = "0123456789ABCDEF"[hash & 15];
    return "done " + hex + "\r\n";
}

std::optional<std::wstring> commit(platform& os, staging& where, const commit_plan& plan)
{
    // An old mark beside the new journal would turn a commit cut short into a finished one.
    if (!os.delete_file(where.journal_done_mark()) && os.find_any(where.journal_done_mark()))
        throw commit_failed(where.journal_done_mark());
    try {
        write_journal(os, where, plan);
    } catch (const system_error& e) {
        os.delete_file(where.journal());
        throw commit_failed(where.journal() + L": " + e.text(), e.code());
    }
    const std::wstring* at = nullptr;  // the file whose step failed, for the text
    try {
        for (const std::wstring& folder : plan.new_folders) {
            at = &folder;
            os.make_directory(without_trailing_backslash(where.target(folder)));
        }
        for (const commit_file& file : plan.files) {
            at = &file.path;
            const std::wstring target = where.target(file.path);
            if (file.replaces) {
                // Windows refuses to replace or delete a read-only file; files copied from a CD are.
                if (file.read_only)
                    if (const auto attributes = os.file_attributes(target))
                        os.set_file_attributes(target, *attributes & ~attr::readonly);
                where.make_folders_for(where.aside(file.path));
                move_with_retry(os, target, where.aside(file.path));
            }
            move_with_retry(os, where.staged(file.path), target);
        }
        at = nullptr;
        os.write_file_through(where.journal_done_mark(), bytes_of(done_mark_text(journal_text(plan))));
    } catch (const system_error& e) {
        undo(os, where, plan);
        os.delete_file(where.journal());
        throw commit_failed(at ? *at + L": " + e.text() : where.journal_done_mark() + L": " + e.text(), e.code());
    }
    return clean_up(os, where, plan);
}

recovery recover(platform& os, staging& where)
{
    where.delete_leftovers();
    if (!os.file_exists(where.journal())) {
        os.delete_file(where.journal_done_mark());  // its journal went first in the clean-up
        return recovery::none;
    }
    const std::vector<std::uint8_t> bytes = os.read_file(where.journal());
    const std::optional<commit_plan> plan = parse_journal(std::string(bytes.begin(), bytes.end()));
    if (!plan) {
        // Torn while it was written: the commit had not begun.
        os.delete_file(where.journal());
        os.delete_file(where.journal_done_mark());
        return recovery::none;
    }
    if (marked_done(os, where, std::string(bytes.begin(), bytes.end()))) {
        clean_up(os, where, *plan);
        return recovery::completed;
    }
    undo(os, where, *plan);
    os.delete_file(where.journal());
    os.delete_file(where.journal_done_mark());  // another commit's, if any
    return recovery::rolled_back;
}

}  // namespace qs::update
