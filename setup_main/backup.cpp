#include "basics/fs_helpers.h"
#include "basics/paths.h"
#include "browseforfolderunit/select_folder.h"
#include "setup_main/folder_rules.h"
#include "setup_main/setup_main_page.h"

namespace qs {
namespace {

// Every text of the backup is English, whatever the chosen language.
std::wstring english(msg id, std::initializer_list<std::wstring> args = {})
{
    return message(id, ui_language::english, args);
}

// Where the shell would put the program folder: the backup folder itself, or the folder of the
// program's name inside it when the backup folder exists already.
std::wstring shell_destination(platform& os, const std::wstring& picked, const std::wstring& name)
{
    const std::wstring backup = without_trailing_backslash(picked) + L"\\" + name;
    return folder_after_shell_copy(backup, name, os.directory_exists(backup));
}

// Copying the program folder into itself would never end well: the picker opens on the
// program-files folder, which is usually the program folder's parent, and taking it as offered
// aims the backup at the program folder itself.
bool refuse_backup_into_program_folder(Tsetup_main_page& page)
{
    const std::wstring program = without_trailing_backslash(page.own_folder());
    const std::wstring destination = shell_destination(page.os(), page.target_folder, page.source_dir_name_only(program));
    if (!is_same_or_inside(destination, program)) return false;
    page.append(english(msg::backup_inside_program_folder, {destination, program}));
    page.target_folder.clear();  // nothing was backed up, so no later task may take it for a program folder
    return true;
}

}  // namespace

void Tsetup_main_page::generate_backup()
{
    append(english(msg::backup_started) + date_time_stamp(os_));
    if (is_drive_root(own_folder())) {
        // The drive designation is no folder name to back up under.
        append(english(msg::backup_own_folder_is_root));
    } else {
        choose_backup_folder();
        if (os_.directory_exists(target_folder) && !refuse_backup_into_program_folder(*this)) {
            copy_program_folder();
            copy_application_data();
        }
    }
    append(english(msg::backup_finished) + date_time_stamp(os_));
}

void Tsetup_main_page::choose_backup_folder()
{
    source_folder = own_folder();
    const std::wstring name = source_dir_name_only(source_folder);
    os_.show_message(english(msg::backup_folder_explained, {name}));
    target_folder = program_files_folder(os_);
    if (!os_.directory_exists(target_folder)) target_folder.clear();
    target_folder = select_folder(os_, english(msg::select_install_folder), target_folder, true);
    os_.show_message(english(msg::backup_ready));
}

// Afterwards target_folder names the folder that really holds the backup's files.
void Tsetup_main_page::copy_program_folder()
{
    source_folder = without_trailing_backslash(source_folder);
    target_folder = without_trailing_backslash(target_folder);
    const std::wstring name = source_dir_name_only(source_folder);
    target_folder += L"\\" + name;
    const bool existed = os_.directory_exists(target_folder);
    append(english(msg::copying_files_from));
    append(source_folder);
    append(english(msg::copying_to));
    append(target_folder);
    append(english(msg::ellipsis));
    shell_copy(os_, source_folder, target_folder);
    append(L"");
    append(english(msg::copying_finished));
    append(L"");
    target_folder = folder_after_shell_copy(target_folder, name, existed);
    leave_out_of_backup(target_folder);
}

// The record of the installation belongs to this PC alone: an uninstall from a backup put back
// elsewhere must not undo what was installed here. (The update's folder goes along: it holds the
// release record, which the backup's files are.)
void Tsetup_main_page::leave_out_of_backup(const std::wstring& backup)
{
    const std::wstring record = with_trailing_backslash(backup) + install::install_folder_name;
    if (os_.directory_exists(record)) delete_folder_tree(os_, record);
}

// The application's data comes back from the user's application-data folder into the program
// folder's Application_Data. Without an application name it is the Application_Data folder
// that "Copy files" put there, copied back beside the program as a whole; never the user's
// whole application-data folder.
void Tsetup_main_page::copy_application_data()
{
    const std::wstring own = own_folder();
    if (!os_.directory_exists(own + L"Application_Data\\" + application_name)) return;
    const bool named = !application_name.empty();
    const std::wstring destination = named ? own + L"Application_Data\\" : own;
    const std::wstring source = appdata_dir(os_) + L"\\" + (named ? application_name : L"Application_Data");
    if (!os_.directory_exists(own + L"Application_Data\\")) return;
    append(L"");
    append(english(msg::backup_copying_from_appdata));
    append(source);
    append(english(msg::copying_to));
    append(destination);
    shell_copy(os_, source, destination);
    append(english(msg::copying_finished));
    append(L"");
}

}  // namespace qs
