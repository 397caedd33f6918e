#include "setup_main/update/staging.h"

#include <algorithm>

#include "basics/paths.h"
#include "basics/text_files.h"
#include "setup_main/file_list_format.h"
#include "setup_main/update/signed_list.h"

namespace qs::update {
namespace {

bool is_dot_entry(const dir_entry& entry)
{
    return entry.name == L"." || entry.name == L"..";
}

// Every file below a folder, as paths relative to it with "/" between levels.
void collect_files(platform& os, const std::wstring& folder, const std::wstring& relative,
                   std::vector<std::wstring>& out)
{
    for (const dir_entry& entry : os.find_entries(folder + relative + L"*")) {
        if (is_dot_entry(entry)) continue;
        if (entry.is_directory()) collect_files(os, folder, relative + entry.name + L"\\", out);
        else {
            std::wstring path = relative + entry.name;
            for (wchar_t& c : path)
                if (c == L'\\') c = L'/';
            out.push_back(std::move(path));
        }
    }
}

// Removes the empty folders below a folder, deepest first; true when the folder is empty now.
bool remove_empty_below(platform& os, const std::wstring& folder)
{
    bool empty = true;
    for (const dir_entry& entry : os.find_entries(folder + L"*")) {
        if (is_dot_entry(entry)) continue;
        if (!entry.is_directory()) {
            empty = false;
            continue;
        }
        const std::wstring below = folder + entry.name + L"\\";
        if (!remove_empty_below(os, below) || !os.remove_directory(without_trailing_backslash(below))) empty = false;
    }
    return empty;
}

}  // namespace

bool is_in_staging_folder(const std::wstring& relative_path)
{
    const std::wstring first = relative_path.substr(0, relative_path.find_first_of(L"/\\"));
    return ascii_lower(first) == staging_folder_name;
}

staging::staging(platform& os, std::wstring installation_folder)
    : os_(os), installation_(with_trailing_backslash(std::move(installation_folder)))
{
}

std::wstring staging::root() const { return installation_ + staging_folder_name + L"\\"; }
std::wstring staging::target(const std::wstring& relative_path) const
{
    return installation_ + with_backslashes(relative_path);
}
std::wstring staging::staged_root() const { return root() + L"staged\\"; }
std::wstring staging::aside_root() const { return root() + L"aside\\"; }
std::wstring staging::leftover_root() const { return root() + L"leftover\\"; }
std::wstring staging::staged(const std::wstring& relative_path) const
{
    return staged_root() + with_backslashes(relative_path);
}
std::wstring staging::aside(const std::wstring& relative_path) const
{
    return aside_root() + with_backslashes(relative_path);
}
std::wstring staging::journal() const { return root() + L"journal.txt"; }
std::wstring staging::journal_done_mark() const { return root() + L"journal.done"; }
std::wstring staging::release_record() const { return root() + L"release.txt"; }

void staging::make_folders_for(const std::wstring& path_in_staging)
{
    // Level by level below the installation folder, which exists.
    for (auto slash = path_in_staging.find(L'\\', installation_.size()); slash != std::wstring::npos;
         slash = path_in_staging.find(L'\\', slash + 1)) {
        const std::wstring level = path_in_staging.substr(0, slash);
        if (os_.directory_exists(level)) continue;
        try {
            os_.make_directory(level);
        } catch (const system_error& e) {
            throw system_error(level + L": " + e.text(), e.code());
        }
    }
}

std::vector<std::wstring> staging::staged_files()
{
    std::vector<std::wstring> files;
    if (os_.directory_exists(without_trailing_backslash(staged_root()))) collect_files(os_, staged_root(), L"", files);
    return files;
}

std::optional<std::uint64_t> staging::staged_size(const std::wstring& relative_path)
{
    const std::wstring path = staged(relative_path);
    const std::vector<dir_entry> found = os_.find_entries(path);
    if (found.size() != 1 || found[0].is_directory()) return std::nullopt;
    return found[0].size;
}

void staging::delete_leftovers()
{
    std::vector<std::wstring> files;
    const std::wstring folder = leftover_root();
    if (!os_.directory_exists(without_trailing_backslash(folder))) return;
    collect_files(os_, folder, L"", files);
    for (const std::wstring& file : files) os_.delete_file(folder + with_backslashes(file));
}

void staging::remove_empty_folders()
{
    const std::wstring folder = without_trailing_backslash(root());
    if (os_.directory_exists(folder) && remove_empty_below(os_, root())) os_.remove_directory(folder);
}

void staging::delete_or_leave_for_later(const std::wstring& path)
{
    if (os_.delete_file(path) || !os_.file_exists(path)) return;
    try {
        move_to_leftovers(path);
    } catch (const system_error&) {
        // It stays where it is; the next run tries again.
    }
}

void staging::move_to_leftovers(const std::wstring& path)
{
    const std::wstring name = file_name_of(path);
    for (int n = 1; n < 1000; ++n) {
        const std::wstring later = leftover_root() + std::to_wstring(n) + L"_" + name;
        if (os_.find_any(later)) continue;
        make_folders_for(later);
        move_with_retry(os_, path, later);
        return;
    }
    throw system_error(path + L": " + os_.system_message(win_error::already_exists), win_error::already_exists);
}

std::optional<std::uint64_t> staging::last_release()
{
    const std::wstring path = release_record();
    if (!os_.file_exists(path)) return std::nullopt;
    return parse_release(wide_to_utf8(read_first_line_ansi(os_, path)));
}

void staging::record_release(std::uint64_t release)
{
    // Written beside it and renamed over it: a cut during the write leaves the old record whole.
    const std::wstring record = release_record(), written = root() + L"release.new";
    try {
        make_folders_for(record);
        os_.write_file_through(written, encode_text(std::to_wstring(release) + L"\r\n", text_encoding::ansi, os_));
        os_.move_file_replacing(written, record);
    } catch (const system_error& e) {
        os_.delete_file(written);
        throw system_error(record + L": " + e.text(), e.code());
    }
}

std::optional<std::uint64_t> medium_release(platform& os, const std::wstring& installation_folder)
{
    const std::wstring path = with_trailing_backslash(installation_folder) + medium_release_name;
    if (!os.file_exists(path)) return std::nullopt;
    try {
        return parse_release(wide_to_utf8(read_first_line_ansi(os, path)));
    } catch (const system_error&) {
        return std::nullopt;
    }
}

std::optional<std::uint64_t> installed_release(platform& os, const std::wstring& installation_folder)
{
    staging where(os, installation_folder);
    std::optional<std::uint64_t> recorded;
    try {
        recorded = where.last_release();
    } catch (const system_error&) {
        // An unreadable record tells nothing; the medium's file still may.
    }
    const std::optional<std::uint64_t> medium = medium_release(os, installation_folder);
    if (!recorded) return medium;
    if (!medium) return recorded;
    return std::max(*recorded, *medium);
}

void move_with_retry(platform& os, const std::wstring& from, const std::wstring& to)
{
    constexpr std::uint64_t patience_ms = 2000;
    constexpr std::uint32_t pause_ms = 100;
    const std::uint64_t until = os.milliseconds() + patience_ms;
    for (;;) {
        try {
            os.move_file(from, to);
            return;
        } catch (const system_error& e) {
            const bool passing = e.code() == win_error::sharing_violation || e.code() == win_error::access_denied;
            if (!passing || os.milliseconds() >= until) throw;
        }
        os.sleep(pause_ms);
    }
}

}  // namespace qs::update
