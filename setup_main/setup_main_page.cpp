#include "setup_main/setup_main_page.h"

#include <algorithm>
#include <new>

#include "basics/paths.h"
#include "basics/text_files.h"
#include "build_settings.h"

namespace qs {

Tsetup_main_page::Tsetup_main_page(platform& os, main_window_view& view) : os_(os), view_(view)
{
    if constexpr (build::has_update_signing_key) update_signing_key = build::update_signing_key;
}

std::wstring Tsetup_main_page::text(msg id, std::initializer_list<std::wstring> args) const
{
    return message(id, language, args);
}

std::wstring Tsetup_main_page::own_folder() const
{
    return installation_folder(os_);
}

void Tsetup_main_page::disable(control which)
{
    if (!is_enabled(which)) return;
    disabled_.push_back(which);
    view_.set_enabled(which, false);
}

bool Tsetup_main_page::is_enabled(control which) const
{
    return std::find(disabled_.begin(), disabled_.end(), which) == disabled_.end();
}

namespace {
// Marks the page busy for the life of one task, so that no way out of it leaves the flag set.
class busy_while_running {
public:
    explicit busy_while_running(bool& busy) noexcept : busy_(busy) { busy_ = true; }
    ~busy_while_running() { busy_ = false; }
    busy_while_running(const busy_while_running&) = delete;
    busy_while_running& operator=(const busy_while_running&) = delete;

private:
    bool& busy_;
};
}  // namespace

void Tsetup_main_page::run_task(const std::function<void()>& task)
{
    if (busy_) return;
    const busy_while_running busy(busy_);
    try {
        try {
            task();
        } catch (const system_error& e) {
            os_.show_error(e.text());
        } catch (const std::bad_alloc&) {
            os_.show_error(text(msg::out_of_memory));
        } catch (const std::exception& e) {
            os_.show_error(utf8_to_wide(e.what()));
        } catch (...) {
            os_.show_error(text(msg::unexpected_failure));
        }
    } catch (...) {
        // Not even the error box could be shown (memory is that short): the task has ended all the
        // same, and the window stays usable.
    }
}

void Tsetup_main_page::click(control which)
{
    switch (which) {
    case control::exit_button: exit_buttonClick(); break;
    case control::copy_button: copy_buttonClick(); break;
    case control::register_button: register_buttonClick(); break;
    case control::launch_button: launch_buttonClick(); break;
    case control::help_shortcut_button: help_shortcut_buttonClick(); break;
    case control::Button1: Button1Click(); break;
    case control::update_button: update_buttonClick(); break;
    case control::Button2: Button2Click(); break;
    case control::Button3: Button3Click(); break;
    case control::Button4: Button4Click(); break;
    case control::Button5: Button5Click(); break;
    default: break;
    }
}

void Tsetup_main_page::exit_buttonClick()
{
    view_.close_window();
}

void Tsetup_main_page::copy_buttonClick() { run_task([this] { copy_files(); }); }
void Tsetup_main_page::register_buttonClick() { run_task([this] { register_target_or_own_folder(); }); }
void Tsetup_main_page::register_target_or_own_folder()
{
    register_components(target_folder.empty() ? own_folder() : target_folder);
}
void Tsetup_main_page::launch_buttonClick() { run_task([this] { launch_program(target_folder); }); }
void Tsetup_main_page::help_shortcut_buttonClick() { run_task([this] { create_help_shortcuts(target_folder); }); }
void Tsetup_main_page::update_buttonClick() { run_task([this] { update_action(); }); }
void Tsetup_main_page::Button2Click() { run_task([this] { re_register_components(); }); }
void Tsetup_main_page::Button3Click() { run_task([this] { generate_backup(); }); }

}  // namespace qs

namespace qs {

void Tsetup_main_page::record(const std::wstring& folder, const std::vector<install::record_line>& lines)
{
    if (folder.empty() || lines.empty()) return;
    try {
        install::install_record r(os_, folder);
        for (const install::record_line& line : lines) r.add(line);
    } catch (const system_error&) {
    }
}

}  // namespace qs
