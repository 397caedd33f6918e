#include "licence_agreement/win32/licence_agreement_form.h"

#include "licence_agreement/licence_texts.h"
#include "resources/resource_ids.h"

namespace qs::win32 {

namespace {

enum id : int { Label1 = 101, Panel1, Memo1, CheckBox, Button1 = IDOK };

constexpr int client_width = 784;
constexpr int client_height = 514;
constexpr font_spec tahoma{L"Tahoma", 11};
constexpr COLORREF silver = RGB(192, 192, 192);

std::vector<control_row> licence_form_table()
{
    std::vector<control_row> rows;
    //      id       name        kind                          text               left top  width height font                       tab
    rows.push_back({Label1, L"Label1", control_kind::label, licence::heading, 40, 40, 183, 27, {L"Times New Roman", 24}, -1,
                    system_colour, backdrop::transparent});
    rows.push_back({Panel1, L"Panel1", control_kind::panel, L"", 432, 216, 329, 265, {}, 0, system_colour,
                    backdrop::solid, silver});
    rows.push_back({Memo1, L"Memo1", control_kind::memo, licence::agreement_text(), 8, 8, 313, 171, {}, 0,
                    system_colour, backdrop::solid, RGB(255, 255, 255), Panel1});
    rows.push_back({CheckBox, L"CheckBox", control_kind::check_box, licence::accept_text, 24, 185, 313, 33, {}, 1,
                    system_colour, backdrop::solid, silver, Panel1});
    rows.push_back({Button1, L"Button1", control_kind::default_button, licence::start_text, 8, 224, 313, 33, {}, 2,
                    system_colour, backdrop::system, system_colour, Panel1});
    return rows;
}

}  // namespace

Tlicence_agreement_form::Tlicence_agreement_form(HINSTANCE instance) : form_window(instance, QS_PICTURE_LICENCE)
{
    // A fixed frame: the controls stand where the form puts them.
    create(L"Tlicence_agreement_form", licence::caption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS,
           client_width, client_height, GetSysColor(COLOR_BTNFACE));
    if (hwnd()) controls_.build(hwnd(), instance_, licence_form_table(), tahoma);
}

bool Tlicence_agreement_form::show_modal()
{
    if (!hwnd()) return false;
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    SetForegroundWindow(hwnd());
    SetFocus(controls_.handle(Memo1));
    MSG m;
    while (!closed_) {
        const BOOL got = GetMessageW(&m, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(m.wParam));
            break;
        }
        if (got < 0) break;
        if (hwnd() && IsDialogMessageW(hwnd(), &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return accepted_;
}

void Tlicence_agreement_form::close_form()
{
    if (closed_) return;
    // How the window was closed does not matter: only the check box decides.
    accepted_ = SendMessageW(controls_.handle(CheckBox), BM_GETCHECK, 0, 0) == BST_CHECKED;
    closed_ = true;
    ShowWindow(hwnd(), SW_HIDE);
}

LRESULT Tlicence_agreement_form::handle(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wparam) == Button1 && (HIWORD(wparam) == BN_CLICKED || lparam == 0)) close_form();
        return 0;
    case WM_CLOSE:
        close_form();
        return 0;
    default:
        return form_window::handle(message, wparam, lparam);
    }
}

}  // namespace qs::win32
