#pragma once
// The Internet update as one transaction, called by the button and by the command line alike:
//
//   1. fetch the server's file list (and, in a build with the maker's key, its signature, which
//      must be the maker's, for this application and no older release than the one installed);
//   2. list the installation folder and compare the two lists;
//   3. stage: fetch every file that differs into the staging folder, resuming what an earlier
//      run left, and check each against its line's size and MD5;
//   4. check that no installed file to replace is held by another program;
//   5. commit (commit.h): all files in place, or none.
//
// Nothing in the installation changes before step 5, so a failure or a stop before it leaves the
// installation as it was, and the next run finds what was staged.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "setup_main/messages.h"
#include "setup_main/update_plan_merge.h"
#include "setup_main/update/update_log.h"

namespace qs::update {

struct run_settings {
    std::wstring installation_folder;  // the running program's folder, with its trailing "\"
    std::wstring application_name;
    std::optional<ecdsa_p256_public_key> signing_key;  // none: the list is taken unsigned
    ftp_account account;  // the FTP server's account, and the receive time-out of every source
    std::wstring program_version;
    ui_language language = ui_language::english;
    // ---- where the list comes from (sources.h)
    // The sources in the order they are tried; empty: the account's server alone.
    std::vector<update_source> sources;
    std::vector<std::wstring> source_log_lines;  // what the choice of sources has to say in the log
};

// How a run ended. The numbers are the exit codes of the unattended update.
enum class result {
    finished = 0,          // the installation is up to date: files were replaced, or none differed
    list_not_fetched = 1,  // the server's file list could not be fetched
    list_refused = 2,      // not signed by the maker, for another application, or an older release
    failed = 3,            // a download, a file in use or the commit failed; nothing was changed
    already_running = 5,   // another update of this installation is running
    stopped = 6,           // the user stopped it; nothing was changed
};

struct outcome {
    result what = result::finished;
    // The text for the user: the box the button shows. Empty when there is nothing to say (the
    // user cancelled or stopped).
    std::wstring text;
    bool is_error = false;  // the failure of a step, for the error box
    std::vector<std::wstring> files_to_delete;  // finished: the paths the server no longer lists
    std::vector<std::wstring> files_in_use;     // failed: the files in use that ended the run
};

// What a run tells its caller on the way. Every call comes on the thread that called run().
class observer {
public:
    virtual ~observer() = default;
    // A text for the progress label.
    virtual void progress(const std::wstring& text) = 0;
    // A line for the info pane; the run's log has what it says already.
    virtual void note(const std::wstring& line) = 0;
    // Bytes of the files to get that are in the staging folder, of all of them.
    virtual void bytes_staged(std::uint64_t done, std::uint64_t total) = 0;
    // Files to replace are held by other programs (the box's text names them): true to check
    // again, false to end the run with nothing changed.
    virtual bool retry_files_in_use(const std::wstring& text) = 0;
};

class internet_update {
public:
    internet_update(platform& os, run_settings settings, observer& watcher, update_log& log);
    ~internet_update();
    internet_update(const internet_update&) = delete;
    internet_update& operator=(const internet_update&) = delete;

    outcome run();

    // Asks the run to stop, from the window's thread while run() waits: the transfers end within a
    // second and nothing is replaced. Too late once the commit has begun.
    void stop();
    // True until the commit begins.
    bool stoppable() const { return !committing_; }

    // What the steps of a run share (internet_update.cpp).
    struct state;

private:
    outcome finish(outcome o);

    platform& os_;
    run_settings settings_;
    observer& watcher_;
    update_log& log_;
    std::unique_ptr<state> state_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> committing_{false};
};

// Compares the server's list with the installation's own (just written there), refusing a server
// list beyond the limits of any real installation, and writes the plan files beside the program.
update_plan compare_file_lists(platform& os, const std::wstring& installation_folder,
                               const std::vector<std::wstring>& remote_lines, ui_language language);

// The name of the mutex that answers at once whether an update of the folder, as spelt here,
// runs on this PC (lock_installation, installation_lock.h, decides for every spelling).
std::wstring update_lock_name(const std::wstring& installation_folder);

// At the start of the program: completes or undoes a commit that a crash or a power cut
// interrupted, unless another update of the folder is running. The line for the info pane when
// there was something to undo.
std::optional<std::wstring> recover_interrupted_update(platform& os, const std::wstring& installation_folder,
                                                        ui_language language);

}  // namespace qs::update
