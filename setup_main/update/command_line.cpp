#include "setup_main/update/command_line.h"

#include "basics/paths.h"
#include "basics/text_files.h"
#include "build_settings.h"
#include "setup_main/server_paths.h"
#include "setup_main/update/internet_update.h"
#include "setup_main/update/sources.h"

namespace qs::update {
namespace {

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

// No window and no box: what the run says goes to the log, and files in use end it.
class unattended_observer : public observer {
public:
    explicit unattended_observer(update_log& log) : log_(log) {}
    void progress(const std::wstring&) override {}
    void note(const std::wstring& line) override { log_.write(line); }
    void bytes_staged(std::uint64_t, std::uint64_t) override {}
    bool retry_files_in_use(const std::wstring&) override { return false; }

private:
    update_log& log_;
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
    unattended_observer watcher(log);
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

command_line parse_command_line(const std::vector<std::wstring>& arguments)
{
    command_line line;
    if (arguments.empty()) return line;
    for (const std::wstring& argument : arguments) {
        const std::optional<option> o = option_of(argument);
        if (o && o->name == L"update" && !o->value) {
            line.update_asked = true;
        } else if (o && o->name == L"log" && o->value && !o->value->empty() && !line.log_path) {
            line.log_path = o->value;
        } else if (o && o->name == L"source" && o->value && parse_sources(*o->value, update_server_account())) {
            line.sources = line.sources ? *line.sources + L";" + *o->value : *o->value;
        } else if (line.not_understood.empty()) {
            line.not_understood = argument;
        }
    }
    if (!line.update_asked && line.not_understood.empty()) line.not_understood = L"/log without /update";
    line.what = line.not_understood.empty() ? command_line::action::update : command_line::action::usage;
    return line;
}

int run_without_windows(platform& os, const command_line& line)
{
    // The per-user working folder, which the window's start-up makes, holds the default log.
    if (!line.log_path) ensure_dir(os, appdata_dir(os) + L"\\" + exe_title(os));
    update_log log(os, line.log_path.value_or(default_log_path(os)));
    if (line.what != command_line::action::update) {
        log.write(L"Command line not understood: " + line.not_understood);
        log.write(message(msg::command_line_usage, ui_language::english));
        return exit_code_usage;
    }
    try {
        return run_update(os, log, line.sources);
    } catch (const system_error& e) {
        log.write(L"Ended: " + e.text());
        log.write(L"Exit code 3.");
        return static_cast<int>(result::failed);
    }
}


}  // namespace qs::update
