#include "setup_main/install/uninstall.h"

#include "basics/paths.h"
#include "basics/text_files.h"
#include "setup_main/file_list_format.h"
#include "setup_main/install/entry.h"
#include "setup_main/messages.h"
#include "setup_main/update/installation_lock.h"
#include "setup_main/update/internet_update.h"

namespace qs::install {
namespace {

std::vector<std::uint8_t> bytes_of_hex(const std::wstring& hex)
{
    std::vector<std::uint8_t> bytes;
    const auto digit = [](wchar_t c) { return c <= L'9' ? c - L'0' : c - L'A' + 10; };
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(digit(hex[i]) * 16 + digit(hex[i + 1])));
    return bytes;
}

bool inside(const std::wstring& path, const std::wstring& folder)
{
    return ascii_lower(path).rfind(ascii_lower(with_trailing_backslash(folder)), 0) == 0;
}

std::wstring joined_lines(const std::vector<std::wstring>& items)
{
    std::wstring text;
    for (const std::wstring& item : items) text += (text.empty() ? L"" : L"\r\n") + item;
    return text;
}

// What a line's undo takes on, as the progress window names it.
std::wstring subject_of(const record_line& line)
{
    const auto field = [&line](std::size_t i) { return i < line.fields.size() ? line.fields[i] : std::wstring(); };
    switch (line.what) {
    case change::entry: return (field(0) == L"HKLM" ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") + field(1);
    case change::class_key:
    case change::class_value: return L"HKEY_CLASSES_ROOT\\" + field(0);
    default: return field(0);
    }
}

class remover {
public:
    remover(platform& os, std::wstring folder, update::update_log& log, std::wstring parent)
        : os_(os), folder_(with_trailing_backslash(std::move(folder))), log_(log), parent_(std::move(parent))
    {
    }

    void undo(const record_line& line)
    {
        const auto field = [&line](std::size_t i) { return i < line.fields.size() ? line.fields[i] : std::wstring(); };
        switch (line.what) {
        case change::entry: break;  // last, by the caller
        case change::program_folder: break;  // once its files are gone, by the caller
        case change::program_file: remove_file(field(0)); break;
        case change::windows_file: release_windows_file(field(0), field(1)); break;
        case change::application_data: report.application_data.push_back(field(0)); break;
        case change::class_key: remove_class_key(line); break;
        case change::class_value: restore_class_value(field(0), field(1), field(2), field(3)); break;
        case change::ole_server: unregister(field(0), field(0), L"/unregserver"); break;
        case change::activex_control: unregister(field(0), L"regsvr32", L"/u /s \"" + field(0) + L"\""); break;
        case change::shortcut: remove_shortcut(field(0)); break;
        }
    }

    // Files held open are tried again once the rest is done; then they stay, unless Windows may
    // delete them at its next start.
    void retry_held()
    {
        for (int round = 0; round < 3 && !held_.empty(); ++round) {
            os_.sleep(500);
            std::vector<std::wstring> still;
            for (const std::wstring& path : held_)
                if (!delete_now(path)) still.push_back(path);
            held_ = still;
        }
        for (const std::wstring& path : held_) {
            std::wstring how = L"it is held open and stays";
            if (os_.is_administrator()) {
                try {
                    os_.delete_at_reboot(path);
                    how = L"it is held open and goes at the next start of Windows";
                } catch (const system_error&) {
                }
            }
            log_.write(L"Not removed: " + path + L": " + how + L".");
            report.not_removed.push_back(path);
        }
        held_.clear();
    }

    // The program folder's own files (the current file list names what an update put there),
    // then every empty folder; what is left the user made.
    void clean_program_folder(bool whole)
    {
        if (whole) {
            const std::wstring list = folder_ + file_list_name;
            if (os_.file_exists(list)) {
                try {
                    for (const std::wstring& line : load_lines(os_, list))
                        if (const auto entry = parse_file_list_line(line)) remove_file(folder_ + with_backslashes(entry->path));
                } catch (const system_error& e) {
                    log_.write(L"The file list could not be read: " + e.text());
                }
            }
            for (const wchar_t* name : {file_list_name, file_list_signature_name, remote_file_list_name,
                                        remote_file_list_signature_name, files_to_get_name, files_to_delete_name})
                if (os_.file_exists(folder_ + name)) remove_file(folder_ + name);
            remove_tree(folder_ + staging_folder_name + L"\\");
            remove_tree(folder_ + install_folder_name + L"\\");
        }
        retry_held();
        remove_empty_folders(folder_);
        collect_user_files(folder_);
        if (!report.user_files.empty())
            log_.write(L"Left in the program folder, as nothing installed them: " + joined_lines(report.user_files));
    }

    void remove_entry(const record_line& line)
    {
        if (line.fields.size() < 2) return;
        if (os_.delete_registry_key(root_of_entry(line), line.fields[1]))
            log_.write(L"Removed the Apps & Features entry " + line.fields[1] + L".");
    }

    removal_report report;

private:
    bool delete_now(const std::wstring& path)
    {
        if (!os_.file_exists(path)) return true;
        if (const auto a = os_.file_attributes(path); a && (*a & attr::readonly) != 0) {
            try {
                os_.set_file_attributes(path, *a & ~attr::readonly);
            } catch (const system_error&) {
            }
        }
        return os_.delete_file(path) || !os_.file_exists(path);
    }

    void remove_file(const std::wstring& path)
    {
        if (delete_now(path)) return;
        // The program that started this copy waits for it and cannot be deleted; a running
        // program can be renamed, so it goes beside the copy, where the next run sweeps it.
        if (!parent_.empty() && ascii_lower(path) == ascii_lower(parent_)) {
            try {
                os_.move_file(path, folder_part_of(os_.program_path()) + L"started_" + file_name_of(path));
                return;
            } catch (const system_error&) {
            }
        }
        held_.push_back(path);
    }

    void remove_tree(const std::wstring& folder)
    {
        if (!os_.directory_exists(folder)) return;
        for (const dir_entry& e : os_.find_entries(folder + L"*")) {
            if (e.name == L"." || e.name == L"..") continue;
            if (is_own_lock(folder + e.name)) continue;
            if (e.is_directory()) remove_tree(folder + e.name + L"\\");
            else remove_file(folder + e.name);
        }
        os_.remove_directory(without_trailing_backslash(folder));
    }

    void remove_empty_folders(const std::wstring& folder)
    {
        for (const dir_entry& e : os_.find_entries(folder + L"*"))
            if (e.is_directory() && e.name != L"." && e.name != L"..") remove_empty_folders(folder + e.name + L"\\");
        os_.remove_directory(without_trailing_backslash(folder));
    }

    void collect_user_files(const std::wstring& folder)
    {
        for (const dir_entry& e : os_.find_entries(folder + L"*")) {
            if (e.name == L"." || e.name == L"..") continue;
            if (e.is_directory()) collect_user_files(folder + e.name + L"\\");
            else if (!contains_path(report.not_removed, folder + e.name) && !is_own_lock(folder + e.name))
                report.user_files.push_back(folder + e.name);
        }
    }

    // The uninstall's own claim on the folder: the file goes when the claim ends.
    bool is_own_lock(const std::wstring& path) const
    {
        return ascii_lower(path) == ascii_lower(update::installation_lock_path(folder_));
    }

    static bool contains_path(const std::vector<std::wstring>& paths, const std::wstring& path)
    {
        for (const std::wstring& p : paths)
            if (ascii_lower(p) == ascii_lower(path)) return true;
        return false;
    }

    void release_windows_file(const std::wstring& path, const std::wstring& md5)
    {
        const std::optional<std::uint32_t> left = release_shared_file(os_, path);
        if (!left) {
            log_.write(L"Stays: " + path + L" has no count of its users.");
            return;
        }
        if (*left > 0) {
            log_.write(L"Stays: " + path + L", used by " + std::to_wstring(*left) + L" more.");
            return;
        }
        if (!os_.file_exists(path)) return;
        if (os_.md5_hex_of_files({path}).front() != md5) {
            log_.write(L"Stays: " + path + L" has changed since it was installed.");
            return;
        }
        remove_file(path);
    }

    void remove_class_key(const record_line& line)
    {
        const std::wstring& key = line.fields.at(0);
        if (!os_.registry_key_exists(registry_root::classes_root, key)) return;
        const std::optional<std::wstring> now = text_of(read_value(os_, registry_root::classes_root, key, L""));
        const std::optional<std::wstring> ours =
            line.fields.size() > 1 ? std::optional<std::wstring>(line.fields[1]) : std::nullopt;
        if (now != ours) {
            log_.write(L"Stays: HKEY_CLASSES_ROOT\\" + key + L", another program has taken it since.");
            return;
        }
        if (!os_.delete_registry_key(registry_root::classes_root, key))
            log_.write(L"Stays: HKEY_CLASSES_ROOT\\" + key + L", another program has added keys below it.");
    }

    void restore_class_value(const std::wstring& key, const std::wstring& written, const std::wstring& old_type,
                             const std::wstring& old_hex)
    {
        if (text_of(read_value(os_, registry_root::classes_root, key, L"")) != written) {
            log_.write(L"Stays: HKEY_CLASSES_ROOT\\" + key + L", another program has changed it since.");
            return;
        }
        registry_data old;
        old.type = static_cast<std::uint32_t>(std::stoul(old_type.empty() ? L"0" : old_type));
        old.bytes = bytes_of_hex(old_hex);
        if (old.type == reg_type::none) os_.delete_registry_value(registry_root::classes_root, key, L"");
        else os_.write_registry_value(registry_root::classes_root, key, L"", old);
        log_.write(L"Restored HKEY_CLASSES_ROOT\\" + key + L".");
    }

    void unregister(const std::wstring& path, const std::wstring& program, const std::wstring& parameters)
    {
        if (!os_.file_exists(path)) return;
        try {
            const std::uint32_t code = os_.run_and_wait(program, parameters);
            if (code != 0) log_.write(L"Unregistering " + path + L" ended with code " + std::to_wstring(code) + L".");
        } catch (const system_error& e) {
            log_.write(L"Unregistering " + path + L" could not start: " + e.text());
        }
    }

    void remove_shortcut(const std::wstring& link)
    {
        if (!os_.file_exists(link)) return;
        if (!inside(os_.shell_link_target(link), folder_)) {
            log_.write(L"Stays: " + link + L" points elsewhere now.");
            return;
        }
        remove_file(link);
    }

    platform& os_;
    std::wstring folder_;
    update::update_log& log_;
    std::wstring parent_;
    std::vector<std::wstring> held_;
};

std::wstring application_name_in(platform& os, const std::wstring& folder)
{
    const std::wstring path = folder + L"init_setup\\application_name.txt";
    std::wstring name = os.file_exists(path) ? read_first_line_ansi(os, path) : std::wstring();
    return name.empty() ? file_name_of(without_trailing_backslash(folder)) : name;
}

ui_language language_in(platform& os, const std::wstring& folder)
{
    const std::wstring path = folder + L"init_setup\\language.txt";
    if (!os.file_exists(path)) return ui_language::english;
    return read_first_line_ansi(os, path) == english_in_language_file ? ui_language::english : ui_language::german;
}

}  // namespace

removal_report undo_changes(platform& os, const std::wstring& program_folder, const std::vector<record_line>& lines,
                            update::update_log& log, bool whole_installation, const std::wstring& parent_program,
                            const undo_progress& progress)
{
    remover r(os, program_folder, log, parent_program);
    // Every line is a step, and so is the program folder's cleaning; the entry goes last.
    const std::size_t steps = lines.size() + 1;
    std::size_t done = 0;
    const auto step = [&](const std::wstring& what) {
        if (progress) progress(what, done, steps);
        ++done;
    };
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (it->what != change::entry) step(subject_of(*it));
        try {
            r.undo(*it);
        } catch (const system_error& e) {
            log.write(L"Could not undo \"" + format_line(*it) + L"\": " + e.text());
        } catch (const std::exception&) {
            // A line damaged on the disk: the others are still undone.
            log.write(L"Could not undo \"" + format_line(*it) + L"\": the line is damaged.");
        }
    }
    bool folder_ours = whole_installation;
    for (const record_line& line : lines) folder_ours = folder_ours || line.what == change::program_folder;
    step(with_trailing_backslash(program_folder));
    if (folder_ours) r.clean_program_folder(whole_installation);
    else r.retry_held();
    for (const record_line& line : lines)
        if (line.what == change::entry) {
            step(subject_of(line));
            try {
                r.remove_entry(line);
            } catch (const system_error& e) {
                log.write(L"The Apps & Features entry could not be removed: " + e.text());
            }
        }
    if (progress) progress(std::wstring(), steps, steps);
    return r.report;
}

std::unique_ptr<named_lock> take_update_lock(platform& os, const std::wstring& program_folder)
{
    // A folder that is not there yet (an install about to make it) has no lock file to hold, and
    // making one would make the folder before the copy: the claim on its name keeps a second
    // install of this program off it.
    if (!os.directory_exists(without_trailing_backslash(program_folder)))
        return os.try_lock(update::update_lock_name(with_trailing_backslash(program_folder)));
    return update::lock_installation(os, program_folder);
}

int uninstall(platform& os, const uninstall_options& options, update::update_log& log)
{
    const std::wstring folder = with_trailing_backslash(options.program_folder);
    log.write(L"Uninstall of " + folder + L" started.");
    std::unique_ptr<named_lock> lock = take_update_lock(os, folder);
    if (!lock) {
        log.write(L"An update of this folder is running; nothing was removed.");
        log.write(L"Exit code 5.");
        return exit_busy;
    }
    const install_record record(os, folder);
    if (!record.exists()) {
        log.write(L"No record of an installation in " + folder + L"; nothing was removed.");
        log.write(L"Exit code 3.");
        return exit_failed;
    }
    const ui_language language = language_in(os, folder);
    const std::wstring application = application_name_in(os, folder);
    if (!options.silent &&
        !os.ask_yes_no(message(msg::uninstall_question, language, {application}),
                       message(msg::application_title, language), box_icon::question)) {
        log.write(L"The user chose to keep the installation.");
        log.write(L"Exit code 0.");
        return exit_done;
    }
    // The window stays open behind the closing box, its bar full, until the user has read it.
    std::unique_ptr<progress_window> window;
    undo_progress progress;
    if (!options.silent) {
        window = os.open_progress_window(message(msg::uninstall_progress_caption, language, {application}));
        const std::wstring finished = message(msg::uninstall_finished, language, {application});
        progress = [&window, finished](const std::wstring& what, std::size_t done, std::size_t total) {
            window->show(what.empty() ? finished : what, done, total);
        };
    }
    const removal_report report = undo_changes(os, folder, record.lines(), log, true, options.parent_program, progress);
    // The lock file goes with the claim, and the staging folder with it when empty; only then can
    // an emptied program folder go too.
    lock.reset();
    if (report.user_files.empty()) os.remove_directory(without_trailing_backslash(folder));
    std::wstring closing = message(msg::uninstall_finished, language, {application});
    if (!report.user_files.empty())
        closing += L"\r\n\r\n" + message(msg::uninstall_user_files_stay, language, {joined_lines(report.user_files)});
    for (const std::wstring& data : report.application_data)
        closing += L"\r\n\r\n" + message(msg::uninstall_data_stays, language, {data});
    if (!report.not_removed.empty())
        closing += L"\r\n\r\n" + message(msg::uninstall_not_removed, language, {joined_lines(report.not_removed)});
    for (const std::wstring& data : report.application_data) log.write(L"The user's data stays in " + data + L".");
    const int code = report.not_removed.empty() ? exit_done : exit_failed;
    log.write(L"Uninstall finished. Exit code " + std::to_wstring(code) + L".");
    if (!options.silent) os.show_message(closing);
    return code;
}

void sweep_uninstall_copies(platform& os)
{
    try {
        const std::wstring temp = with_trailing_backslash(os.temp_folder());
        for (const dir_entry& e : os.find_entries(temp + copy_folder_prefix + L"*")) {
            if (!e.is_directory()) continue;
            const std::wstring folder = temp + e.name + L"\\";
            if (ascii_lower(folder) == ascii_lower(folder_part_of(os.program_path()))) continue;
            for (const dir_entry& f : os.find_entries(folder + L"*"))
                if (!f.is_directory()) os.delete_file(folder + f.name);
            os.remove_directory(without_trailing_backslash(folder));
        }
    } catch (const system_error&) {
    }
}

std::wstring copy_program_to_temp(platform& os)
{
    const std::wstring temp = with_trailing_backslash(os.temp_folder());
    std::wstring folder;
    for (std::uint64_t n = os.milliseconds();; ++n) {
        folder = temp + copy_folder_prefix + std::to_wstring(n % 100000000);
        if (!os.find_any(folder)) break;
    }
    os.make_directory(folder);
    const std::wstring copy = folder + L"\\" + file_name_of(os.program_path());
    if (!os.copy_file(os.program_path(), copy)) throw system_error(L"The program could not be copied to " + copy + L".");
    return copy;
}

}  // namespace qs::install
