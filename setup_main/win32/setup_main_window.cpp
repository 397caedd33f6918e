#include "setup_main/win32/setup_main_window.h"

#include "platform/win32/message_pump.h"
#include "resources/resource_ids.h"

namespace qs::win32 {

namespace {

constexpr int client_width = 735;
constexpr int client_height = 580;

// Controls of the view keep their enum value as identifier, offset so that none is IDOK or
// IDCANCEL; the three group labels are not part of the view.
constexpr int id_of(control c) { return 200 + static_cast<int>(c); }
enum label_id : int { Label2 = 300, Label3, Label4 };

constexpr font_spec sans{L"MS Sans Serif", 11};
constexpr font_spec sans12{L"MS Sans Serif", 12};
constexpr font_spec times19{L"Times New Roman", 19};
constexpr font_spec times13{L"Times New Roman", 13};
constexpr COLORREF white = RGB(255, 255, 255);

const std::vector<std::wstring>& default_info_lines()
{
    static const std::vector<std::wstring> lines{
        L"This setup routine will install an application from ",
        L"Korvex Hard- and Software. ",
        L"For a complete installation, please click the buttons",
        L"below one after the other.",
    };
    return lines;
}

std::wstring joined(const std::vector<std::wstring>& lines)
{
    std::wstring text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += L"\r\n";
        text += lines[i];
    }
    return text;
}

// The form, in creation order. The background picture (Image2) is the window's own background.
std::vector<control_row> main_form_table()
{
    using k = control_kind;
    using c = control;
    const COLORREF text = system_colour;
    std::vector<control_row> rows;
    rows.push_back({id_of(c::Label1), L"Label1", k::label, L"Please read this:", 53, 21, 119, 21, times19, -1,
                    GetSysColor(COLOR_WINDOWTEXT), backdrop::transparent});
    rows.push_back({Label2, L"Label2", k::label, L"New installation:", 32, 270, 121, 21, times19, -1, white,
                    backdrop::transparent});
    rows.push_back({Label3, L"Label3", k::label, L"Maintenance:", 33, 476, 97, 21, times19, -1, white,
                    backdrop::transparent});
    rows.push_back({Label4, L"Label4", k::label, L"Backup:", 33, 539, 61, 21, times19, -1, white,
                    backdrop::transparent});
    rows.push_back({id_of(c::show_progress), L"show_progress", k::opaque_label, L"", 154, 507, 3, 13, sans, -1,
                    RGB(255, 255, 0), backdrop::solid, RGB(160, 160, 164)});
    rows.push_back({id_of(c::info), L"info", k::memo, L"", 248, 297, 449, 152, sans, 0, RGB(128, 128, 128),
                    backdrop::solid, white});
    rows.push_back({id_of(c::exit_button), L"exit_button", k::button, L"Exit", 88, 424, 145, 25, sans12, 3});
    rows.push_back({id_of(c::register_button), L"register_button", k::button, L"Register components", 88, 328, 145,
                    25, sans12, 1});
    rows.push_back({id_of(c::launch_button), L"launch_button", k::button, L"Create program shortcuts ", 88, 360, 145,
                    25, sans12, 2});
    rows.push_back({id_of(c::info_lines), L"info_lines", k::scrolling_memo, joined(default_info_lines()), 178, 22,
                    519, 217, times13, 4, RGB(0, 0, 0), backdrop::solid, white});
    rows.push_back({id_of(c::help_shortcut_button), L"help_shortcut_button", k::button, L"Create help shortcuts", 88,
                    392, 145, 25, {}, 5});
    rows.push_back({id_of(c::copy_button), L"copy_button", k::button, L"Copy files", 89, 297, 145, 25, {}, 6});
    rows.push_back({id_of(c::Button1), L"Button1", k::button, L"Button1", 53, 128, 57, 33, {}, 7, text,
                    backdrop::system, system_colour, 0, false});
    rows.push_back({id_of(c::update_button), L"update_button", k::button, L"Update from folder", 154, 476, 127, 25,
                    {}, 8});
    rows.push_back({id_of(c::Button2), L"Button2", k::button, L"Re-register components of current directory", 287,
                    476, 226, 25, {}, 9});
    rows.push_back({id_of(c::Button3), L"Button3", k::button, L"Generate backup folder", 154, 539, 127, 25, {}, 10});
    rows.push_back({id_of(c::Button4), L"Button4", k::button, L"Internet update", 560, 476, 137, 25, {}, 11});
    rows.push_back({id_of(c::Button5), L"Button5", k::button, L"Generate file list", 560, 539, 137, 25, {}, 12});
    return rows;
}

}  // namespace

Tsetup_main_window::Tsetup_main_window(HINSTANCE instance, win32_platform& os)
    : form_window(instance, QS_PICTURE_MAIN_WINDOW), os_(os), page_(os, *this)
{
}

Tsetup_main_window::~Tsetup_main_window()
{
    os_.main_window = nullptr;
}

bool Tsetup_main_window::create_and_show(int show_command, const std::optional<std::wstring>& first_note)
{
    // A fixed frame that can be minimised: every control has its place in the form's pixels.
    create(L"Tsetup_main_page", L"Korvex Hard- and Software quick setup",
           WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS, client_width, client_height,
           RGB(255, 255, 255));
    if (!hwnd()) return false;
    controls_.build(hwnd(), instance_, main_form_table(), sans);
    os_.main_window = hwnd();
    run_form_create();
    if (first_note) append_info(*first_note);
    ShowWindow(hwnd(), show_command);
    UpdateWindow(hwnd());
    SetForegroundWindow(hwnd());
    return true;
}

void Tsetup_main_window::run_form_create()
{
    // A settings file that cannot be read ends FormCreate; its text is shown and the window opens
    // with what had been set so far.
    try {
        page_.FormCreate();
    } catch (const system_error& e) {
        os_.show_error(e.text());
    }
}

int Tsetup_main_window::run()
{
    MSG m;
    BOOL got;
    while ((got = GetMessageW(&m, nullptr, 0, 0)) != 0) {
        if (got < 0) break;
        if (hwnd() && IsDialogMessageW(hwnd(), &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return got > 0 ? static_cast<int>(m.wParam) : 0;
}

void Tsetup_main_window::append_info(const std::wstring& line)
{
    // The pane holds each line followed by CR LF, so an empty text still adds a line.
    HWND pane = controls_.handle(id_of(control::info));
    const auto end = static_cast<WPARAM>(GetWindowTextLengthW(pane));
    SendMessageW(pane, EM_SETSEL, end, static_cast<LPARAM>(end));
    const std::wstring text = line + L"\r\n";
    SendMessageW(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void Tsetup_main_window::set_progress(const std::wstring& text)
{
    controls_.set_text(id_of(control::show_progress), text);
    pump_pending_messages();
}

void Tsetup_main_window::set_caption(const std::wstring& text)
{
    SetWindowTextW(hwnd(), text.c_str());
}

void Tsetup_main_window::set_control_text(control which, const std::wstring& text)
{
    controls_.set_text(id_of(which), text);
}

void Tsetup_main_window::set_info_lines(const std::vector<std::wstring>& lines)
{
    controls_.set_text(id_of(control::info_lines), joined(lines));
}

void Tsetup_main_window::set_enabled(control which, bool enabled)
{
    if (HWND h = controls_.handle(id_of(which))) EnableWindow(h, enabled ? TRUE : FALSE);
}

void Tsetup_main_window::close_window()
{
    PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}

ITaskbarList3* Tsetup_main_window::taskbar()
{
    if (!taskbar_tried_) {
        taskbar_tried_ = true;
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                    taskbar_.receive())) ||
            FAILED(taskbar_->HrInit()))
            taskbar_.reset();
    }
    return taskbar_.get();
}

void Tsetup_main_window::show_task_progress(std::uint64_t done, std::uint64_t total)
{
    if (ITaskbarList3* button = taskbar()) {
        button->SetProgressState(hwnd(), TBPF_NORMAL);
        button->SetProgressValue(hwnd(), done, total);
    }
}

void Tsetup_main_window::show_task_failed()
{
    if (ITaskbarList3* button = taskbar()) button->SetProgressState(hwnd(), TBPF_ERROR);
}

void Tsetup_main_window::clear_task_progress()
{
    if (ITaskbarList3* button = taskbar()) button->SetProgressState(hwnd(), TBPF_NOPROGRESS);
}

// A running task keeps the window, its view and the page: closing waits for its end, unless the
// task is an Internet update that may still stop, and the user wants it stopped.
void Tsetup_main_window::on_close()
{
    if (!page_.task_running()) {
        DestroyWindow(hwnd());
        return;
    }
    if (page_.can_stop_task()) {
        if (!os_.ask_yes_no(message(msg::stop_update_question, page_.language), os_.application_title,
                            box_icon::question))
            return;
        page_.stop_task();
    }
    close_pending_ = true;
}

void Tsetup_main_window::on_command(int id)
{
    for (int c = static_cast<int>(control::Label1); c <= static_cast<int>(control::show_progress); ++c) {
        if (id_of(static_cast<control>(c)) == id) {
            page_.click(static_cast<control>(c));
            break;
        }
    }
}

void Tsetup_main_window::report_unexpected(const std::wstring& text)
{
    os_.show_error(text);
}

LRESULT Tsetup_main_window::handle(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED && lparam != 0) {
            on_command(LOWORD(wparam));
            // A close asked for while a task ran happens now that it has ended.
            if (close_pending_ && !page_.task_running()) {
                close_pending_ = false;
                DestroyWindow(hwnd());
            }
        }
        return 0;
    case WM_CLOSE:
        on_close();
        return 0;
    case WM_DESTROY:
        page_.FormDestroy();
        os_.main_window = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        return form_window::handle(message, wparam, lparam);
    }
}

}  // namespace qs::win32
