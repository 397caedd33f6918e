#pragma once
// Every text the program shows in the info pane, the progress label, a message box or one of its
// own dialogs, in one table: English and German. Texts that exist in English only (backup, file
// list, Internet update) have the same text in both columns.
//
// Placeholders {1}, {2}, ... are filled by message(); LF CR pairs are part of the texts.

#include <initializer_list>
#include <string>

#include "platform/platform.h"

namespace qs {

enum class ui_language { english, german };
// The first line of init_setup\language.txt that chooses English; any other content chooses German.
inline constexpr const wchar_t* english_in_language_file = L"1";

enum class msg {
    // start-up and licence
    application_title,  // the caption of the program's message boxes
    licence_refused,
    // any task
    out_of_memory,
    unexpected_failure,
    // Copy files
    setup_started,
    create_dir,
    copying_to_appdata,
    copying_finished,
    windows_dir_not_found,
    windows_files_copied,
    windows_copy_failed,
    program_folder_explained,  // {1} = program folder name
    select_install_folder,
    copying_files_from,
    copying_to,
    ellipsis,
    copy_own_folder_is_root,
    // registration
    registration_started,
    register_extension_question,  // {1} extension, {2} file type, {3} description
    register_extension_caption,
    register_ole_server,
    no_activex_components,
    registration_finished,
    // shortcuts
    confirm_caption,
    no_program_shortcut_objects,
    program_shortcut_question,  // {1} program path
    shortcut_name_title,
    program_shortcut_prompt,
    program_shortcuts_finished,
    no_help_shortcut_objects,
    help_shortcut_question,  // {1} help file path
    help_shortcut_prompt,
    help_shortcuts_finished,
    help_name_suffix,
    no_program_folder_known,
    shortcut_not_written,  // {1} shortcut file path
    // Update from folder
    select_new_files_folder,
    copying_to_appdata_update,
    update_copying_from_to,  // {1} new-files folder, {2} update target
    file_copy_finished,
    update_own_folder_is_root,
    // Generate backup folder
    backup_started,
    backup_folder_explained,  // {1} program folder name
    backup_ready,
    backup_copying_from_appdata,
    backup_finished,
    backup_own_folder_is_root,
    backup_inside_program_folder,  // {1} backup folder, {2} program folder
    // Generate file list
    generating_file_list,
    select_file_list_folder,
    file_list_ready,
    // Internet update
    getting_remote_list,
    remote_list_not_accessible,
    remote_list_arrived,
    local_list_finished,
    update_finished,
    getting_file,  // {1} k, {2} N, {3} server path
    files_to_delete,
    unsafe_server_path,  // {1} the path as the server's list gives it
    download_failed,     // {1} relative path, {2} the error's text
    download_mismatch,   // {1} size arrived, {2} MD5 arrived, {3} size listed, {4} MD5 listed
    download_too_large,  // {1} size listed
    unreadable_server_line,  // {1} the line as the server's list gives it
    remote_list_too_large,
    remote_line_too_long,  // {1} line number
    remote_path_too_deep,  // {1} line number
    remote_list_not_signed,
    remote_list_other_application,
    remote_list_older_release,  // {1} release offered, {2} release installed
    nothing_changed_continue_later,
    nothing_changed,
    files_in_use,            // {1} the files, a line each
    programs_using_files,    // {1} the programs' names
    close_programs_then_retry,
    interrupted_update_undone,
    interrupted_update_not_undone,  // {1} the failure's text
    update_already_running,
    stop_update_question,
    folder_in_the_way,       // {1} relative path
    update_log_not_written,  // {1} log file, {2} the failure's text
    command_line_usage,
    // the update's records kept sound
    old_done_mark_stays,   // {1} the mark's path
    release_not_recorded,  // {1} the release record's path, {2} the failure's text
    // installing and removing without the window
    install_usage,
    uninstall_question,         // {1} application
    uninstall_finished,         // {1} application
    uninstall_progress_caption,  // {1} application
    uninstall_user_files_stay,  // {1} the files, a line each
    uninstall_data_stays,       // {1} the folder
    uninstall_not_removed,      // {1} the files, a line each
    // ---- the update's sources
    list_from_source,         // {1} the source's URL
    certificate_not_valid,    // {1} the system's account of what is wrong
    proxy_wants_credentials,
    // the Select Directory dialog
    select_directory_title,
    directory_name_label,
    directories_label,
    files_label,
    drives_label,
    ok_button,
    cancel_button,
    create_directory_question,
    error_caption,
    drive_not_ready,  // {1} drive, as "c:"
    // the number of ids: stays last
    count,
};

// The text of a message in a language, with its placeholders filled in order.
std::wstring message(msg id, ui_language language, std::initializer_list<std::wstring> args = {});
// A text with its placeholders {1}, {2}, ... filled in order.
std::wstring filled_in(const std::wstring& text, std::initializer_list<std::wstring> args);
// The texts of OK and Cancel in a language.
dialog_buttons dialog_button_texts(ui_language language);
// The texts of the "Select Directory" dialog in a language.
select_directory_texts select_directory_dialog_texts(ui_language language);

}  // namespace qs
