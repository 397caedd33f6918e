#pragma once
// Path rules that the copy, update and backup tasks share.

#include <string>

namespace qs {

// The application's part of an Application_Data folder: folder + "Application_Data\" + name.
// With no name the part is the Application_Data folder itself, given without its trailing "\"
// so that the shell copies it as one folder under its own name rather than failing on (or
// spilling) a source that ends in a separator.
std::wstring application_data_part(const std::wstring& folder_with_backslash, const std::wstring& name);

// A folder such as "D:\" or "D:": nothing is left once its drive is taken away, so it has
// neither a parent folder nor a name of its own.
bool is_drive_root(const std::wstring& folder);

// True when `path` names `folder` itself or lies inside it. Case is ignored (ASCII and Latin-1
// letters), "/" counts as "\", and doubled or trailing separators do not matter.
bool is_same_or_inside(const std::wstring& path, const std::wstring& folder);

// The folder that holds the copied files after the shell copied a folder named `name` to
// `destination`: the destination itself when it did not exist before, else the folder of that
// name inside it, where the shell put the copy.
std::wstring folder_after_shell_copy(const std::wstring& destination, const std::wstring& name, bool existed_before);

}  // namespace qs
