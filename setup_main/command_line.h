#pragma once
// The program's command line: one place that knows every action and its options. Without
// arguments the program opens its windows; with
//
//   run_this_first.exe /update [/log=FILE] [/source=URL]
//   run_this_first.exe /install /acceptlicence [/dir=FOLDER] [/noshortcuts] [/log=FILE]
//   run_this_first.exe /uninstall [/silent] [/log=FILE]
//
// it runs the Internet update of its own folder (setup_main/update), the unattended install or
// the uninstall (setup_main/install), writes the log and ends with an exit code.

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qs {

// The exit code for a command line that is not understood.
inline constexpr int exit_code_usage = 4;

// The arguments after the program's name, split as Windows programs split them
// (CommandLineToArgvW): blanks between arguments, double quotes around blanks, backslashes
// before a quote escaping it.
std::vector<std::wstring> split_command_line(const std::wstring& arguments);

struct command_line {
    enum class action { windows, update, install, uninstall, usage };
    action what = action::windows;
    bool update_asked = false;  // "/update" is among the arguments, understood or not
    bool action_asked = false;  // an action is among them: the run shows no usage box
    std::optional<std::wstring> log_path;
    // /update: "/source=URL", the update's sources instead of the policy's or the build's
    // (update/sources.h), ";" between several
    std::optional<std::wstring> sources;
    // /install
    bool licence_accepted = false;          // /acceptlicence
    std::optional<std::wstring> install_folder;  // /dir=FOLDER
    bool no_shortcuts = false;              // /noshortcuts
    // /uninstall
    bool silent = false;                    // /silent
    // /installation=FOLDER: the program folder that a copy of the program under %TEMP% removes
    std::optional<std::wstring> installation;
    std::wstring not_understood;  // usage: the first argument that was not understood
};

// Options are case-insensitive and may begin with "/" or "-"; each goes only with the actions
// that know it, and "/log=FILE" with every action.
command_line parse_command_line(const std::vector<std::wstring>& arguments);

// Runs what the command line asks for when it asks for no windows: the exit code.
int run_without_windows(platform& os, const command_line& line);

}  // namespace qs
