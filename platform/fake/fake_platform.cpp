#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <stdexcept>

#include "platform/fake/md5.h"
#include "platform/file_name_case.h"
#include "platform/registry_text.h"

namespace qs::fake {

std::vector<std::uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }
std::string string_of(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

namespace {

std::wstring folded(const std::wstring& text)
{
    std::wstring out(text);
    for (wchar_t& c : out) c = fold_file_name_char(c);
    return out;
}

// Windows' collation of Latin-1 letters, as the fake models it for sorting and comparing alike.
// Texts compare first by their upper-cased letters, where a letter with a diacritic counts as its
// base letter and Æ, ß and Þ as the two letters they stand for; where those tie, by the
// diacritics (acute before grave, circumflex, diaeresis, tilde, ring, cedilla, stroke: Windows'
// order); where those tie too and case counts, lower case comes first. Every other character
// counts as its code unit (so, unlike Windows, "_" sorts after the letters).
struct collation_element {
    wchar_t letter;  // upper case
    std::uint8_t diacritic;
    bool upper;
};

void append_collation_elements(wchar_t c, std::vector<collation_element>& out)
{
    // Base letters and diacritics of U+00C0-U+00DE; the lower-case letters lie 0x20 above.
    static constexpr char bases[] = "AAAAAA\0CEEEEIIIIDNOOOOO\0OUUUUY\0";
    static constexpr std::uint8_t diacritics[] = {2, 1, 3, 5, 4, 6, 0, 7, 2, 1, 3, 4, 2, 1, 3, 4,
                                                  8, 5, 2, 1, 3, 5, 4, 0, 8, 2, 1, 3, 4, 1, 0};
    const bool upper = (c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
    const wchar_t base = c >= 0xE0 ? static_cast<wchar_t>(c - 0x20) : c;
    if (c == 0xDF) {  // ß
        out.push_back({L'S', 0, false});
        out.push_back({L'S', 0, false});
    } else if (c == 0xFF) {  // ÿ
        out.push_back({L'Y', 4, false});
    } else if ((c >= 0xC0 && c <= 0xFE) && base != 0xD7) {
        const std::size_t at = base - 0xC0;
        if (base == 0xC6) {  // Æ
            out.push_back({L'A', 0, upper});
            out.push_back({L'E', 0, upper});
        } else if (base == 0xDE) {  // Þ
            out.push_back({L'T', 0, upper});
            out.push_back({L'H', 0, upper});
        } else {
            out.push_back({static_cast<wchar_t>(bases[at]), diacritics[at], upper});
        }
    } else {
        const bool lower = c >= L'a' && c <= L'z';
        out.push_back({lower ? static_cast<wchar_t>(c - L'a' + L'A') : c, 0, upper});
    }
}

// The key orders as the collation: letters, then diacritics, then (where case counts) case, each
// level after a zero byte, which sorts before any letter's bytes (they begin with 1).
std::string collation_key(const std::wstring& text, bool ignore_case)
{
    std::vector<collation_element> elements;
    elements.reserve(text.size());
    for (wchar_t c : text) append_collation_elements(c, elements);
    std::string key;
    key.reserve(elements.size() * (ignore_case ? 6 : 7) + 2);
    for (const collation_element& e : elements) {
        const auto u = static_cast<std::uint32_t>(e.letter);
        key.push_back('\x01');
        key.push_back(static_cast<char>((u >> 16) & 0xFF));
        key.push_back(static_cast<char>((u >> 8) & 0xFF));
        key.push_back(static_cast<char>(u & 0xFF));
    }
    key.push_back('\0');
    for (const collation_element& e : elements) key.push_back(static_cast<char>(e.diacritic));
    if (!ignore_case) {
        key.push_back('\0');
        for (const collation_element& e : elements) key.push_back(e.upper ? '\x01' : '\0');
    }
    return key;
}

// Windows' wildcard match: * any run, ? one character, case ignored; "*.*" matches every name.
bool wildcard_match(const std::wstring& mask, const std::wstring& name)
{
    if (mask == L"*.*" || mask == L"*") return true;
    const std::wstring m = folded(mask), n = folded(name);
    std::size_t mi = 0, ni = 0, star = std::wstring::npos, mark = 0;
    while (ni < n.size()) {
        if (mi < m.size() && (m[mi] == L'?' || m[mi] == n[ni])) {
            ++mi;
            ++ni;
        } else if (mi < m.size() && m[mi] == L'*') {
            star = mi++;
            mark = ni;
        } else if (star != std::wstring::npos) {
            mi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (mi < m.size() && m[mi] == L'*') ++mi;
    return mi == m.size();
}

const wchar_t* root_name(registry_root root)
{
    switch (root) {
    case registry_root::classes_root: return L"hkcr";
    case registry_root::current_user: return L"hkcu";
    case registry_root::local_machine: return L"hklm";
    }
    return L"";
}

[[noreturn]] void unscripted(const char* what)
{
    throw std::logic_error(std::string("fake platform: no scripted answer for ") + what);
}

}  // namespace

fake_platform::fake_platform()
{
    add_drive(L"C:");
    add_drive(L"D:");
    add_folder(appdata);
    add_folder(desktop);
    add_folder(windows_dir);
    add_folder(L"C:\\Program Files");
    add_folder(temp);
    set_registry_string(registry_root::local_machine, L"Software\\Microsoft\\Windows\\CurrentVersion",
                        L"ProgramFilesDir", L"C:\\Program Files");
}

// ---- keys: "\" and "/" alike, doubled separators and a trailing one dropped, case folded.
std::wstring fake_platform::key_of(const std::wstring& path) const
{
    std::wstring p;
    for (wchar_t c : path) {
        if (c == L'/') c = L'\\';
        // A share's two leading backslashes stay two.
        if (c == L'\\' && p.size() > 1 && p.back() == L'\\') continue;
        p.push_back(fold_file_name_char(c));
    }
    if (!p.empty() && p.front() == L'\\' && (p.size() < 2 || p[1] != L'\\')) p = L"c:" + p;  // root-relative
    while (!p.empty() && p.back() == L'\\') p.pop_back();
    for (const auto& [alias, folder] : aliases_)
        if (p == alias || p.rfind(alias + L"\\", 0) == 0) return folder + p.substr(alias.size());
    return p;
}

std::wstring fake_platform::parent_key(const std::wstring& key)
{
    const auto cut = key.rfind(L'\\');
    return cut == std::wstring::npos ? std::wstring() : key.substr(0, cut);
}

const fake_platform::node* fake_platform::find(const std::wstring& path) const
{
    auto it = nodes_.find(key_of(path));
    return it == nodes_.end() ? nullptr : &it->second;
}

fake_platform::node& fake_platform::make(const std::wstring& path, bool directory, std::uint32_t attributes)
{
    const std::wstring key = key_of(path);
    node& n = nodes_[key];
    if (n.path.empty()) n.order = next_order_++;
    std::wstring display;
    for (wchar_t c : path) display.push_back(c == L'/' ? L'\\' : c);
    while (display.size() > 1 && display.back() == L'\\') display.pop_back();
    n.path = display;
    n.directory = directory;
    n.attributes = attributes | (directory ? attr::directory : 0u);
    return n;
}

void fake_platform::add_drive(const std::wstring& drive)
{
    make(drive, true, 0);
}

void fake_platform::add_folder(const std::wstring& path, std::uint32_t attributes)
{
    const std::wstring key = key_of(path);
    const std::wstring parent = parent_key(key);
    if (!parent.empty() && nodes_.find(parent) == nodes_.end()) {
        const auto cut = path.find_last_of(L"\\/", path.find_last_not_of(L"\\/"));
        add_folder(path.substr(0, cut));
    }
    auto it = nodes_.find(key);
    if (it != nodes_.end() && it->second.directory) {
        it->second.attributes = attributes | attr::directory;
        return;
    }
    make(path, true, attributes);
}

void fake_platform::add_file(const std::wstring& path, const std::string& content, std::uint32_t attributes)
{
    const auto cut = path.find_last_of(L"\\/");
    if (cut != std::wstring::npos) add_folder(path.substr(0, cut));
    node& n = make(path, false, attributes == 0 ? attr::archive : attributes);
    n.content = content;
}

void fake_platform::remove(const std::wstring& path)
{
    const std::wstring key = key_of(path);
    for (auto it = nodes_.begin(); it != nodes_.end();) {
        if (it->first == key || it->first.rfind(key + L"\\", 0) == 0) it = nodes_.erase(it);
        else ++it;
    }
}

void fake_platform::set_attributes(const std::wstring& path, std::uint32_t attributes)
{
    auto it = nodes_.find(key_of(path));
    if (it == nodes_.end()) throw std::logic_error("fake platform: no such path");
    it->second.attributes = attributes | (it->second.directory ? attr::directory : 0u);
}

bool fake_platform::has_file(const std::wstring& path) const
{
    const node* n = find(path);
    return n != nullptr && !n->directory;
}

bool fake_platform::has_folder(const std::wstring& path) const
{
    const node* n = find(path);
    return n != nullptr && n->directory;
}

std::string fake_platform::content(const std::wstring& path) const
{
    const node* n = find(path);
    return n == nullptr ? std::string() : n->content;
}

bool fake_platform::is_read_only(const std::wstring& path) const
{
    const node* n = find(path);
    return n != nullptr && (n->attributes & attr::readonly) != 0;
}

std::vector<std::wstring> fake_platform::tree(const std::wstring& folder) const
{
    const std::wstring key = key_of(folder);
    const node* base = find(folder);
    std::vector<std::wstring> out;
    if (base == nullptr) return out;
    for (const auto& [k, n] : nodes_)
        if (k.rfind(key + L"\\", 0) == 0) out.push_back(n.path.substr(base->path.size() + 1));
    std::sort(out.begin(), out.end());
    return out;
}

void fake_platform::set_registry_value(registry_root root, const std::wstring& key, const std::wstring& name,
                                       registry_data data)
{
    add_registry_key(root, key);
    registry_values_[std::wstring(root_name(root)) + L"\\" + folded(key) + L"\\\\" + folded(name)] = std::move(data);
}

void fake_platform::set_registry_string(registry_root root, const std::wstring& key, const std::wstring& name,
                                        const std::wstring& value)
{
    registry_data data;
    data.type = reg_type::sz;
    for (wchar_t c : value + std::wstring(1, L'\0')) {
        data.bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        data.bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    set_registry_value(root, key, name, std::move(data));
}

std::optional<std::wstring> fake_platform::registry_default(registry_root root, const std::wstring& key) const
{
    auto it = registry_defaults_.find(std::wstring(root_name(root)) + L"\\" + folded(key));
    if (it == registry_defaults_.end()) return std::nullopt;
    return it->second;
}

void fake_platform::dialog_hook()
{
    if (on_dialog) on_dialog();
}

// ---- platform

std::wstring fake_platform::program_path() { return program; }
std::wstring fake_platform::appdata_folder() { return appdata; }
std::wstring fake_platform::desktop_folder() { return desktop; }

std::wstring fake_platform::windows_directory()
{
    if (windows_dir.empty()) fail_with(win_error::file_not_found);
    return windows_dir;
}

bool fake_platform::directory_exists(const std::wstring& path) { return !path.empty() && has_folder(path); }
bool fake_platform::file_exists(const std::wstring& path) { return !path.empty() && has_file(path); }

bool fake_platform::find_any(const std::wstring& path)
{
    if (path.find_first_of(L"*?") != std::wstring::npos) return !find_entries(path).empty();
    return !path.empty() && find(path) != nullptr;
}

std::vector<dir_entry> fake_platform::find_entries(const std::wstring& pattern)
{
    std::vector<dir_entry> out;
    const auto cut = pattern.find_last_of(L"\\/");
    if (cut == std::wstring::npos) return out;
    const std::wstring folder = pattern.substr(0, cut), mask = pattern.substr(cut + 1);
    const std::wstring key = key_of(folder);
    const node* dir = find(folder);
    if (dir == nullptr || !dir->directory) return out;
    const bool is_root = key.find(L'\\') == std::wstring::npos;
    if (!is_root) {
        if (wildcard_match(mask, L".")) out.push_back({L".", attr::directory, 0});
        if (wildcard_match(mask, L"..")) out.push_back({L"..", attr::directory, 0});
    }
    std::vector<const node*> children;
    for (const auto& [k, n] : nodes_)
        if (parent_key(k) == key && k != key) children.push_back(&n);
    std::sort(children.begin(), children.end(), [](const node* a, const node* b) { return a->order < b->order; });
    for (const node* n : children) {
        const std::wstring name = n->path.substr(n->path.find_last_of(L'\\') + 1);
        if (wildcard_match(mask, name)) out.push_back({name, n->attributes, n->content.size()});
    }
    return out;
}

bool fake_platform::create_directory(const std::wstring& path)
{
    const std::wstring key = key_of(path);
    if (path.empty() || nodes_.count(key) != 0) return false;
    const std::wstring parent = parent_key(key);
    if (parent.empty() || !has_folder(parent)) return false;
    if (unwritable.count(path) != 0) return false;
    make(path, true, 0);
    created_directories.push_back(path);
    return true;
}

void fake_platform::make_directory(const std::wstring& path)
{
    if (has_folder(path)) return;
    if (find(path) != nullptr) fail_with(win_error::already_exists);
    if (unwritable.count(path) != 0) fail_with(win_error::access_denied);
    if (!create_directory(path)) fail_with(win_error::path_not_found);
}

bool fake_platform::copy_file(const std::wstring& from, const std::wstring& to)
{
    const node* source = find(from);
    const bool ok = source != nullptr && !source->directory && unwritable.count(to) == 0 &&
                    has_folder(parent_key(key_of(to))) && !has_folder(to);
    file_copies.push_back({from, to, ok});
    if (ok) {
        const std::string bytes = source->content;
        const std::uint32_t attributes = source->attributes;
        make(to, false, attributes).content = bytes;
    }
    return ok;
}

void fake_platform::move_file_replacing(const std::wstring& from, const std::wstring& to)
{
    if (on_move) on_move(from, to);
    const node* source = find(from);
    if (source == nullptr || source->directory) fail_with(win_error::file_not_found);
    if (held(from) || held(to)) fail_with(win_error::sharing_violation);
    // Windows refuses to replace a read-only file, whoever asks (Wine lets root do it).
    const node* target = find(to);
    if (unwritable.count(to) != 0 || has_folder(to) || (target && (target->attributes & attr::readonly) != 0))
        fail_with(win_error::access_denied);
    if (!has_folder(parent_key(key_of(to)))) fail_with(win_error::path_not_found);
    const std::string bytes = source->content;
    const std::uint32_t attributes = source->attributes;
    remove(from);
    make(to, false, attributes).content = bytes;
}

void fake_platform::move_file(const std::wstring& from, const std::wstring& to)
{
    if (on_move) on_move(from, to);
    const node* source = find(from);
    if (source == nullptr) fail_with(win_error::file_not_found);
    if (source->directory) throw std::logic_error("fake platform: moving folders is not modelled");
    if (held(from)) fail_with(win_error::sharing_violation);
    if (find(to) != nullptr) fail_with(win_error::already_exists);
    // A file the user may not write cannot be renamed away either.
    if (unwritable.count(to) != 0 || unwritable.count(from) != 0) fail_with(win_error::access_denied);
    if (!has_folder(parent_key(key_of(to)))) fail_with(win_error::path_not_found);
    const std::string bytes = source->content;
    const std::uint32_t attributes = source->attributes;
    remove(from);
    make(to, false, attributes).content = bytes;
}

bool fake_platform::delete_file(const std::wstring& path)
{
    const node* n = find(path);
    if (n == nullptr || n->directory || held(path) || (n->attributes & attr::readonly) != 0) return false;
    for (const std::wstring& each : running)
        if (key_of(each) == key_of(path)) return false;
    remove(path);
    return true;
}

bool fake_platform::remove_directory(const std::wstring& path)
{
    const node* n = find(path);
    if (n == nullptr || !n->directory || !tree(path).empty()) return false;
    remove(path);
    return true;
}

std::optional<std::uint32_t> fake_platform::file_attributes(const std::wstring& path)
{
    const node* n = find(path);
    if (n == nullptr) return std::nullopt;
    return n->attributes;
}

void fake_platform::set_file_attributes(const std::wstring& path, std::uint32_t attributes)
{
    if (find(path) == nullptr) fail_with(win_error::file_not_found);
    set_attributes(path, attributes);
}

bool fake_platform::held(const std::wstring& path) const
{
    const std::wstring key = key_of(path);
    if (held_exclusively.count(key) != 0) return true;
    for (const std::wstring& each : in_use)
        if (key_of(each) == key) return true;
    return false;
}

bool fake_platform::file_in_use(const std::wstring& path) { return held(path); }

std::vector<std::wstring> fake_platform::programs_using(const std::vector<std::wstring>& paths)
{
    std::vector<std::wstring> names;
    for (const std::wstring& path : paths)
        for (const auto& [file, programs] : programs_holding)
            if (key_of(file) == key_of(path))
                for (const std::wstring& program : programs)
                    if (std::find(names.begin(), names.end(), program) == names.end()) names.push_back(program);
    return names;
}

void fake_platform::fail_with(std::uint32_t code)
{
    throw system_error(system_message(code), code);
}

std::vector<std::uint8_t> fake_platform::read_file(const std::wstring& path)
{
    const node* n = find(path);
    if (n == nullptr || n->directory) fail_with(win_error::file_not_found);
    if (unreadable.count(path) != 0 || held_exclusively.count(key_of(path)) != 0) fail_with(win_error::sharing_violation);
    return bytes_of(n->content);
}

void fake_platform::write_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    const node* existing = find(path);
    if (unwritable.count(path) != 0 || has_folder(path) || (existing && (existing->attributes & attr::readonly) != 0))
        fail_with(win_error::access_denied);
    if (held(path)) fail_with(win_error::sharing_violation);
    if (!has_folder(parent_key(key_of(path)))) fail_with(win_error::path_not_found);
    make(path, false, existing ? existing->attributes : attr::archive).content = string_of(bytes);
}

void fake_platform::write_file_through(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    write_file(path, bytes);
    flushed_writes.push_back(path);
}

void fake_platform::append_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    if (auto clash = append_clashes.find(path); clash != append_clashes.end() && clash->second > 0) {
        --clash->second;
        fail_with(win_error::sharing_violation);
    }
    if (held_exclusively.count(key_of(path)) != 0) fail_with(win_error::sharing_violation);
    std::vector<std::uint8_t> whole;
    if (const node* existing = find(path); existing && !existing->directory) whole = bytes_of(existing->content);
    whole.insert(whole.end(), bytes.begin(), bytes.end());
    write_file(path, whole);
}

void fake_platform::append_file_through(const std::wstring& path, const std::vector<std::uint8_t>& bytes)
{
    append_file(path, bytes);
    flushed_writes.push_back(path);
}

std::vector<std::wstring> fake_platform::md5_hex_of_files(const std::vector<std::wstring>& paths)
{
    std::vector<std::wstring> out;
    out.reserve(paths.size());
    for (const auto& path : paths) out.push_back(md5_hex(string_of(read_file(path))));
    return out;
}

// Copies a file or a folder tree to to_path, replacing files (as if every question of the shell
// were answered Yes) and merging into folders that exist.
bool fake_platform::copy_tree(const std::wstring& from_key, const std::wstring& to_path)
{
    const node source = nodes_.at(from_key);
    if (!source.directory) {
        if (unwritable.count(to_path) != 0) return false;
        make(to_path, false, source.attributes).content = source.content;
        return true;
    }
    if (!has_folder(to_path)) make(to_path, true, source.attributes & ~attr::directory);
    std::vector<std::pair<std::uint64_t, std::wstring>> children;
    for (const auto& [k, n] : nodes_)
        if (parent_key(k) == from_key && k != from_key) children.push_back({n.order, k});
    std::sort(children.begin(), children.end());
    bool ok = true;
    for (const auto& [order, k] : children) {
        const std::wstring name = nodes_.at(k).path.substr(nodes_.at(k).path.find_last_of(L'\\') + 1);
        ok = copy_tree(k, to_path + L"\\" + name) && ok;
    }
    return ok;
}

bool fake_platform::shell_copy(const std::wstring& from, const std::wstring& to)
{
    dialog_hook();
    const bool ok = copy_as_shell(from, to);
    shell_copies.push_back({from, to, ok});
    return ok;
}

bool fake_platform::copy_as_shell(const std::wstring& from, const std::wstring& to)
{
    const std::wstring from_key = key_of(from);
    bool ok = nodes_.count(from_key) != 0 && !to.empty();
    std::wstring destination;
    if (ok) {
        const node& source = nodes_.at(from_key);
        const std::wstring name = source.path.substr(source.path.find_last_of(L'\\') + 1);
        destination = has_folder(to) ? (to.back() == L'\\' ? to : to + L"\\") + name : to;
        while (destination.size() > 1 && destination.back() == L'\\') destination.pop_back();
        const std::wstring dest_key = key_of(destination);
        // The shell refuses to copy a folder into itself.
        if (dest_key == from_key || dest_key.rfind(from_key + L"\\", 0) == 0) ok = false;
    }
    if (ok) {
        // Missing parent folders are created, as the shell does after asking.
        const auto cut = destination.find_last_of(L'\\');
        if (cut != std::wstring::npos && !has_folder(destination.substr(0, cut)))
            add_folder(destination.substr(0, cut));
        ok = copy_tree(from_key, destination);
    }
    return ok;
}

void fake_platform::shell_execute(const std::wstring& file, const std::wstring& parameters)
{
    executed.push_back({file, parameters});
}

bool fake_platform::save_shell_link(const std::wstring& link_path, const std::wstring& target,
                                    const std::wstring& arguments, const std::wstring& working_dir)
{
    if (link_object_fails) fail_with(win_error::class_not_registered);
    if (unwritable_links.count(link_path) != 0 || !has_folder(parent_key(key_of(link_path)))) return false;
    links.push_back({link_path, target, arguments, working_dir});
    make(link_path, false, attr::archive).content = "link to " + std::string(target.begin(), target.end());
    return true;
}

void fake_platform::notify_file_associations_changed()
{
    association_notices.push_back(registry_writes.size());
}

registry_data fake_platform::query_registry_value(registry_root root, const std::wstring& key,
                                                  const std::wstring& value_name)
{
    // as RegOpenKeyExW
    if (!key.empty() && key.front() == L'\\') fail_with(win_error::file_not_found);
    if (registry_open_error != 0) throw system_error(system_message(registry_open_error));
    auto it = registry_values_.find(std::wstring(root_name(root)) + L"\\" + folded(key) + L"\\\\" + folded(value_name));
    if (it == registry_values_.end()) return {};
    return it->second;
}

void fake_platform::set_registry_default_value(registry_root root, const std::wstring& key, const std::wstring& value)
{
    if (failing_registry_keys.count(key) != 0) fail_with(win_error::access_denied);
    registry_writes.push_back({root, key, value});
    registry_defaults_[std::wstring(root_name(root)) + L"\\" + folded(key)] = value;
    set_registry_string(root, key, L"", value);
}

std::wstring fake_platform::system_message(std::uint32_t code)
{
    switch (code) {
    case win_error::file_not_found: return L"The system cannot find the file specified.";
    case win_error::path_not_found: return L"The system cannot find the path specified.";
    case win_error::access_denied: return L"Access is denied.";
    case win_error::sharing_violation:
        return L"The process cannot access the file because it is being used by another process.";
    case win_error::cant_read: return L"The configuration registry key could not be read.";
    default: return L"System error " + std::to_wstring(code) + L".";
    }
}

// The fake's ANSI code page is Latin-1; what it cannot hold becomes '?'.
std::wstring fake_platform::from_ansi(const std::string& bytes)
{
    std::wstring out;
    out.reserve(bytes.size());
    for (char c : bytes) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return out;
}

std::string fake_platform::to_ansi(const std::wstring& text)
{
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) out.push_back(static_cast<std::uint32_t>(c) < 0x100 ? static_cast<char>(c) : '?');
    return out;
}

namespace {
// A claim on a name, given back when it goes.
class fake_lock : public named_lock {
public:
    fake_lock(std::set<std::wstring>& held, std::wstring name) : held_(held), name_(std::move(name)) { held_.insert(name_); }
    ~fake_lock() override { held_.erase(name_); }
    fake_lock(const fake_lock&) = delete;
    fake_lock& operator=(const fake_lock&) = delete;

private:
    std::set<std::wstring>& held_;
    std::wstring name_;
};
}  // namespace

std::unique_ptr<named_lock> fake_platform::try_lock(const std::wstring& name)
{
    if (locks_held.count(name) != 0) return nullptr;
    return std::make_unique<fake_lock>(locks_held, name);
}

// The work runs on the calling thread: the fake has no window to keep alive.
void fake_platform::run_in_background(const std::function<void()>& work, const std::function<void()>& tick)
{
    ++background_runs;
    try {
        work();
    } catch (...) {
        if (tick) tick();
        throw;
    }
    if (tick) tick();
}

std::wstring fake_platform::short_date() { return date; }
std::wstring fake_platform::long_time() { return time; }
std::wstring fake_platform::local_timestamp() { return timestamp; }
std::uint64_t fake_platform::milliseconds() { return clock_ms; }
void fake_platform::sleep(std::uint32_t milliseconds)
{
    sleeps.push_back(milliseconds);
    clock_ms += milliseconds;
}

// Through the keys, so that comparing and sorting can never disagree.
int fake_platform::compare_locale(const std::wstring& a, const std::wstring& b, bool ignore_case)
{
    const int r = collation_key(a, ignore_case).compare(collation_key(b, ignore_case));
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

std::string fake_platform::sort_key(const std::wstring& text, bool ignore_case)
{
    return collation_key(text, ignore_case);
}

sort_key_table fake_platform::sort_keys(const std::vector<std::wstring>& texts, bool ignore_case)
{
    sort_key_table table;
    table.ends.reserve(texts.size());
    for (const std::wstring& text : texts) {
        table.bytes += sort_key(text, ignore_case);
        table.ends.push_back(table.bytes.size());
    }
    return table;
}

void fake_platform::show_message(const std::wstring& text)
{
    dialog_hook();
    messages.push_back(text);
}

void fake_platform::show_error(const std::wstring& text)
{
    if (on_error) on_error();
    errors.push_back(text);
}

bool fake_platform::ask_yes_no(const std::wstring& text, const std::wstring& caption, box_icon icon)
{
    dialog_hook();
    questions.push_back({text, caption, icon});
    if (yes_no_answers.empty()) unscripted("a Yes/No question");
    const bool answer = yes_no_answers.front();
    yes_no_answers.pop_front();
    return answer;
}

bool fake_platform::ask_retry_cancel(const std::wstring& text)
{
    dialog_hook();
    retry_questions.push_back(text);
    if (retry_answers.empty()) unscripted("a Retry/Cancel box");
    const bool answer = retry_answers.front();
    retry_answers.pop_front();
    return answer;
}

std::wstring fake_platform::input_box(const std::wstring& title, const std::wstring& prompt,
                                      const std::wstring& default_text, const dialog_buttons& buttons)
{
    dialog_hook();
    inputs.push_back({title, prompt, default_text, buttons});
    if (input_answers.empty()) unscripted("an input box");
    const auto answer = input_answers.front();
    input_answers.pop_front();
    return answer ? *answer : default_text;
}

namespace {

class fake_progress_window final : public progress_window {
public:
    fake_progress_window(fake_platform& os, std::wstring caption) : os_(os), caption_(std::move(caption))
    {
        ++os_.progress_windows_open;
    }
    ~fake_progress_window() override { --os_.progress_windows_open; }
    void show(const std::wstring& text, std::uint64_t done, std::uint64_t total) override
    {
        os_.progress.push_back({caption_, text, done, total, os_.messages.size()});
    }

private:
    fake_platform& os_;
    std::wstring caption_;
};

}  // namespace

std::unique_ptr<progress_window> fake_platform::open_progress_window(const std::wstring& caption)
{
    return std::make_unique<fake_progress_window>(*this, caption);
}

std::wstring fake_platform::browse_for_folder(const std::wstring& title, const std::wstring& initial,
                                              std::uint32_t flags)
{
    dialog_hook();
    browses.push_back({title, initial, flags});
    if (folder_choices.empty()) unscripted("the folder browser");
    const std::wstring answer = folder_choices.front();
    folder_choices.pop_front();
    return answer;
}

bool fake_platform::select_directory(const std::wstring& initial, const select_directory_texts& texts,
                                     std::wstring& chosen)
{
    dialog_hook();
    directory_dialogs.push_back(initial);
    directory_dialog_texts.push_back(texts);
    if (directory_choices.empty()) unscripted("the Select Directory dialog");
    const auto answer = directory_choices.front();
    directory_choices.pop_front();
    if (!answer) return false;
    if (!has_folder(*answer)) add_folder(*answer);  // the dialog creates it, with its parents
    chosen = *answer;
    return true;
}

// The update server as the fake models it: whole files, refusals and broken transfers by server
// path, one file after the other.
class fake_ftp_session : public ftp_session {
public:
    fake_ftp_session(fake_platform& os, ftp_account account) : os_(os), account_(std::move(account))
    {
        source_.host = account_.host;
        source_.port = account_.port;
        source_.user = account_.user;
        source_.password = account_.password;
        source_.folder = L"/public/live/";
    }
    fake_ftp_session(fake_platform& os, const update_source& source, const proxy_choice& proxy)
        : os_(os), account_{source.host, source.port, source.user, source.password}, source_(source), proxy_(proxy)
    {
    }

    std::vector<std::uint8_t> fetch(const std::wstring& server_path, std::uint64_t max_bytes) override
    {
        os_.dialog_hook();
        os_.ftp_calls.push_back({account_, server_path, L"", max_bytes, 0, source_});
        const std::string& bytes = server_file(server_path);
        if (break_point(server_path, bytes, 0)) throw network_error(aborted);
        if (bytes.size() > max_bytes) throw size_limit_error(L"The server's file is larger than it may be.");
        return bytes_of(bytes);
    }

    std::vector<ftp_file_result> fetch_files(const std::vector<ftp_file>& files, ftp_progress& progress) override
    {
        std::vector<ftp_file_result> results(files.size());
        for (std::size_t i = 0; i < files.size() && !stopped_; ++i) {
            results[i] = fetch_one(files[i], i, progress);
            if (results[i].state == ftp_file_state::failed) break;
        }
        return results;
    }

    void stop() override { stopped_ = true; }

private:
    static constexpr const wchar_t* aborted = L"426 Connection closed; transfer aborted.";

    // The server's bytes of a file; throws network_error when it cannot be had at all.
    const std::string& server_file(const std::wstring& server_path)
    {
        if (os_.ftp_unreachable) throw network_error(L"The server name or address could not be resolved");
        if (auto it = os_.host_failures.find(source_.host); it != os_.host_failures.end()) std::rethrow_exception(it->second);
        if (!proxy_.direct() && os_.proxies_wanting_credentials.count(proxy_.proxy) != 0)
            throw proxy_credentials_error(L"407 Proxy Authentication Required");
        if (auto it = os_.ftp_errors.find(server_path); it != os_.ftp_errors.end()) {
            if (it->second.rfind(L"5", 0) == 0) throw server_refusal(it->second);
            throw network_error(it->second);
        }
        auto it = os_.ftp_files.find(server_path);
        if (it == os_.ftp_files.end()) throw server_refusal(L"550 " + server_path + L": No such file or directory.");
        return it->second;
    }

    // Where a transfer from `from` breaks off, if it does.
    std::optional<std::uint64_t> break_point(const std::wstring& server_path, const std::string& bytes,
                                             std::uint64_t from) const
    {
        auto cut = os_.ftp_breaks.find(server_path);
        if (cut == os_.ftp_breaks.end() || (from >= cut->second && cut->second > 0) || cut->second > bytes.size())
            return std::nullopt;
        return cut->second;
    }

    ftp_file_result fetch_one(const ftp_file& file, std::size_t index, ftp_progress& progress)
    {
        os_.dialog_hook();
        const bool resume = file.resume_from > 0 && os_.ftp_resumes && os_.has_file(file.local_path) &&
                            os_.content(file.local_path).size() >= file.resume_from;
        const std::uint64_t from = resume ? file.resume_from : 0;
        os_.ftp_calls.push_back({account_, file.server_path, file.local_path, file.size, from, source_});
        if (stopped_) return {};
        progress.started(index, from);
        std::string bytes;
        try {
            bytes = server_file(file.server_path);
        } catch (const system_error& e) {
            return file_result::failed(ftp_failure::server, e.text(), from);
        }
        if (resume && os_.ftp_rest_refused) return file_result::failed(ftp_failure::server, L"502 REST not implemented.", from);
        // A server that ignores REST sends what it sends from byte 0: each byte lands `from` on.
        const std::uint64_t sent_from = resume && os_.ftp_rest_ignored ? 0 : from;
        const std::optional<std::uint64_t> cut = break_point(file.server_path, bytes, sent_from);
        std::uint64_t end = from + (cut.value_or(bytes.size()) - sent_from);
        const bool too_large = end > file.size;
        if (too_large) end = file.size;
        std::string local = resume ? os_.content(file.local_path).substr(0, from) : std::string();
        local += bytes.substr(static_cast<std::size_t>(sent_from), static_cast<std::size_t>(end - from));
        try {
            os_.write_file(file.local_path, bytes_of(local));
        } catch (const system_error& e) {
            return file_result::failed(ftp_failure::local, e.text(), from);
        }
        progress.arrived(index, end - from);
        if (cut) return file_result::failed(ftp_failure::server, aborted, from);
        if (too_large)
            return file_result::failed(ftp_failure::too_large, L"The update server sent more bytes than the file may have.", from);
        ftp_file_result result;
        result.state = ftp_file_state::fetched;
        result.whole = {local.size(), md5_hex(local)};
        result.resumed_from = from;
        return result;
    }

    fake_platform& os_;
    ftp_account account_;
    update_source source_;
    proxy_choice proxy_;
    bool stopped_ = false;
};

std::unique_ptr<ftp_session> fake_platform::open_ftp_session(const ftp_account& account)
{
    ++ftp_sessions;
    return std::make_unique<fake_ftp_session>(*this, account);
}

// ---- the update's transport and the system's proxy

proxy_settings fake_platform::system_proxy_settings()
{
    return system_proxy;
}

std::optional<std::wstring> fake_platform::proxy_from_script(const std::wstring& url, const std::wstring& pac_url)
{
    proxy_script_urls.push_back(url);
    const auto it = proxy_scripts.find(pac_url);
    if (it == proxy_scripts.end()) return std::nullopt;
    return it->second;
}

void fake_platform::ready_secure_connections()
{
    if (!secure_connections_readied_before) secure_connections_readied_before = sessions.size();
}

std::unique_ptr<transfer_session> fake_platform::open_session(const update_source& source, const proxy_choice& proxy,
                                                              int receive_timeout_ms)
{
    sessions.push_back({source, proxy, receive_timeout_ms});
    return std::make_unique<fake_ftp_session>(*this, source, proxy);
}

// A strict DER signature whose r and s count up, so that every signature the fake makes differs.
std::string fake_platform::sign(const ecdsa_p256_public_key& key, const std::string& data)
{
    const auto serial = static_cast<std::uint8_t>(valid_signatures.size() + 1);
    std::string der = {0x30, 0x0A, 0x02, 0x03, 0x01, 0x02, static_cast<char>(serial), 0x02, 0x03, 0x03, 0x04,
                       static_cast<char>(serial)};
    valid_signatures.insert({key, bytes_of(data), bytes_of(der)});
    return der;
}

bool fake_platform::verify_signature(const std::vector<std::uint8_t>& data,
                                     const std::vector<std::uint8_t>& der_signature,
                                     const ecdsa_p256_public_key& public_key)
{
    verified_data.push_back(data);
    if (!ecdsa_der_to_raw(der_signature)) return false;
    return valid_signatures.count({public_key, data, der_signature}) != 0;
}

// ---- installing and removing an installation
std::wstring fake_platform::registry_key_id(registry_root root, const std::wstring& key)
{
    std::wstring k = folded(key);
    while (!k.empty() && k.back() == L'\\') k.pop_back();
    return std::wstring(root_name(root)) + L"\\" + k;
}

void fake_platform::add_registry_key(registry_root root, const std::wstring& key)
{
    std::wstring id = registry_key_id(root, key);
    const std::size_t root_length = std::wstring(root_name(root)).size();
    while (id.size() > root_length) {
        registry_keys_.insert(id);
        id.erase(id.find_last_of(L'\\'));
    }
}

bool fake_platform::has_registry_key(registry_root root, const std::wstring& key) const
{
    return registry_keys_.count(registry_key_id(root, key)) != 0;
}

std::optional<std::wstring> fake_platform::registry_string(registry_root root, const std::wstring& key,
                                                           const std::wstring& name) const
{
    auto it = registry_values_.find(registry_key_id(root, key) + L"\\\\" + folded(name));
    if (it == registry_values_.end()) return std::nullopt;
    return text_of(it->second);
}

std::optional<std::uint32_t> fake_platform::registry_dword(registry_root root, const std::wstring& key,
                                                           const std::wstring& name) const
{
    auto it = registry_values_.find(registry_key_id(root, key) + L"\\\\" + folded(name));
    if (it == registry_values_.end() || it->second.type != reg_type::dword || it->second.bytes.size() != 4)
        return std::nullopt;
    const auto& b = it->second.bytes;
    return static_cast<std::uint32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
}

bool fake_platform::registry_key_exists(registry_root root, const std::wstring& key)
{
    return has_registry_key(root, key);
}

bool fake_platform::create_registry_key(registry_root root, const std::wstring& key)
{
    if (failing_registry_keys.count(key) != 0) fail_with(win_error::access_denied);
    const bool existed = has_registry_key(root, key);
    add_registry_key(root, key);
    return !existed;
}

void fake_platform::write_registry_value(registry_root root, const std::wstring& key, const std::wstring& name,
                                         const registry_data& data)
{
    if (failing_registry_keys.count(key) != 0) fail_with(win_error::access_denied);
    set_registry_value(root, key, name, data);
    if (name.empty()) {
        const std::wstring id = std::wstring(root_name(root)) + L"\\" + folded(key);
        const std::optional<std::wstring> text = registry_string(root, key, name);
        if (text) registry_defaults_[id] = *text;
        else registry_defaults_.erase(id);
    }
}

bool fake_platform::delete_registry_value(registry_root root, const std::wstring& key, const std::wstring& name)
{
    if (name.empty()) registry_defaults_.erase(std::wstring(root_name(root)) + L"\\" + folded(key));
    return registry_values_.erase(registry_key_id(root, key) + L"\\\\" + folded(name)) != 0;
}

bool fake_platform::delete_registry_key(registry_root root, const std::wstring& key)
{
    const std::wstring id = registry_key_id(root, key);
    if (registry_keys_.count(id) == 0 || !registry_subkeys(root, key).empty()) return false;
    registry_keys_.erase(id);
    registry_defaults_.erase(id);
    for (auto it = registry_values_.begin(); it != registry_values_.end();)
        it = it->first.rfind(id + L"\\\\", 0) == 0 ? registry_values_.erase(it) : std::next(it);
    return true;
}

std::vector<std::wstring> fake_platform::registry_subkeys(registry_root root, const std::wstring& key)
{
    const std::wstring prefix = registry_key_id(root, key) + L"\\";
    std::vector<std::wstring> names;
    for (const std::wstring& id : registry_keys_)
        if (id.rfind(prefix, 0) == 0 && id.find(L'\\', prefix.size()) == std::wstring::npos && id.size() > prefix.size())
            names.push_back(id.substr(prefix.size()));
    return names;
}

std::uint32_t fake_platform::run_and_wait(const std::wstring& file, const std::wstring& parameters)
{
    if (unstartable.count(file) != 0) fail_with(win_error::file_not_found);
    runs.push_back({file, parameters});
    if (on_run) return on_run(file, parameters);
    auto it = exit_codes.find(file);
    return it == exit_codes.end() ? 0 : it->second;
}

std::wstring fake_platform::temp_folder() { return temp; }
bool fake_platform::is_administrator() { return administrator; }

void fake_platform::delete_at_reboot(const std::wstring& path)
{
    if (!administrator) fail_with(win_error::access_denied);
    reboot_deletions.push_back(path);
}

bool fake_platform::shell_copy_silent(const std::wstring& from, const std::wstring& to)
{
    const bool ok = copy_as_shell(from, to);
    silent_shell_copies.push_back({from, to, ok});
    return ok;
}

std::wstring fake_platform::shell_link_target(const std::wstring& link_path)
{
    const node* n = find(link_path);
    const std::string tag = "link to ";
    if (n == nullptr || n->directory || n->content.rfind(tag, 0) != 0) return {};
    const std::string target = n->content.substr(tag.size());
    return std::wstring(target.begin(), target.end());
}

}  // namespace qs::fake

namespace qs::fake {

// ---- other names of one file, and claims of other processes on it
void fake_platform::add_alias(const std::wstring& alias, const std::wstring& folder)
{
    const std::wstring target = key_of(folder);
    aliases_[key_of(alias)] = target;
}

namespace {
// An open handle with no sharing; the file goes with it, as FILE_FLAG_DELETE_ON_CLOSE has it.
class fake_exclusive_file : public named_lock {
public:
    fake_exclusive_file(fake_platform& os, std::wstring key, std::wstring path)
        : os_(os), key_(std::move(key)), path_(std::move(path))
    {
        os_.held_exclusively.insert(key_);
    }
    ~fake_exclusive_file() override
    {
        os_.held_exclusively.erase(key_);
        os_.remove(path_);
    }
    fake_exclusive_file(const fake_exclusive_file&) = delete;
    fake_exclusive_file& operator=(const fake_exclusive_file&) = delete;

private:
    fake_platform& os_;
    std::wstring key_, path_;
};
}  // namespace

std::unique_ptr<named_lock> fake_platform::hold_file_exclusively(const std::wstring& path)
{
    const std::wstring key = key_of(path);
    if (held_exclusively.count(key) != 0 || held(path)) return nullptr;
    if (has_folder(path)) fail_with(win_error::access_denied);
    if (!has_folder(parent_key(key))) fail_with(win_error::path_not_found);
    if (!has_file(path)) make(path, false, attr::archive);
    return std::make_unique<fake_exclusive_file>(*this, key, path);
}

std::wstring fake_platform::long_path_name(const std::wstring& path)
{
    const node* n = find(path);
    return n == nullptr ? path : n->path;
}

std::wstring fake_platform::fold_name_case(const std::wstring& name)
{
    return folded(name);
}

std::vector<std::wstring> fake_platform::loaded_by_programs(const std::vector<std::wstring>& paths)
{
    std::vector<std::wstring> loaded;
    for (const std::wstring& path : paths) {
        if (key_of(path) == key_of(program)) continue;
        for (const std::wstring& each : loaded_images)
            if (key_of(each) == key_of(path)) {
                loaded.push_back(path);
                break;
            }
    }
    return loaded;
}

}  // namespace qs::fake
