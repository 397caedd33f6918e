#pragma once
// The registration task's decisions, kept apart from the registry, the shell and the dialogs:
// reading init_setup/extensions.txt into records, the four keys each accepted record writes, the
// question asked about it, and the programs started for OLE servers and ActiveX controls.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "setup_main/messages.h"

namespace qs {

// Six consecutive lines of extensions.txt.
struct extension_record {
    std::wstring extension;     // key name under HKEY_CLASSES_ROOT, normally with its dot
    std::wstring file_type;     // the programmatic identifier the extension points to
    std::wstring description;   // display text of the file type
    std::wstring program_file;  // relative to the component folder
    std::wstring argument;      // inside the second pair of quotes of the open command
    std::int32_t icon_index = 0;
};

// One record per six lines, in file order; one to five lines left over are ignored, and a record
// whose sixth line is no whole number (parse_int32 of basics/settings.h) is left out.
std::vector<extension_record> parse_extension_records(const std::vector<std::wstring>& lines);

// A key under HKEY_CLASSES_ROOT and the text of its default value.
struct registry_default {
    std::wstring key;
    std::wstring value;
    bool operator==(const registry_default&) const = default;
};

// The four keys of a file type, in the order they are written: the extension, the file type, its
// icon and its open command.
std::array<registry_default, 4> file_type_keys(const std::wstring& extension, const std::wstring& file_type,
                                               const std::wstring& description, const std::wstring& program_path,
                                               const std::wstring& argument, std::int32_t icon_index);
// The same for a record whose program lies in the component folder ("\" added when missing).
std::array<registry_default, 4> file_type_keys(const extension_record& record, const std::wstring& component_folder);

struct yes_no_question {
    std::wstring text;
    std::wstring caption;
};
// "Register file extension .abc (Abc.Document, Abc document)?" and its German counterpart.
yes_no_question extension_question(const extension_record& record, ui_language language);

// What ShellExecuteW is given to start a program.
struct program_start {
    std::wstring file;
    std::wstring parameters;
    bool operator==(const program_start&) const = default;
};
// The quoted server path with "/regserver".
program_start ole_server_start(const std::wstring& server_path);
// "regsvr32" with the quoted path of the control (no silent switch: it reports for itself).
program_start regsvr32_start(const std::wstring& control_path);

// Lines of ole_servers.txt as folder + line ("\" added when missing), in file order, kept only
// where that names a file.
std::vector<std::wstring> ole_server_paths(const std::wstring& folder, const std::vector<std::wstring>& lines,
                                           const std::function<bool(const std::wstring&)>& is_file);

}  // namespace qs
