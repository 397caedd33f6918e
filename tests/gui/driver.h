#pragma once
// A small driver for the program's windows, running under the same Wine as the program: it
// starts the program, finds its windows with bounded waits, reads texts, clicks buttons and
// answers message boxes by their button texts. GUI tests of every task use it.

#include <windows.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qs::gui {

using namespace std::chrono_literals;
inline constexpr std::chrono::milliseconds default_wait = 20s;

// The program started in a folder, with the arguments after its name (as written on a command
// line), ended (if still running) when the object goes.
class program {
public:
    program(const std::wstring& exe, const std::wstring& working_folder, const std::wstring& arguments = L"");
    ~program();
    program(const program&) = delete;
    program& operator=(const program&) = delete;

    DWORD id() const noexcept { return info_.dwProcessId; }
    bool started() const noexcept { return info_.hProcess != nullptr; }
    // True when the process ended within the wait; its exit code in `code`.
    bool wait_for_exit(DWORD& code, std::chrono::milliseconds wait = default_wait);

private:
    PROCESS_INFORMATION info_{};
};

// Waits until `found` gives a window or the wait ends (nullptr then).
HWND wait_until(const std::function<HWND()>& found, std::chrono::milliseconds wait = default_wait);
// Waits until the condition holds; false when the wait ended first.
bool wait_for(const std::function<bool()>& condition, std::chrono::milliseconds wait = default_wait);

// A visible top-level window of the process with this class (any when empty) and caption
// (any when `caption` is null).
HWND find_top_window(DWORD process, const std::wstring& class_name, const wchar_t* caption = nullptr);
HWND wait_for_top_window(DWORD process, const std::wstring& class_name, const wchar_t* caption = nullptr,
                         std::chrono::milliseconds wait = default_wait);
// The visible top-level windows of the process.
std::vector<HWND> top_windows(DWORD process);

// A message sent to a window of the program, answered within the wait. A program whose window
// does not answer fails the test with window_not_answering, instead of holding the whole suite.
struct window_not_answering : std::runtime_error {
    using std::runtime_error::runtime_error;
};
LRESULT send(HWND window, UINT message, WPARAM w = 0, LPARAM l = 0, std::chrono::milliseconds wait = default_wait);

std::vector<HWND> children(HWND parent);  // every descendant, in enumeration order
std::wstring text_of(HWND window);         // WM_GETTEXT
std::wstring class_of(HWND window);
// A descendant of this class (any when empty) whose text, with every "&" dropped, is `text`.
HWND child_with_text(HWND parent, const std::wstring& text, const std::wstring& class_name = L"");
// A descendant whose rectangle, in the parent's client coordinates, starts at left, top.
HWND child_at(HWND parent, int left, int top);
// The rectangle of a window in its top-level window's client coordinates.
RECT client_rect_in(HWND top, HWND child);

// Clicks without waiting for what the click starts (a modal box would block a sent click).
void click(HWND button);
bool is_checked(HWND check_box);

// A message box or dialog of class #32770 of the process: its message text, and its answer.
HWND wait_for_message_box(DWORD process, std::chrono::milliseconds wait = default_wait);
std::wstring message_text(HWND box);
// A box of the process showing exactly this message.
HWND wait_for_message_box_saying(DWORD process, const std::wstring& text,
                                 std::chrono::milliseconds wait = default_wait);
// Presses the box's button with this text ("OK", "Yes", "No"; "&" ignored). False when it has none.
bool answer(HWND box, const std::wstring& button_text);
// Answers, then waits until the box has gone, so that a box asking the same again is never taken
// for this one. False when it has no such button, or stays.
bool dismiss(HWND box, const std::wstring& button_text);

// Lines of a multi-line text as the program's text boxes hold them (split at CR LF).
std::vector<std::wstring> lines_of(const std::wstring& text);

// The program's two windows, by class.
inline constexpr const wchar_t* licence_class = L"Tlicence_agreement_form";
inline constexpr const wchar_t* main_class = L"Tsetup_main_page";
// Waits for the licence window, by its class and caption.
HWND licence_window(const program& p);
// Waits for the licence window, ticks its check box and presses "Start software setup ...":
// the main window, or nullptr when any of that is not there.
HWND accept_licence(const program& p);

}  // namespace qs::gui
