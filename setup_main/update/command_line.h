#pragma once
// The program's command line. Without arguments the program opens its windows; with
//
//   run_this_first.exe /update [/log=FILE] [/source=URL]
//
// it runs the Internet update of its own folder with no window at all, for a scheduled task or a
// deployment tool, writes the log and ends with an exit code (internet_update.h: result).

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qs::update {

// The exit code for a command line that is not understood.
inline constexpr int exit_code_usage = 4;

// The arguments after the program's name, split as Windows programs split them
// (CommandLineToArgvW): blanks between arguments, double quotes around blanks, backslashes
// before a quote escaping it.
std::vector<std::wstring> split_command_line(const std::wstring& arguments);

struct command_line {
    enum class action { windows, update, usage };
    action what = action::windows;
    bool update_asked = false;  // "/update" is among the arguments, understood or not
    std::optional<std::wstring> log_path;
    // "/source=URL": the update's sources instead of the policy's or the build's (sources.h),
    // ";" between several.
    std::optional<std::wstring> sources;
    std::wstring not_understood;  // usage: the first argument that was not understood
};

// Options are case-insensitive and may begin with "/" or "-"; "/log=FILE" and "/source=URL" only
// with "/update".
command_line parse_command_line(const std::vector<std::wstring>& arguments);

// Runs what the command line asks for when it asks for no windows: the exit code.
int run_without_windows(platform& os, const command_line& line);

}  // namespace qs::update
