#pragma once
// What both windows of the program are made of: one table row per control (name, kind, text,
// rectangle, font, tab order, colours), built into child windows in table order, and a window
// base class that paints the background photograph, colours the controls as their rows say and
// keeps every exception inside its window procedure. Tables are in pixels of a 96-DPI screen;
// each window scales them, and its fonts, to the DPI of its monitor, and again when it moves to
// a monitor of another DPI.

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "basics/win32/picture.h"
#include "platform/win32/gui_handles.h"

namespace qs::win32 {

enum class control_kind {
    label,          // transparent static text over the picture
    opaque_label,   // static text on its own background, sized to its text
    memo,           // multi-line text box, word wrap, no scroll bars
    scrolling_memo, // multi-line text box with a vertical scroll bar
    button,
    default_button, // the button that Enter presses
    check_box,
    panel,          // a coloured area holding controls of its own
};

// A font by face name and height in pixels at 96 DPI; an empty face means the window's default font.
struct font_spec {
    const wchar_t* face = nullptr;
    int pixels = 0;
};

// How a control's background is painted.
enum class backdrop { system, transparent, solid };

inline constexpr COLORREF system_colour = CLR_INVALID;

struct control_row {
    int id = 0;  // control identifier, reported in WM_COMMAND
    const wchar_t* name = L"";
    control_kind kind = control_kind::label;
    std::wstring text;
    int left = 0, top = 0, width = 0, height = 0;
    font_spec font;
    int tab_order = -1;  // -1: no tab stop
    COLORREF text_colour = system_colour;
    backdrop back = backdrop::system;
    COLORREF back_colour = system_colour;
    int parent_id = 0;  // 0: the window itself, else the id of a panel row
    bool visible = true;
};

// The child windows made from one table, with the fonts and brushes they use.
class control_set {
public:
    // Creates every row as a child of `window` (or of its panel), in table order, at the
    // window's DPI, then orders siblings by tab order so that Tab moves through them as the table says.
    void build(HWND window, HINSTANCE instance, const std::vector<control_row>& rows, font_spec default_font);
    // Places and sizes every control, and makes its font, for another DPI.
    void rescale(int dpi);

    HWND handle(int id) const;
    const control_row* row_of(HWND child) const;
    // Sets a control's text; a label is sized to its new text and repainted over the picture.
    void set_text(int id, const std::wstring& text);
    std::wstring text(int id) const;
    // Answers WM_CTLCOLOR*; false when the control keeps the system's colours.
    bool colour(HWND child, HDC dc, LRESULT& brush);
    // Sizes a label to its text as it would be drawn in its font.
    void fit_to_text(int id);

private:
    HFONT font(font_spec spec);
    HBRUSH brush(COLORREF colour);
    RECT scaled_rect(const control_row& row) const;

    struct built {
        control_row row;
        HWND hwnd = nullptr;
    };
    HWND window_ = nullptr;
    int dpi_ = 96;
    font_spec default_font_;
    std::vector<built> controls_;
    std::map<std::pair<std::wstring, int>, font_handle> fonts_;
    std::map<COLORREF, brush_handle> brushes_;
};

// A top-level window of the program: background picture stretched over the client area,
// controls from one table, and no exception ever leaving its window procedure.
class form_window {
public:
    form_window(HINSTANCE instance, int picture_id);
    virtual ~form_window();
    form_window(const form_window&) = delete;
    form_window& operator=(const form_window&) = delete;

    HWND hwnd() const noexcept { return hwnd_; }

protected:
    // Creates the (hidden) window with this client size (at 96 DPI, scaled to its monitor's),
    // centred on the screen.
    void create(const wchar_t* class_name, const std::wstring& caption, DWORD style, int client_width,
                int client_height, COLORREF background);
    // The window's own messages; the default paints, colours and closes.
    virtual LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    // A failure that reached the window procedure.
    virtual void report_unexpected(const std::wstring& text);

    HINSTANCE instance_;
    control_set controls_;

private:
    static constexpr DWORD ex_style = WS_EX_CONTROLPARENT;

    static LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT guarded(UINT message, WPARAM wparam, LPARAM lparam) noexcept;
    // Sizes the window and its controls for this DPI, its top left corner where given.
    void resize_for_dpi(int dpi, const RECT& suggested);

    HWND hwnd_ = nullptr;
    int client_width_ = 0, client_height_ = 0;  // at 96 DPI
    picture picture_;
    brush_handle background_;
};

}  // namespace qs::win32
