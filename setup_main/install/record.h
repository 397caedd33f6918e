#pragma once
// The record of an installation, ___korvex_install\record.txt in the installed program folder:
// every change the installing tasks made to the computer, one a line in the order made, so that
// the uninstall can undo them newest first. UTF-8, a line is a kind and its fields, separated by
// TABs. Each line is on the disk before the change it names is made, so an interrupted task
// leaves a record that names everything it may have done.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qs::install {

// The record's folder inside the program folder; no file list, backup or update touches it.
inline constexpr const wchar_t* install_folder_name = L"___korvex_install";

// What a line says was done.
enum class change {
    entry,             // the Apps & Features entry: root ("HKLM" or "HKCU"), key
    program_folder,    // the program folder, made by the copy
    program_file,      // a file the copy put into the program folder
    windows_file,      // a file of the Windows folder, counted in SharedDLLs: path, MD5
    application_data,  // the application-data folder the copy made (it stays: it is the user's)
    class_key,         // a key made under HKEY_CLASSES_ROOT: key[, the default value written]
    class_value,       // a default value changed under HKEY_CLASSES_ROOT: key, written, old type, old bytes
    ole_server,        // an OLE server registered with /regserver: path
    activex_control,   // a control or library registered through regsvr32: path
    shortcut,          // a shell link made: path, target
};

struct record_line {
    change what = change::entry;
    std::vector<std::wstring> fields;
    bool operator==(const record_line&) const = default;
};

// The line as it stands in the file (without its line break), and back; nothing for a line of
// an unknown kind.
std::wstring format_line(const record_line& line);
std::optional<record_line> parse_line(const std::wstring& text);

// ___korvex_install\record.txt of a program folder (with or without its trailing "\").
std::wstring record_path(const std::wstring& program_folder);

// The record of one program folder, as read when it was opened, and what is added to it.
class install_record {
public:
    install_record(platform& os, std::wstring program_folder);

    const std::wstring& folder() const { return folder_; }  // with its trailing "\"
    const std::vector<record_line>& lines() const { return lines_; }
    bool exists() const { return !lines_.empty(); }
    bool contains(const record_line& line) const;
    // Some line of this kind names this path or key first (case ignored).
    bool mentions(change what, const std::wstring& first_field) const;

    // Appends the line unless the record has it already; true when it was added. Throws
    // system_error when the record cannot be written.
    bool add(const record_line& line);
    // Puts the line in front of all others (the entry, which the uninstall removes last).
    bool add_first(const record_line& line);
    // Writes the whole record anew with these lines (the uninstall's leftovers, an undone run).
    void replace(std::vector<record_line> lines);

private:
    void write_all();

    platform& os_;
    std::wstring folder_;
    std::vector<record_line> lines_;
    std::set<std::wstring> keys_;  // the lines with their first field in lower case
};

}  // namespace qs::install
