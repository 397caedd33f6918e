#include "basics/win32/form_kit.h"

#include <algorithm>
#include <exception>
#include <set>

#include "basics/text_files.h"
#include "basics/win32/dpi.h"
#include "platform/platform.h"

namespace qs::win32 {

namespace {

const wchar_t* const panel_class = L"QsPanel";

// A panel paints its colour with a raised edge and passes its children's notifications on to
// the window that owns the table, so that clicks and colours are handled in one place.
LRESULT CALLBACK panel_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return SendMessageW(GetParent(hwnd), message, wparam, lparam);
    case WM_ERASEBKGND: {
        RECT area;
        GetClientRect(hwnd, &area);
        const brush_handle fill(CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))));
        FillRect(reinterpret_cast<HDC>(wparam), &area, fill.get());
        DrawEdge(reinterpret_cast<HDC>(wparam), &area, BDR_RAISEDINNER, BF_RECT);
        return 1;
    }
    default:
        return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

void register_class_once(HINSTANCE instance, const wchar_t* name, WNDPROC proc)
{
    static std::set<std::wstring> registered;
    if (registered.count(name)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = name;
    if (RegisterClassExW(&wc)) registered.insert(name);
}

struct window_kind {
    const wchar_t* class_name;
    DWORD style;
    DWORD ex_style;
};

window_kind kind_of(control_kind kind)
{
    constexpr DWORD text_box = ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY;
    switch (kind) {
    case control_kind::label: return {L"STATIC", SS_LEFTNOWORDWRAP, 0};
    case control_kind::opaque_label: return {L"STATIC", SS_LEFTNOWORDWRAP, 0};
    case control_kind::memo: return {L"EDIT", text_box, WS_EX_CLIENTEDGE};
    case control_kind::scrolling_memo: return {L"EDIT", text_box | WS_VSCROLL, WS_EX_CLIENTEDGE};
    case control_kind::button: return {L"BUTTON", BS_PUSHBUTTON, 0};
    case control_kind::default_button: return {L"BUTTON", BS_DEFPUSHBUTTON, 0};
    case control_kind::check_box: return {L"BUTTON", BS_AUTOCHECKBOX, 0};
    case control_kind::panel: return {panel_class, 0, WS_EX_CONTROLPARENT};
    }
    return {L"STATIC", 0, 0};
}

// "MS Sans Serif" is a bitmap font with a few fixed sizes, drawn coarsely when enlarged: above
// 96 DPI its TrueType twin draws the text.
const wchar_t* face_at(const std::wstring& face, int dpi)
{
    if (dpi != layout_dpi && lstrcmpiW(face.c_str(), L"MS Sans Serif") == 0) return L"Microsoft Sans Serif";
    return face.c_str();
}

bool is_label(control_kind kind)
{
    return kind == control_kind::label || kind == control_kind::opaque_label;
}

std::wstring window_text(HWND hwnd)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

void control_set::build(HWND window, HINSTANCE instance, const std::vector<control_row>& rows, font_spec default_font)
{
    register_class_once(instance, panel_class, panel_proc);
    window_ = window;
    dpi_ = dpi_of(window);
    default_font_ = default_font;
    for (const control_row& row : rows) {
        const window_kind k = kind_of(row.kind);
        HWND parent = row.parent_id ? handle(row.parent_id) : window;
        DWORD style = WS_CHILD | WS_CLIPSIBLINGS | k.style | (row.visible ? WS_VISIBLE : 0) | (row.tab_order >= 0 ? WS_TABSTOP : 0);
        if (row.kind == control_kind::panel) style |= WS_CLIPCHILDREN;
        const RECT at = scaled_rect(row);
        HWND child = CreateWindowExW(k.ex_style, k.class_name, row.text.c_str(), style, at.left, at.top,
                                     at.right - at.left, at.bottom - at.top, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), instance, nullptr);
        if (!child) continue;
        if (row.kind == control_kind::panel) SetWindowLongPtrW(child, GWLP_USERDATA, static_cast<LONG_PTR>(row.back_colour));
        if (row.kind == control_kind::memo || row.kind == control_kind::scrolling_memo)
            SendMessageW(child, EM_SETLIMITTEXT, 0, 0);  // no 32 K limit for the panes
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font(row.font)), FALSE);
        controls_.push_back({row, child});
        // Labels size themselves to their text in the font they are drawn with.
        if (row.kind == control_kind::label) fit_to_text(row.id);
    }
    // Tab order: siblings in the order of their tab numbers come first in the child list, the
    // rest keep their creation order behind them.
    std::vector<const built*> tabbed;
    for (const built& b : controls_)
        if (b.row.tab_order >= 0) tabbed.push_back(&b);
    std::stable_sort(tabbed.begin(), tabbed.end(), [](const built* a, const built* b) {
        if (a->row.parent_id != b->row.parent_id) return a->row.parent_id < b->row.parent_id;
        return a->row.tab_order < b->row.tab_order;
    });
    std::map<int, HWND> previous;  // per parent
    for (const built* b : tabbed) {
        auto it = previous.find(b->row.parent_id);
        HWND after = it == previous.end() ? HWND_TOP : it->second;
        SetWindowPos(b->hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous[b->row.parent_id] = b->hwnd;
    }
}

void control_set::rescale(int dpi)
{
    if (dpi == dpi_) return;
    dpi_ = dpi;
    // The controls still draw with the old fonts until each has its new one.
    const auto old_fonts = std::move(fonts_);
    fonts_.clear();
    for (const built& b : controls_) {
        const RECT at = scaled_rect(b.row);
        SetWindowPos(b.hwnd, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(b.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font(b.row.font)), TRUE);
        if (is_label(b.row.kind)) fit_to_text(b.row.id);
    }
}

RECT control_set::scaled_rect(const control_row& row) const
{
    const int left = scaled(row.left, dpi_);
    const int top = scaled(row.top, dpi_);
    // Edges, not sizes, are scaled, so that neighbours that touch at 96 DPI still touch.
    return {left, top, scaled(row.left + row.width, dpi_), scaled(row.top + row.height, dpi_)};
}

HWND control_set::handle(int id) const
{
    for (const built& b : controls_)
        if (b.row.id == id) return b.hwnd;
    return nullptr;
}

const control_row* control_set::row_of(HWND child) const
{
    for (const built& b : controls_)
        if (b.hwnd == child) return &b.row;
    return nullptr;
}

std::wstring control_set::text(int id) const
{
    HWND h = handle(id);
    return h ? window_text(h) : std::wstring();
}

void control_set::set_text(int id, const std::wstring& text)
{
    HWND h = handle(id);
    if (!h) return;
    const control_row* row = row_of(h);
    RECT before;
    GetWindowRect(h, &before);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&before), 2);
    SetWindowTextW(h, text.c_str());
    if (row && is_label(row->kind)) {
        fit_to_text(id);
        // A transparent label has no background of its own: the picture under its old and new
        // extent is drawn again before the text.
        RECT after;
        GetWindowRect(h, &after);
        MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&after), 2);
        RECT both;
        UnionRect(&both, &before, &after);
        RedrawWindow(GetParent(h), &both, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
}

void control_set::fit_to_text(int id)
{
    HWND h = handle(id);
    const control_row* row = row_of(h);
    if (!h || !row) return;
    const std::wstring text = window_text(h);
    const window_dc dc(h);
    HGDIOBJ old = SelectObject(dc.get(), font(row->font));
    SIZE extent{0, 0};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.get(), &metrics);
    SelectObject(dc.get(), old);
    const RECT at = scaled_rect(*row);
    const int width = text.empty() ? at.right - at.left : extent.cx;
    const int height = metrics.tmHeight > 0 ? metrics.tmHeight : at.bottom - at.top;
    SetWindowPos(h, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool control_set::colour(HWND child, HDC dc, LRESULT& result)
{
    const control_row* row = row_of(child);
    if (!row || (row->text_colour == system_colour && row->back == backdrop::system)) return false;
    if (row->text_colour != system_colour) SetTextColor(dc, row->text_colour);
    switch (row->back) {
    case backdrop::transparent:
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        return true;
    case backdrop::solid:
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, row->back_colour);
        result = reinterpret_cast<LRESULT>(brush(row->back_colour));
        return true;
    case backdrop::system:
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        return true;
    }
    return false;
}

HFONT control_set::font(font_spec spec)
{
    if (!spec.face) spec = default_font_;
    auto key = std::make_pair(std::wstring(spec.face ? spec.face : L""), spec.pixels);
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second.get();
    LOGFONTW lf{};
    // Character height without internal leading, as the form states it. Rounded down: text a
    // fraction wider than its box would wrap lines that fit at 96 DPI.
    lf.lfHeight = -(spec.pixels * dpi_ / layout_dpi);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, face_at(key.first, dpi_), LF_FACESIZE);
    return fonts_.emplace(key, font_handle(CreateFontIndirectW(&lf))).first->second.get();
}

HBRUSH control_set::brush(COLORREF colour)
{
    auto it = brushes_.find(colour);
    if (it != brushes_.end()) return it->second.get();
    return brushes_.emplace(colour, brush_handle(CreateSolidBrush(colour))).first->second.get();
}

// ---- form_window

form_window::form_window(HINSTANCE instance, int picture_id)
    : instance_(instance), picture_(picture::from_resource(instance, picture_id))
{
}

form_window::~form_window()
{
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void form_window::create(const wchar_t* class_name, const std::wstring& caption, DWORD style, int client_width,
                         int client_height, COLORREF background)
{
    register_class_once(instance_, class_name, window_proc);
    background_.reset(CreateSolidBrush(background));
    client_width_ = client_width;
    client_height_ = client_height;
    // The window opens on the primary monitor, whose DPI the system's is; should the window's
    // own differ, it is sized again once it exists.
    const int dpi = system_dpi();
    const RECT frame = frame_around(scaled(client_width, dpi), scaled(client_height, dpi), style, ex_style, dpi);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = std::max<int>(work.left, work.left + (work.right - work.left - width) / 2);
    const int y = std::max<int>(work.top, work.top + (work.bottom - work.top - height) / 2);
    CreateWindowExW(ex_style, class_name, caption.c_str(), style, x, y, width, height, nullptr, nullptr, instance_,
                    this);
    if (hwnd_ && dpi_of(hwnd_) != dpi) {
        RECT placed;
        GetWindowRect(hwnd_, &placed);
        resize_for_dpi(dpi_of(hwnd_), placed);
    }
}

void form_window::resize_for_dpi(int dpi, const RECT& suggested)
{
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
    const RECT frame = frame_around(scaled(client_width_, dpi), scaled(client_height_, dpi), style, ex_style, dpi);
    controls_.rescale(dpi);
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK form_window::window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<form_window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<form_window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
    const LRESULT result = self->guarded(message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

LRESULT form_window::guarded(UINT message, WPARAM wparam, LPARAM lparam) noexcept
{
    try {
        return handle(message, wparam, lparam);
    } catch (const system_error& e) {
        report_unexpected(e.text());
    } catch (const std::exception& e) {
        report_unexpected(utf8_to_wide(e.what()));
    } catch (...) {
        report_unexpected(L"Unexpected error.");
    }
    return 0;
}

void form_window::report_unexpected(const std::wstring& text)
{
    MessageBoxW(hwnd_, text.c_str(), nullptr, MB_OK | MB_ICONERROR);
}

LRESULT form_window::handle(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_ERASEBKGND: {
        RECT area;
        GetClientRect(hwnd_, &area);
        picture_.draw(reinterpret_cast<HDC>(wparam), area, background_.get());
        return 1;
    }
    case WM_SIZE:
        // The picture follows the client area.
        InvalidateRect(hwnd_, nullptr, TRUE);
        return 0;
    case WM_DPICHANGED:
        // Moved to a monitor of another DPI: where the system suggests, at the size for that DPI.
        resize_for_dpi(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: {
        LRESULT brush = 0;
        if (controls_.colour(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam), brush)) return brush;
        break;
    }
    default:
        break;
    }
    return DefWindowProcW(hwnd_, message, wparam, lparam);
}

}  // namespace qs::win32
