#include "basics/fs_helpers.h"
#include "basics/paths.h"
#include "browseforfolderunit/select_folder.h"
#include "setup_main/folder_rules.h"
#include "setup_main/install/entry.h"
#include "setup_main/setup_main_page.h"

namespace qs {
namespace {

using install::change;
using install::record_line;

// Stage 1: the application's part of Application_Data goes into the user's application-data
// folder, where it arrives as a subfolder under its own name.
// The application-data folder the copy made is recorded (it stays at an uninstall: it is the
// user's, but the closing text names it).
void copy_application_data_stage(Tsetup_main_page& page)
{
    platform& os = page.os();
    const std::wstring part = application_data_part(page.own_folder(), page.application_name);
    const std::wstring appdata = appdata_dir(os);
    const std::wstring arrives = appdata + L"\\" + page.source_dir_name_only(part);
    const bool was_there = os.directory_exists(arrives);
    page.copy_to_user_application_data(part, msg::copying_to_appdata);
    if (!appdata.empty() && !was_there && os.directory_exists(part) && os.directory_exists(arrives))
        page.copy_changes.push_back({change::application_data, {arrives}});
}

// Every file of the medium's "windows" folder that the Windows folder holds now is one more use
// of it, whether this copy put it there or not.
void count_windows_files(Tsetup_main_page& page, const std::vector<std::pair<std::wstring, bool>>& files)
{
    platform& os = page.os();
    for (const auto& [path, was_there] : files) {
        if (!os.file_exists(path)) continue;
        try {
            const std::wstring md5 = os.md5_hex_of_files({path}).front();
            install::count_shared_file(os, path, was_there);
            page.copy_changes.push_back({change::windows_file, {path, md5}});
        } catch (const system_error&) {
            // Without the rights to count it the file is not ours to remove later.
        }
    }
}

void copy_windows_files(Tsetup_main_page& page)
{
    platform& os = page.os();
    const std::wstring target = with_trailing_backslash(page.target_folder);
    std::vector<std::pair<std::wstring, bool>> files;  // the file in the Windows folder, there before
    for (const dir_entry& e : os.find_entries(with_trailing_backslash(page.source_folder) + L"*.*"))
        if (!e.is_directory()) files.emplace_back(target + e.name, os.file_exists(target + e.name));
    const bool ok = copy_missing_files(os, page.source_folder, page.target_folder, L"*.*");
    page.append(page.text(ok ? msg::windows_files_copied : msg::windows_copy_failed));
    count_windows_files(page, files);
}

// Stage 2: the files of "windows" that the Windows directory lacks. The folders the platform
// names, then the two usual ones, then the user's own choice.
void copy_windows_stage(Tsetup_main_page& page)
{
    platform& os = page.os();
    const std::wstring windows = page.own_folder() + L"windows";
    if (!os.directory_exists(windows)) return;
    page.source_folder = windows;
    page.target_folder = windows_folder(os);
    if (!os.directory_exists(page.target_folder)) page.target_folder = L"c:\\windows";
    if (!os.directory_exists(page.target_folder)) page.target_folder = L"c:\\winnt";
    if (!os.directory_exists(page.target_folder)) {
        os.show_message(page.text(msg::windows_dir_not_found));
        std::wstring chosen;
        if (!os.select_directory(L"c:\\winnt", select_directory_dialog_texts(page.language), chosen)) return;
        page.target_folder = chosen;
    }
    copy_windows_files(page);
}

std::wstring install_folder_offered(platform& os)
{
    const std::wstring folder = program_files_folder(os);
    return os.directory_exists(folder) ? folder : std::wstring();
}

// The files below a folder as they lie below another one.
void add_files_below(platform& os, const std::wstring& from, const std::wstring& to, std::vector<record_line>& lines)
{
    for (const dir_entry& e : os.find_entries(from + L"*")) {
        if (e.name == L"." || e.name == L"..") continue;
        if (e.is_directory()) add_files_below(os, from + e.name + L"\\", to + e.name + L"\\", lines);
        else lines.push_back({change::program_file, {to + e.name}});
    }
}

// The program folder holds the installation now: its record begins with the Apps & Features
// entry, which goes last, then the folder and its files, then what the earlier stages did; the
// entry is written after them. A Windows file counted again by a second run into the same
// folder is counted down again, since the record has it once.
void record_installation(Tsetup_main_page& page, bool folder_was_there)
{
    platform& os = page.os();
    const std::wstring folder = with_trailing_backslash(page.target_folder);
    if (!os.directory_exists(folder)) return;
    std::vector<record_line> lines;
    if (!folder_was_there) lines.push_back({change::program_folder, {folder}});
    add_files_below(os, with_trailing_backslash(page.source_folder), folder, lines);
    try {
        install::install_record r(os, folder);
        r.add_first(install::entry_line(os, folder, page.application_name));
        for (const record_line& line : lines) r.add(line);
        for (const record_line& line : page.copy_changes) {
            if (line.what == change::windows_file && r.contains(line)) install::release_shared_file(os, line.fields[0]);
            else r.add(line);
        }
        page.copy_changes.clear();
        install::write_entry(os, folder, page.application_name);
    } catch (const system_error&) {
    }
}

void append_copy_lines(Tsetup_main_page& page)
{
    page.append(page.text(msg::copying_files_from));
    page.append(page.source_folder);
    page.append(page.text(msg::copying_to));
    page.append(page.target_folder);
    page.append(page.text(msg::ellipsis));
}

// Stage 3: the whole installation folder goes below the folder the user picks, under its own
// name. Afterwards target_folder names the folder that really holds the program files, which
// registration and the shortcuts work on.
void copy_program_stage(Tsetup_main_page& page)
{
    platform& os = page.os();
    page.source_folder = without_trailing_backslash(page.own_folder());
    if (is_drive_root(page.source_folder)) {
        // The drive designation ("E:") is no folder name; a folder "<chosen>\E:" cannot be made.
        page.target_folder.clear();
        page.append(page.text(msg::copy_own_folder_is_root));
        return;
    }
    const std::wstring name = page.source_dir_name_only(page.source_folder);
    os.show_message(page.text(msg::program_folder_explained, {name}));
    const std::wstring initial = install_folder_offered(os);
    page.target_folder = select_folder(os, page.text(msg::select_install_folder), initial, true);
    if (!os.directory_exists(page.target_folder)) return;
    page.target_folder = without_trailing_backslash(page.target_folder) + L"\\" + name;
    const bool existed = os.directory_exists(page.target_folder);
    const std::wstring program_folder = folder_after_shell_copy(page.target_folder, name, existed);
    const bool program_folder_existed = os.directory_exists(program_folder);
    append_copy_lines(page);
    shell_copy(os, page.source_folder, page.target_folder);
    page.append(L"");
    page.append(page.text(msg::copying_finished));
    page.append(L"");
    page.target_folder = program_folder;
    record_installation(page, program_folder_existed);
}

}  // namespace

void Tsetup_main_page::copy_to_user_application_data(const std::wstring& part, msg heading)
{
    if (!os_.directory_exists(part)) return;
    source_folder = part;
    target_folder = appdata_dir(os_);
    if (!os_.directory_exists(target_folder)) {
        os_.create_directory(target_folder);
        os_.show_message(text(msg::create_dir) + target_folder);
    }
    if (!os_.directory_exists(target_folder)) return;
    append(L"");
    append(text(heading));
    shell_copy(os_, source_folder, target_folder);
    append(text(msg::copying_finished));
    append(L"");
}

void Tsetup_main_page::copy_files()
{
    copy_changes.clear();
    append(text(msg::setup_started) + date_time_stamp(os_));
    copy_application_data_stage(*this);
    copy_windows_stage(*this);
    copy_program_stage(*this);
}

std::wstring Tsetup_main_page::source_dir_name_only(const std::wstring& path) const
{
    std::wstring name = without_trailing_backslash(path);
    for (auto cut = name.find(L'\\'); cut != std::wstring::npos; cut = name.find(L'\\')) name.erase(0, cut + 1);
    return name;
}

}  // namespace qs
