#pragma once
// The shortcut tasks' decisions, kept apart from the directory search, the dialogs and the shell
// link: which found names are offered, the proposed shortcut names, and where a link is written.
// The ActiveX stage of the registration filters its search the same way.

#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "setup_main/messages.h"

namespace qs {

// The setup programs themselves, never offered a shortcut. Compared case-sensitively.
inline const std::vector<std::wstring> setup_program_names = {L"setup.exe", L"run_this_first.exe",
                                                             L"simple_setup.exe"};

// folder + name ("\" added when missing) for each found entry, in the order the search returned
// them, where that path names a file (so folders matching the pattern drop out) and the name is
// none of the excluded ones (exact, case-sensitive equality).
std::vector<std::wstring> candidate_paths(const std::wstring& folder, const std::vector<dir_entry>& found,
                                          const std::function<bool(const std::wstring&)>& is_file,
                                          const std::vector<std::wstring>& excluded = {});

// The file name of the path without its last four characters (its ".exe").
std::wstring proposed_program_name(const std::wstring& path);
// The same followed by " help", in either language.
std::wstring proposed_help_name(const std::wstring& path, ui_language language);

// desktop folder + "\" + name + ".lnk".
std::wstring link_file_path(const std::wstring& desktop_folder, const std::wstring& name);
// The target's folder with its trailing "\".
std::wstring link_working_directory(const std::wstring& target);

}  // namespace qs
