#include "setup_main/install/unattended_install.h"

#include <algorithm>
#include <optional>

#include "basics/fs_helpers.h"
#include "basics/paths.h"
#include "platform/utf8.h"
#include "setup_main/folder_rules.h"
#include "platform/forwarding_platform.h"
#include "setup_main/install/record.h"
#include "setup_main/install/uninstall.h"
#include "setup_main/setup_main_page.h"

namespace qs::install {
namespace {

// The window's tasks with no one to answer them: every question is answered Yes, the folder
// picker picks the folder of the command line, programs are waited for and their failure is
// noted, and so is every write that fails, which the tasks themselves pass over.
class unattended_platform : public forwarding_platform {
public:
    unattended_platform(platform& real_os, update::update_log& log, std::wstring folder)
        : forwarding_platform(real_os), log_(log), folder_(std::move(folder))
    {
    }

    std::optional<std::wstring> failure;

    void fail(const std::wstring& text)
    {
        log_.write(L"Failed: " + text);
        if (!failure) failure = text;
    }

    void show_message(const std::wstring& text) override { log_.write(L"Note: " + text); }
    void show_error(const std::wstring& text) override { fail(text); }
    bool ask_yes_no(const std::wstring&, const std::wstring&, box_icon) override { return true; }
    bool ask_retry_cancel(const std::wstring& text) override
    {
        fail(text);
        return false;
    }
    std::wstring input_box(const std::wstring&, const std::wstring&, const std::wstring& default_text,
                           const dialog_buttons&) override
    {
        return default_text;
    }
    std::wstring browse_for_folder(const std::wstring&, const std::wstring&, std::uint32_t) override { return folder_; }
    bool select_directory(const std::wstring&, const select_directory_texts&, std::wstring&) override
    {
        fail(L"The Windows folder was not found.");
        return false;
    }
    bool shell_copy(const std::wstring& from, const std::wstring& to) override
    {
        const bool ok = real.shell_copy_silent(from, to);
        if (!ok) fail(L"Copying " + from + L" to " + to + L" failed.");
        return ok;
    }
    bool copy_file(const std::wstring& from, const std::wstring& to) override
    {
        const bool ok = real.copy_file(from, to);
        if (!ok) fail(L"Copying " + from + L" to " + to + L" failed.");
        return ok;
    }
    // OLE servers and regsvr32 are waited for, and regsvr32 reports nothing in a box.
    void shell_execute(const std::wstring& file, const std::wstring& parameters) override
    {
        std::wstring program = file;
        if (program.size() >= 2 && program.front() == L'"' && program.back() == L'"')
            program = program.substr(1, program.size() - 2);
        const std::wstring arguments = ascii_lower(program) == L"regsvr32" ? L"/s " + parameters : parameters;
        try {
            const std::uint32_t code = real.run_and_wait(program, arguments);
            if (code != 0) fail(program + L" " + arguments + L" ended with code " + std::to_wstring(code) + L".");
        } catch (const system_error& e) {
            fail(program + L" could not be started: " + e.text());
        }
    }
    bool save_shell_link(const std::wstring& link, const std::wstring& target, const std::wstring& arguments,
                         const std::wstring& working_dir) override
    {
        const bool ok = real.save_shell_link(link, target, arguments, working_dir);
        if (!ok) fail(L"The shortcut " + link + L" could not be written.");
        return ok;
    }
    void set_registry_default_value(registry_root root, const std::wstring& key, const std::wstring& value) override
    {
        noted([&] { real.set_registry_default_value(root, key, value); }, L"HKEY_CLASSES_ROOT\\" + key);
    }
    void write_registry_value(registry_root root, const std::wstring& key, const std::wstring& name,
                              const registry_data& data) override
    {
        noted([&] { real.write_registry_value(root, key, name, data); }, key + L"\\" + name);
    }
    void append_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) override
    {
        noted([&] { real.append_file(path, bytes); }, path);
    }
    void write_file_through(const std::wstring& path, const std::vector<std::uint8_t>& bytes) override
    {
        noted([&] { real.write_file_through(path, bytes); }, path);
    }

private:
    template <class Write>
    void noted(const Write& write, const std::wstring& what)
    {
        try {
            write();
        } catch (const system_error& e) {
            fail(what + L": " + e.text());
            throw;
        }
    }

    update::update_log& log_;
    std::wstring folder_;
};

class no_window : public main_window_view {
public:
    void append_info(const std::wstring&) override {}
    void set_progress(const std::wstring&) override {}
    void set_caption(const std::wstring&) override {}
    void set_control_text(control, const std::wstring&) override {}
    void set_info_lines(const std::vector<std::wstring>&) override {}
    void set_enabled(control, bool) override {}
    void close_window() override {}
    void show_task_progress(std::uint64_t, std::uint64_t) override {}
    void show_task_failed() override {}
    void clear_task_progress() override {}
};

bool make_folders(platform& os, const std::wstring& folder)
{
    if (os.directory_exists(folder)) return true;
    const std::wstring parent = without_trailing_backslash(folder_part_of(folder));
    if (!parent.empty() && parent != folder && !is_drive_root(parent) && !make_folders(os, parent)) return false;
    return os.create_directory(folder) || os.directory_exists(folder);
}

int ended(update::update_log& log, int code)
{
    log.write(L"Exit code " + std::to_wstring(code) + L".");
    return code;
}

}  // namespace

int unattended_install(platform& os, const install_options& options, update::update_log& log)
{
    log.write(L"Unattended install started.");
    if (!options.licence_accepted) {
        log.write(L"The licence must be accepted (/acceptlicence); nothing was installed.");
        return ended(log, exit_usage);
    }
    // Without /dir the folder the window's folder question offers first.
    const std::wstring parent = without_trailing_backslash(options.folder.empty() ? program_files_folder(os) : options.folder);
    const std::wstring own = without_trailing_backslash(installation_folder(os));
    const std::wstring program_folder = parent + L"\\" + file_name_of(own);
    const std::unique_ptr<named_lock> lock = take_update_lock(os, program_folder);
    if (!lock) {
        log.write(L"An update or another install of " + program_folder + L" is running; nothing was installed.");
        return ended(log, exit_busy);
    }
    if (!make_folders(os, parent)) {
        log.write(L"The folder " + parent + L" could not be made; nothing was installed.");
        return ended(log, exit_failed);
    }
    const std::size_t kept = install_record(os, program_folder).lines().size();
    // Installed already (a deployment script run again): the shell would put a second copy
    // inside the first.
    if (kept > 0) {
        log.write(L"Installed already in " + program_folder + L"; nothing to do.");
        return ended(log, exit_done);
    }
    unattended_platform quiet(os, log, parent);
    no_window view;
    Tsetup_main_page page(quiet, view);
    page.FormCreate();
    try {
        page.copy_files();
        if (page.target_folder.empty() || !os.directory_exists(page.target_folder)) {
            quiet.fail(L"The program folder " + program_folder + L" was not made.");
        } else {
            page.register_components(page.target_folder);
            if (options.shortcuts) {
                page.launch_program(page.target_folder);
                page.create_help_shortcuts(page.target_folder);
            }
        }
    } catch (const system_error& e) {
        quiet.fail(e.text());
    } catch (const std::exception& e) {
        quiet.fail(utf8_to_wide(e.what()));
    }
    if (!quiet.failure) {
        log.write(L"Installed into " + program_folder + L".");
        return ended(log, exit_done);
    }
    // This run's part of the record, and what the copy did before its folder was there.
    install_record after(os, program_folder);
    std::vector<record_line> ours(after.lines().begin() + static_cast<std::ptrdiff_t>(std::min(kept, after.lines().size())),
                                  after.lines().end());
    ours.insert(ours.begin(), page.copy_changes.begin(), page.copy_changes.end());
    undo_changes(os, program_folder, ours, log, kept == 0);
    if (kept > 0) {
        try {
            after.replace(std::vector<record_line>(after.lines().begin(),
                                                   after.lines().begin() + static_cast<std::ptrdiff_t>(kept)));
        } catch (const system_error& e) {
            log.write(L"The record could not be set back: " + e.text());
        }
    }
    log.write(L"The install failed and what it had done was undone: " + *quiet.failure);
    return ended(log, exit_failed);
}

}  // namespace qs::install
