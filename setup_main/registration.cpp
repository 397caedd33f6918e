// "Register components" and "Re-register components of current directory": file types from
// init_setup/extensions.txt, OLE servers from init_setup/ole_servers.txt, then the ActiveX
// controls and midas.dll of the component folder through regsvr32.

#include "basics/paths.h"
#include "basics/text_files.h"
#include "setup_main/extension_records.h"
#include "setup_main/install/entry.h"
#include "setup_main/setup_main_page.h"
#include "setup_main/shortcut_candidates.h"

namespace qs {
namespace {

using install::change;

std::wstring hex_of(const std::vector<std::uint8_t>& bytes)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring hex;
    for (std::uint8_t b : bytes) {
        hex.push_back(digits[b >> 4]);
        hex.push_back(digits[b & 15]);
    }
    return hex;
}

// What writing the default value of a key under HKEY_CLASSES_ROOT changes: each key level it
// makes, or the value it replaces with the value it had. A key or value the record has already
// is ours from an earlier run, and the same value written again changes nothing.
std::vector<install::record_line> class_key_changes(platform& os, const install::install_record& record,
                                                    const std::wstring& key, const std::wstring& value)
{
    std::vector<install::record_line> lines;
    if (record.mentions(change::class_key, key) || record.mentions(change::class_value, key)) return lines;
    if (!os.registry_key_exists(registry_root::classes_root, key)) {
        for (std::size_t cut = key.find(L'\\'); cut != std::wstring::npos; cut = key.find(L'\\', cut + 1)) {
            const std::wstring level = key.substr(0, cut);
            if (!os.registry_key_exists(registry_root::classes_root, level) &&
                !record.mentions(change::class_key, level))
                lines.push_back({change::class_key, {level}});
        }
        lines.push_back({change::class_key, {key, value}});
        return lines;
    }
    const registry_data old = install::read_value(os, registry_root::classes_root, key, L"");
    if (text_of(old) == value) return lines;
    lines.push_back({change::class_value, {key, value, std::to_wstring(old.type), hex_of(old.bytes)}});
    return lines;
}

// The list files always lie beside the running program, whatever folder is registered.
const wchar_t* const extensions_list = L"init_setup/extensions.txt";
const wchar_t* const ole_servers_list = L"init_setup/ole_servers.txt";

void start(platform& os, const program_start& program)
{
    os.shell_execute(program.file, program.parameters);
}

void register_extensions(Tsetup_main_page& page, const std::wstring& folder)
{
    const std::wstring list = page.own_folder() + extensions_list;
    if (!page.os().file_exists(list)) return;
    bool any_accepted = false;
    for (const extension_record& r : parse_extension_records(load_lines(page.os(), list))) {
        const yes_no_question q = extension_question(r, page.language);
        if (!page.os().ask_yes_no(q.text, q.caption, box_icon::none)) continue;
        // A failed write leaves the keys written before it; nothing is reported.
        page.InstallExt(r.extension, r.file_type, r.description, folder + r.program_file, r.argument,
                        r.icon_index);
        any_accepted = true;
    }
    // Once for all file types, and before the later stages, which may end the task early. A type
    // whose writes failed half-way counts too: the keys written before the failure stay.
    if (any_accepted) page.os().notify_file_associations_changed();
}

void register_ole_servers(Tsetup_main_page& page, const std::wstring& folder)
{
    const std::wstring list = page.own_folder() + ole_servers_list;
    if (!page.os().file_exists(list)) return;
    const auto is_file = [&page](const std::wstring& p) { return page.os().file_exists(p); };
    for (const std::wstring& server : ole_server_paths(folder, load_lines(page.os(), list), is_file)) {
        page.append(page.text(msg::register_ole_server) + server);
        page.record(page.recording_folder, {{change::ole_server, {server}}});
        start(page.os(), ole_server_start(server));
        page.append(L"");
    }
}

// Ends the task without a word on any error: the finishing line and the button change then do
// not happen.
void register_activex_controls(Tsetup_main_page& page, const std::wstring& folder)
{
    try {
        platform& os = page.os();
        const auto is_file = [&os](const std::wstring& p) { return os.file_exists(p); };
        const std::vector<std::wstring> controls = candidate_paths(folder, os.find_entries(folder + L"*.ocx"), is_file);
        if (controls.empty()) page.append(page.text(msg::no_activex_components));
        const auto register_control = [&page, &os](const std::wstring& path) {
            page.record(page.recording_folder, {{change::activex_control, {path}}});
            start(os, regsvr32_start(path));
        };
        for (const std::wstring& control_path : controls) register_control(control_path);
        if (os.file_exists(folder + L"midas.dll")) register_control(folder + L"midas.dll");
        page.disable(control::register_button);
        page.append(L"");
        page.append(page.text(msg::registration_finished));
    } catch (const std::exception&) {
    }
}

}  // namespace

void Tsetup_main_page::register_components(const std::wstring& folder)
{
    append(text(msg::registration_started));
    const std::wstring component_folder = with_trailing_backslash(folder);
    recording_folder = component_folder;
    register_extensions(*this, component_folder);
    register_ole_servers(*this, component_folder);
    register_activex_controls(*this, component_folder);
}

void Tsetup_main_page::re_register_components()
{
    target_folder.clear();
    register_target_or_own_folder();
}

bool Tsetup_main_page::InstallExt(const std::wstring& extension, const std::wstring& file_type,
                                  const std::wstring& description, const std::wstring& program_path,
                                  const std::wstring& argument, int icon_index)
{
    try {
        for (const registry_default& k :
             file_type_keys(extension, file_type, description, program_path, argument, icon_index)) {
            if (!recording_folder.empty()) {
                try {
                    const install::install_record known(os_, recording_folder);
                    record(recording_folder, class_key_changes(os_, known, k.key, k.value));
                } catch (const system_error&) {
                }
            }
            os_.set_registry_default_value(registry_root::classes_root, k.key, k.value);
        }
    } catch (const system_error&) {
        return false;
    }
    return true;
}

}  // namespace qs
