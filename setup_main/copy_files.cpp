#include "basics/fs_helpers.h"
#include "basics/paths.h"
#include "browseforfolderunit/select_folder.h"
#include "setup_main/folder_rules.h"
#include "setup_main/setup_main_page.h"

namespace qs {
namespace {

// Stage 1: the application's part of Application_Data goes into the user's application-data
// folder, where it arrives as a subfolder under its own name.
void copy_application_data_stage(Tsetup_main_page& page)
{
    page.copy_to_user_application_data(application_data_part(page.own_folder(), page.application_name),
                                       msg::copying_to_appdata);
}

void copy_windows_files(Tsetup_main_page& page)
{
    const bool ok = copy_missing_files(page.os(), page.source_folder, page.target_folder, L"*.*");
    page.append(page.text(ok ? msg::windows_files_copied : msg::windows_copy_failed));
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
    append_copy_lines(page);
    shell_copy(os, page.source_folder, page.target_folder);
    page.append(L"");
    page.append(page.text(msg::copying_finished));
    page.append(L"");
    page.target_folder = folder_after_shell_copy(page.target_folder, name, existed);
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
