#include "setup_main/command_line.h"

#include <functional>

#include "basics/paths.h"
#include "basics/text_files.h"
#include "build_settings.h"
#include "setup_main/install/unattended_install.h"
#include "setup_main/install/uninstall.h"
#include "setup_main/messages.h"
#include "setup_main/server_paths.h"
#include "setup_main/update/internet_update.h"
#include "setup_main/update/sources.h"

namespace qs {
namespace {

using update::internet_update;
using update::observer;
using update::outcome;
using update::result;
using update::run_settings;
using update::update_log;
using update::choose_sources;
using update::parse_sources;
using update::source_choice;

// The option's name in lower case when the argument is one ("/update" -> "update"), with the
// value after "=" apart.
struct option {
    std::wstring name;
    std::optional<std::wstring> value;
};
std::optional<option> option_of(const std::wstring& argument)
{
    if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) return std::nullopt;
    const auto equals = argument.find(L'=');
    option o;
    o.name = ascii_lower(argument.substr(1, equals == std::wstring::npos ? std::wstring::npos : equals - 1));
    if (equals != std::wstring::npos) o.value = argument.substr(equals + 1);
    return o;
}

// No window and no box: the log alone tells what the run did, and files in use end it.
class unattended_observer : public observer {
public:
    void progress(const std::wstring&) override {}
    void note(const std::wstring&) override {}  // the log has it already
    void bytes_staged(std::uint64_t, std::uint64_t) override {}
    bool retry_files_in_use(const std::wstring&) override { return false; }
};

std::wstring application_name_of(platform& os)
{
    const std::wstring path = program_dir_path(os, L"init_setup\\application_name.txt");
    return os.file_exists(path) ? read_first_line_ansi(os, path) : std::wstring();
}

// The Internet update of the program's own folder, as the button runs it: the exit code.
int run_update(platform& os, update_log& log, const std::optional<std::wstring>& sources)
{
    run_settings settings;
    settings.installation_folder = installation_folder(os);
    settings.application_name = application_name_of(os);
    if constexpr (build::has_update_signing_key) settings.signing_key = build::update_signing_key;
    settings.account = update_server_account();
    settings.program_version = build::version;
    source_choice chosen = choose_sources(os, sources, settings.account);
    settings.sources = std::move(chosen.sources);
    settings.source_log_lines = std::move(chosen.log_lines);
    unattended_observer watcher;
    internet_update run(os, settings, watcher, log);
    const outcome how = run.run();
    const int code = how.what == result::stopped ? static_cast<int>(result::failed) : static_cast<int>(how.what);
    log.write(L"Exit code " + std::to_wstring(code) + L".");
    return code;
}

}  // namespace

std::vector<std::wstring> split_command_line(const std::wstring& arguments)
{
    std::vector<std::wstring> out;
    std::wstring current;
    bool in_argument = false, quoted = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const wchar_t c = arguments[i];
        if (c == L'\\') {
            std::size_t backslashes = 0;
            while (i < arguments.size() && arguments[i] == L'\\') ++backslashes, ++i;
            if (i < arguments.size() && arguments[i] == L'"') {
                current.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) current.push_back(L'"');
                else quoted = !quoted;
            } else {
                current.append(backslashes, L'\\');
                --i;
            }
            in_argument = true;
        } else if (c == L'"') {
            // Two quotes inside a quoted argument stand for one.
            if (quoted && i + 1 < arguments.size() && arguments[i + 1] == L'"') {
                current.push_back(L'"');
                ++i;
            } else {
                quoted = !quoted;
            }
            in_argument = true;
        } else if ((c == L' ' || c == L'\t') && !quoted) {
            if (in_argument) out.push_back(current);
            current.clear();
            in_argument = false;
        } else {
            current.push_back(c);
            in_argument = true;
        }
    }
    if (in_argument) out.push_back(current);
    return out;
}

namespace {

using action = command_line::action;

// One option: its name, whether it takes "=VALUE", the actions it goes with (none: it names
// the action itself), and what it sets. A new option is one more row.
struct option_rule {
    const wchar_t* name;
    bool takes_value;
    std::vector<action> actions;
    std::function<bool(command_line&, const std::wstring&)> apply;  // false: given twice
};

bool set_once(std::optional<std::wstring>& field, const std::wstring& value)
{
    if (field || value.empty()) return false;
    field = value;
    return true;
}

const std::vector<option_rule>& option_rules()
{
    static const std::vector<option_rule> rules = {
        {L"update", false, {}, [](command_line& l, const std::wstring&) { l.update_asked = true; l.what = action::update; return true; }},
        {L"install", false, {}, [](command_line& l, const std::wstring&) { l.what = action::install; return true; }},
        {L"uninstall", false, {}, [](command_line& l, const std::wstring&) { l.what = action::uninstall; return true; }},
        {L"log", true, {action::update, action::install, action::uninstall},
         [](command_line& l, const std::wstring& v) { return set_once(l.log_path, v); }},
        // Several /source= add up, in their order; a URL that is no source is not understood.
        {L"source", true, {action::update},
         [](command_line& l, const std::wstring& v) {
             if (!parse_sources(v, update_server_account())) return false;
             l.sources = l.sources ? *l.sources + L";" + v : v;
             return true;
         }},
        {L"acceptlicence", false, {action::install}, [](command_line& l, const std::wstring&) { l.licence_accepted = true; return true; }},
        {L"dir", true, {action::install}, [](command_line& l, const std::wstring& v) { return set_once(l.install_folder, v); }},
        {L"noshortcuts", false, {action::install}, [](command_line& l, const std::wstring&) { l.no_shortcuts = true; return true; }},
        {L"silent", false, {action::uninstall}, [](command_line& l, const std::wstring&) { l.silent = true; return true; }},
        {L"installation", true, {action::uninstall},
         [](command_line& l, const std::wstring& v) { return set_once(l.installation, v); }},
    };
    return rules;
}

std::wstring action_name(action a)
{
    return a == action::install ? L"install" : a == action::uninstall ? L"uninstall" : L"update";
}

const option_rule* rule_for(const std::optional<option>& o)
{
    if (!o) return nullptr;
    for (const option_rule& rule : option_rules())
        if (o->name == rule.name && rule.takes_value == o->value.has_value()) return &rule;
    return nullptr;
}

}  // namespace

command_line parse_command_line(const std::vector<std::wstring>& arguments)
{
    command_line line;
    if (arguments.empty()) return line;
    const auto not_understood = [&line](const std::wstring& text) {
        if (line.not_understood.empty()) line.not_understood = text;
    };
    // The action first, wherever it stands: the options are read against it.
    for (const std::wstring& argument : arguments) {
        const option_rule* rule = rule_for(option_of(argument));
        if (rule == nullptr || !rule->actions.empty()) continue;
        if (line.action_asked) not_understood(argument);  // one action at a time
        else rule->apply(line, {});
        line.action_asked = true;
        if (std::wstring(rule->name) == L"update") line.update_asked = true;
    }
    for (const std::wstring& argument : arguments) {
        const std::optional<option> o = option_of(argument);
        const option_rule* rule = rule_for(o);
        if (rule == nullptr) {
            not_understood(argument);
            continue;
        }
        if (rule->actions.empty()) continue;
        bool goes_with = false;
        for (action a : rule->actions) goes_with = goes_with || a == line.what;
        if (!line.action_asked) not_understood(L"/" + std::wstring(rule->name) + L" without /" + action_name(rule->actions.front()));
        else if (!goes_with || !rule->apply(line, o->value.value_or(L""))) not_understood(argument);
    }
    if (!line.action_asked) not_understood(L"/log without /update");
    if (!line.not_understood.empty()) line.what = action::usage;
    return line;
}

namespace {

std::wstring default_install_log_path(platform& os)
{
    return appdata_dir(os) + L"\\" + exe_title(os) + L"\\install_log.txt";
}

// Runs from the program folder that it removes: a copy under %TEMP% does the work, while this
// process waits for it and passes on its exit code.
int uninstall_through_copy(platform& os, const command_line& line, update_log& log)
{
    std::wstring copy;
    try {
        copy = install::copy_program_to_temp(os);
    } catch (const system_error& e) {
        log.write(L"The uninstall could not copy itself: " + e.text());
        log.write(L"Exit code 3.");
        return install::exit_failed;
    }
    std::wstring parameters = L"/uninstall /installation=\"" + without_trailing_backslash(installation_folder(os)) + L"\"";
    if (line.silent) parameters += L" /silent";
    parameters += L" \"/log=" + log.path() + L"\"";
    int code = install::exit_failed;
    try {
        code = static_cast<int>(os.run_and_wait(copy, parameters));
    } catch (const system_error& e) {
        log.write(L"The uninstall's copy could not be started: " + e.text());
    }
    // The copy has ended, so it can go now; the folder goes with it unless this program was
    // moved into it (the next run sweeps that).
    os.delete_file(copy);
    os.remove_directory(without_trailing_backslash(folder_part_of(copy)));
    return code;
}

int run_uninstall(platform& os, const command_line& line, update_log& log)
{
    if (!line.installation) return uninstall_through_copy(os, line, log);
    install::uninstall_options options;
    options.program_folder = *line.installation;
    options.silent = line.silent;
    options.parent_program = with_trailing_backslash(*line.installation) + file_name_of(os.program_path());
    return install::uninstall(os, options, log);
}

}  // namespace

int run_without_windows(platform& os, const command_line& line)
{
    // The per-user working folder, which the window's start-up makes, holds the default log.
    if (!line.log_path) ensure_dir(os, appdata_dir(os) + L"\\" + exe_title(os));
    const bool installing = line.what == action::install || line.what == action::uninstall;
    if (!line.installation) install::sweep_uninstall_copies(os);
    update_log log(os, line.log_path.value_or(installing ? default_install_log_path(os) : update::default_log_path(os)));
    if (line.what == action::usage || line.what == action::windows) {
        log.write(L"Command line not understood: " + line.not_understood);
        log.write(message(msg::command_line_usage, ui_language::english) + L"\r\n" +
                  message(msg::install_usage, ui_language::english));
        return exit_code_usage;
    }
    try {
        if (line.what == action::install) {
            install::install_options options;
            options.licence_accepted = line.licence_accepted;
            options.folder = line.install_folder.value_or(L"");
            options.shortcuts = !line.no_shortcuts;
            return install::unattended_install(os, options, log);
        }
        if (line.what == action::uninstall) return run_uninstall(os, line, log);
        return run_update(os, log, line.sources);
    } catch (const system_error& e) {
        log.write(L"Ended: " + e.text());
        log.write(L"Exit code 3.");
        return static_cast<int>(result::failed);
    }
}

}  // namespace qs
