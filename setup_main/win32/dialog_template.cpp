#include "setup_main/win32/dialog_template.h"

namespace qs::win32 {

dialog_template::dialog_template(const std::wstring& title, short width, short height, const wchar_t* font_face,
                                 WORD font_points, DWORD style)
{
    put_dword(style);
    put_dword(0);  // extended style
    count_at_ = words_.size();
    put(0);  // item count, counted by add()
    put(0);  // x
    put(0);  // y
    put(static_cast<WORD>(width));
    put(static_cast<WORD>(height));
    put(0);  // no menu
    put(0);  // the standard dialog class
    put_text(title);
    put(font_points);
    put_text(font_face);
}

void dialog_template::put_text(const std::wstring& text)
{
    for (wchar_t ch : text) put(static_cast<WORD>(ch));
    put(0);
}

void dialog_template::align_dword()
{
    if (words_.size() % 2) put(0);
}

void dialog_template::put_item_frame(DWORD style, DWORD ex_style, short x, short y, short cx, short cy, WORD id)
{
    align_dword();
    put_dword(style | WS_CHILD | WS_VISIBLE);
    put_dword(ex_style);
    put(static_cast<WORD>(x));
    put(static_cast<WORD>(y));
    put(static_cast<WORD>(cx));
    put(static_cast<WORD>(cy));
    put(id);
}

void dialog_template::add(WORD class_atom, const std::wstring& text, WORD id, DWORD style, short x, short y,
                          short cx, short cy, DWORD ex_style)
{
    put_item_frame(style, ex_style, x, y, cx, cy, id);
    put(0xFFFF);
    put(class_atom);
    put_text(text);
    put(0);  // no creation data
    ++words_[count_at_];
}

void dialog_template::add(const wchar_t* class_name, const std::wstring& text, WORD id, DWORD style, short x,
                          short y, short cx, short cy, DWORD ex_style)
{
    put_item_frame(style, ex_style, x, y, cx, cy, id);
    put_text(class_name);
    put_text(text);
    put(0);  // no creation data
    ++words_[count_at_];
}

INT_PTR dialog_template::run(HWND owner, DLGPROC procedure, LPARAM param) const
{
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(words_.data()),
                                   owner, procedure, param);
}

HWND dialog_template::create(HWND owner, DLGPROC procedure, LPARAM param) const
{
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(words_.data()),
                                      owner, procedure, param);
}

}  // namespace qs::win32
