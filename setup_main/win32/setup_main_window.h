#pragma once
// The main window: the controls of the setup form, the info pane and progress label that the
// tasks write to, and the routing of clicks to Tsetup_main_page.

#include <shobjidl.h>

#include <optional>

#include "basics/win32/form_kit.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"
#include "setup_main/setup_main_page.h"

namespace qs::win32 {

class Tsetup_main_window : public form_window, public main_window_view {
public:
    Tsetup_main_window(HINSTANCE instance, win32_platform& os);
    ~Tsetup_main_window() override;

    // Creates the window and its controls, runs FormCreate, then shows the window with a first
    // line in the info pane when there is one (what the start of the program had to report).
    bool create_and_show(int show_command, const std::optional<std::wstring>& first_note = std::nullopt);
    // The message loop, until the window is closed.
    int run();

    Tsetup_main_page& page() { return page_; }

    // ---- main_window_view
    void append_info(const std::wstring& line) override;
    void set_progress(const std::wstring& text) override;
    void set_caption(const std::wstring& text) override;
    void set_control_text(control which, const std::wstring& text) override;
    void set_info_lines(const std::vector<std::wstring>& lines) override;
    void set_enabled(control which, bool enabled) override;
    void close_window() override;
    void show_task_progress(std::uint64_t done, std::uint64_t total) override;
    void show_task_failed() override;
    void clear_task_progress() override;

protected:
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;
    void report_unexpected(const std::wstring& text) override;

private:
    void run_form_create();
    void on_command(int id);
    void on_close();
    ITaskbarList3* taskbar();

    win32_platform& os_;
    Tsetup_main_page page_;
    bool close_pending_ = false;
    // The taskbar button's progress, made at first use; empty where the shell has none.
    com_ptr<ITaskbarList3> taskbar_;
    bool taskbar_tried_ = false;
};

}  // namespace qs::win32
