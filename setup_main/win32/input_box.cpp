// The input box: a title, a prompt, one edit field prefilled with a default text, OK and
// Cancel. Cancel (or the close box) gives the default text back unchanged.
#include <exception>

#include "platform/win32/win32_platform.h"
#include "setup_main/win32/dialog_template.h"

namespace qs::win32 {

namespace {

constexpr WORD prompt_id = 100;
constexpr WORD edit_id = 101;

struct input_state {
    const std::wstring* prompt;
    std::wstring text;
};

std::wstring item_text(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

INT_PTR CALLBACK input_box_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) noexcept
{
    try {
        auto* state = reinterpret_cast<input_state*>(GetWindowLongPtrW(dialog, DWLP_USER));
        switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lparam);
            state = reinterpret_cast<input_state*>(lparam);
            SetDlgItemTextW(dialog, prompt_id, state->prompt->c_str());
            SetDlgItemTextW(dialog, edit_id, state->text.c_str());
            SendDlgItemMessageW(dialog, edit_id, EM_SETSEL, 0, -1);
            SetFocus(GetDlgItem(dialog, edit_id));
            return FALSE;  // the focus is set
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK) {
                state->text = item_text(dialog, edit_id);
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wparam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
        }
    } catch (...) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
}

}  // namespace

std::wstring win32_platform::input_box(const std::wstring& title, const std::wstring& prompt,
                                       const std::wstring& default_text, const dialog_buttons& buttons)
{
    dialog_template dlg(title, 180, 63);
    dlg.add(dialog_template::label, L"", prompt_id, SS_LEFT | SS_NOPREFIX, 6, 6, 168, 10);
    dlg.add(dialog_template::edit, L"", edit_id, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 6, 18, 168, 12);
    dlg.add(dialog_template::button, buttons.ok, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 41, 41, 50, 14);
    dlg.add(dialog_template::button, buttons.cancel, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 95, 41, 50, 14);
    input_state state{&prompt, default_text};
    const INT_PTR result = dlg.run(main_window, input_box_proc, reinterpret_cast<LPARAM>(&state));
    return result == IDOK ? state.text : default_text;
}

}  // namespace qs::win32
