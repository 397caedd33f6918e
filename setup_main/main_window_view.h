#pragma once
// What the tasks see of the main window: the info pane, the progress label, the texts and the
// button states. The Win32 window implements it; the portable tests record it.

#include <cstdint>
#include <string>
#include <vector>

namespace qs {

// The main window's components, named as the window's form names them.
enum class control {
    Label1,
    copy_button,
    register_button,
    launch_button,
    help_shortcut_button,
    exit_button,
    update_button,
    // The form's ButtonN names stay (the window and its tests find the buttons by them); what
    // each one runs:
    Button1,  // the hidden line conversion of a Pascal source file
    Button2,  // "Re-register components of current directory"
    Button3,  // "Generate backup folder"
    Button4,  // "Internet update"
    Button5,  // "Generate file list"
    info,
    info_lines,
    show_progress,
};

class main_window_view {
public:
    virtual ~main_window_view() = default;
    // Appends one line at the end of the info pane; an empty text appends an empty line.
    virtual void append_info(const std::wstring& line) = 0;
    // Replaces the progress label's text, then lets the message loop run once so it is painted.
    virtual void set_progress(const std::wstring& text) = 0;
    virtual void set_caption(const std::wstring& text) = 0;
    virtual void set_control_text(control which, const std::wstring& text) = 0;
    virtual void set_info_lines(const std::vector<std::wstring>& lines) = 0;
    virtual void set_enabled(control which, bool enabled) = 0;
    // Closes the main window, which ends the message loop and the program.
    virtual void close_window() = 0;
    // The progress of a long task on the window's taskbar button: done of total, the error state
    // while the task's failure is shown, and none.
    virtual void show_task_progress(std::uint64_t done, std::uint64_t total) = 0;
    virtual void show_task_failed() = 0;
    virtual void clear_task_progress() = 0;
};

}  // namespace qs
