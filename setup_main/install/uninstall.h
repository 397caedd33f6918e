#pragma once
// Removing an installation: the record undone newest first, what is not ours left and named.
//
//   run_this_first.exe /uninstall [/silent] [/log=FILE]
//
// copies itself to a folder of its own under %TEMP%, runs the copy on its program folder, waits
// for it and ends with its exit code, so that the program folder can go.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "setup_main/install/record.h"
#include "setup_main/update/update_log.h"

namespace qs::install {

// The exit codes of /install and /uninstall (beside the update's).
inline constexpr int exit_done = 0;
inline constexpr int exit_failed = 3;
inline constexpr int exit_usage = 4;
inline constexpr int exit_busy = 5;

// What an undo left, for the closing box and the log.
struct removal_report {
    std::vector<std::wstring> user_files;        // files nobody installed, left in the program folder
    std::vector<std::wstring> not_removed;       // files that stayed held open
    std::vector<std::wstring> application_data;  // the user's data folders, which stay
};

// Told before each step of an undo what it takes on (a path or a key), and how many of how many
// steps are done; at the end once more with an empty text and all steps done.
using undo_progress = std::function<void(const std::wstring& what, std::size_t done, std::size_t total)>;

// Undoes the lines newest first: the Apps & Features entry last, held files retried after the
// rest. The program folder's own files (its file list, the staging folder, the record) go with
// it when `whole_installation`; `parent_program` is the program that started this copy, which
// cannot be deleted while it waits and is moved out of the way instead.
removal_report undo_changes(platform& os, const std::wstring& program_folder, const std::vector<record_line>& lines,
                            update::update_log& log, bool whole_installation,
                            const std::wstring& parent_program = {}, const undo_progress& progress = {});

// The claim that keeps an update (and another install or uninstall) off the folder; nothing when
// one runs.
std::unique_ptr<named_lock> take_update_lock(platform& os, const std::wstring& program_folder);

struct uninstall_options {
    std::wstring program_folder;   // the installation to remove
    bool silent = false;           // no question and no box
    std::wstring parent_program;   // the program that started this copy and waits for it
};

// The uninstall itself, run by the copy: the exit code.
int uninstall(platform& os, const uninstall_options& options, update::update_log& log);

// The folder of a copy of the running program under %TEMP%; earlier ones are swept first.
inline constexpr const wchar_t* copy_folder_prefix = L"korvex_uninstall_";
// Deletes what earlier uninstalls left under %TEMP%; never throws.
void sweep_uninstall_copies(platform& os);
// Copies the running program to a new folder under %TEMP%: the copy's path.
std::wstring copy_program_to_temp(platform& os);

}  // namespace qs::install
