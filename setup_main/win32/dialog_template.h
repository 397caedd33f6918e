#pragma once
// An in-memory dialog template (DLGTEMPLATE and its items), for the program's own small
// dialogs, which the dialog manager then runs like any other dialog of class #32770.

#include <windows.h>

#include <string>
#include <vector>

namespace qs::win32 {

class dialog_template {
public:
    // Positions and sizes are in dialog units; the font is given in points.
    dialog_template(const std::wstring& title, short width, short height, const wchar_t* font_face = L"MS Shell Dlg",
                    WORD font_points = 8, DWORD style = default_style);

    static constexpr DWORD default_style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;

    // Predefined classes by their atom: 0x0080 button, 0x0081 edit, 0x0082 static, 0x0083 list
    // box, 0x0085 combo box.
    void add(WORD class_atom, const std::wstring& text, WORD id, DWORD style, short x, short y, short cx, short cy,
             DWORD ex_style = 0);

    // A window class by its name, as the common controls' "msctls_progress32".
    void add(const wchar_t* class_name, const std::wstring& text, WORD id, DWORD style, short x, short y, short cx,
             short cy, DWORD ex_style = 0);

    // Runs the dialog modally; the procedure receives `param` with WM_INITDIALOG.
    INT_PTR run(HWND owner, DLGPROC procedure, LPARAM param) const;
    // Makes the dialog without running it (a modeless one); null when it could not be made.
    HWND create(HWND owner, DLGPROC procedure, LPARAM param) const;

    static constexpr WORD button = 0x0080, edit = 0x0081, label = 0x0082, list_box = 0x0083, combo_box = 0x0085;

private:
    void put(WORD w) { words_.push_back(w); }
    void put_dword(DWORD d)
    {
        put(LOWORD(d));
        put(HIWORD(d));
    }
    void put_text(const std::wstring& text);
    void align_dword();
    void put_item_frame(DWORD style, DWORD ex_style, short x, short y, short cx, short cy, WORD id);

    std::vector<WORD> words_;
    std::size_t count_at_ = 0;  // index of the item count
};

}  // namespace qs::win32
