#pragma once
// The main window's logic: its four fields, its click handlers and every task behind them.
// The window itself (setup_main/win32) creates the controls and routes clicks here; the tasks
// reach the operating system only through `platform` and the window only through
// `main_window_view`, so all of this runs against the fake in the portable tests.
//
// The tasks live in one source file each: form_create.cpp, line_conversion.cpp, copy_files.cpp,
// registration.cpp, shortcuts.cpp, update_from_folder.cpp, backup.cpp, file_list.cpp and
// internet_update.cpp, which hands the Internet update to its own unit, setup_main/update.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "setup_main/main_window_view.h"
#include "setup_main/install/record.h"
#include "setup_main/messages.h"
#include "setup_main/update/internet_update.h"

namespace qs {

class Tsetup_main_page {
public:
    Tsetup_main_page(platform& os, main_window_view& view);

    // ---- fields shared by the tasks
    std::wstring source_folder;
    std::wstring target_folder;
    std::wstring application_name;
    ui_language language = ui_language::english;  // until FormCreate has read language.txt
    // The maker's public key that the server's file list must be signed with; none: the list is
    // taken unsigned. Set from the build settings.
    std::optional<ecdsa_p256_public_key> update_signing_key;

    // ---- creation (Part of the window's life: runs once before the window is first shown)
    void FormCreate();
    void FormDestroy() {}

    // ---- click handlers, each running its task through run_task()
    void exit_buttonClick();
    void copy_buttonClick();
    void register_buttonClick();
    void launch_buttonClick();
    void help_shortcut_buttonClick();
    void Button1Click();  // the hidden line conversion
    void update_buttonClick();
    void Button2Click();  // re-registers the components of the own folder
    void Button3Click();  // generates the backup folder
    void Button4Click();  // the Internet update
    void Button5Click();  // generates the file list

    // Routes a click on a control to its handler; unknown controls are ignored.
    void click(control which);

    // Runs one task: any exception that the task does not handle ends it and is shown in the error
    // box, and the window stays usable. A click that arrives while a task runs (the progress texts let
    // the message loop run) is ignored, so one task never starts inside another.
    void run_task(const std::function<void()>& task);
    bool task_running() const noexcept { return busy_; }
    bool is_enabled(control which) const;

    // ---- the tasks and their steps
    // Copy files
    void copy_files();
    // Copies an application-data part into the user's application-data folder (made if missing,
    // with the "Create dir " box), framed by the heading and "Copying finished." lines. Used by
    // "Copy files" and "Update from folder"; does nothing when the part is missing.
    void copy_to_user_application_data(const std::wstring& part, msg heading);
    std::wstring source_dir_name_only(const std::wstring& path) const;
    // Registration
    // What "Register components" does: target_folder when set, else the own folder.
    void register_target_or_own_folder();
    void register_components(const std::wstring& folder);
    void re_register_components();
    bool InstallExt(const std::wstring& extension, const std::wstring& file_type,
                    const std::wstring& description, const std::wstring& program_path,
                    const std::wstring& argument, int icon_index);
    // Shortcuts
    void launch_program(const std::wstring& folder);
    void create_help_shortcuts(const std::wstring& folder);
    void create_desktop_link(const std::wstring& target, const std::wstring& name);
    // Update from folder
    void update_action();
    // Backup
    void generate_backup();
    void choose_backup_folder();
    void copy_program_folder();
    void leave_out_of_backup(const std::wstring& backup);
    void copy_application_data();
    // File list
    void generate_file_list(const std::wstring& folder);
    void list_folder_files(const std::wstring& folder, const std::wstring& base, std::vector<std::wstring>& lines);
    // Internet update (the run itself is setup_main/update's): its settings for this window, and
    // the box of the files the server no longer lists.
    update::run_settings update_settings() const;
    void show_files_to_delete(const std::vector<std::wstring>& paths);
    // The close box may stop a running Internet update until its commit begins.
    bool can_stop_task() const;
    void stop_task();

    // ---- helpers for the tasks
    std::wstring text(msg id, std::initializer_list<std::wstring> args = {}) const;
    void append(const std::wstring& line) { view_.append_info(line); }
    void progress(const std::wstring& line) { view_.set_progress(line); }
    void disable(control which);
    // The running program's folder, with its trailing "\".
    std::wstring own_folder() const;

    platform& os() { return os_; }
    main_window_view& view() { return view_; }

    // ---- the record of what the installing tasks did (setup_main/install/record.h)
    // Adds the lines to the record of the program folder. A record that cannot be written does
    // not stop the window's task; an unattended install learns of it through its platform.
    void record(const std::wstring& folder, const std::vector<install::record_line>& lines);
    // What the running "Copy files" changed before its program folder was known.
    std::vector<install::record_line> copy_changes;
    // The folder whose record the running registration or shortcut task writes; empty: none.
    std::wstring recording_folder;

private:
    platform& os_;
    main_window_view& view_;
    bool busy_ = false;
    update::internet_update* running_update_ = nullptr;
    std::vector<control> disabled_;
};

}  // namespace qs
