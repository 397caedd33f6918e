#pragma once
// The main window: the controls of the setup form, the info pane and progress label that the
// tasks write to, and the routing of clicks to Tsetup_main_page.

#include "basics/win32/form_kit.h"
#include "platform/win32/win32_platform.h"
#include "setup_main/setup_main_page.h"

namespace qs::win32 {

class Tsetup_main_window : public form_window, public main_window_view {
public:
    Tsetup_main_window(HINSTANCE instance, win32_platform& os);
    ~Tsetup_main_window() override;

    // Creates the window and its controls, runs FormCreate, then shows the window.
    bool create_and_show(int show_command);
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

protected:
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;
    void report_unexpected(const std::wstring& text) override;

private:
    void run_form_create();
    void on_command(int id);

    win32_platform& os_;
    Tsetup_main_page page_;
    bool close_pending_ = false;
};

}  // namespace qs::win32
