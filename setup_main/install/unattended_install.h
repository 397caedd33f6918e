#pragma once
// The installation with no one at the screen:
//
//   run_this_first.exe /install /acceptlicence [/dir=FOLDER] [/noshortcuts] [/log=FILE]
//
// runs the window's own tasks (Copy files into FOLDER plus the program folder's name, Register
// components, the program and help shortcuts) on a platform that answers every question with
// Yes, copies without the shell's windows and shows no box. A failure undoes what the run did.

#include <string>

#include "platform/platform.h"
#include "setup_main/update/update_log.h"

namespace qs::install {

struct install_options {
    bool licence_accepted = false;
    std::wstring folder;  // the folder the program folder goes into; empty: Program Files
    bool shortcuts = true;
};

// The exit code (uninstall.h: exit_done, exit_failed, exit_usage, exit_busy).
int unattended_install(platform& os, const install_options& options, update::update_log& log);

}  // namespace qs::install
