#include "tests/gui/driver.h"

#include "platform/utf8.h"

#include <string>
#include <thread>

namespace qs::gui {

namespace {

std::wstring without_ampersands(std::wstring text)
{
    std::wstring out;
    for (wchar_t c : text)
        if (c != L'&') out += c;
    return out;
}

DWORD process_of(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

}  // namespace

program::program(const std::wstring& exe, const std::wstring& working_folder, const std::wstring& arguments)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring command = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, working_folder.c_str(),
                        &startup, &info_))
        info_ = {};
}

program::~program()
{
    if (!info_.hProcess) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 10000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

bool program::wait_for_exit(DWORD& code, std::chrono::milliseconds wait)
{
    if (!info_.hProcess) return false;
    if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(wait.count())) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(info_.hProcess, &code) != 0;
}

HWND wait_until(const std::function<HWND()>& found, std::chrono::milliseconds wait)
{
    const auto end = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (HWND h = found()) return h;
        if (std::chrono::steady_clock::now() >= end) return nullptr;
        std::this_thread::sleep_for(50ms);
    }
}

bool wait_for(const std::function<bool()>& condition, std::chrono::milliseconds wait)
{
    return wait_until([&]() -> HWND { return condition() ? reinterpret_cast<HWND>(1) : nullptr; }, wait) != nullptr;
}

std::vector<HWND> top_windows(DWORD process)
{
    struct search {
        DWORD process;
        std::vector<HWND> found;
    } s{process, {}};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<search*>(p);
            if (IsWindowVisible(h) && process_of(h) == s->process) s->found.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND find_top_window(DWORD process, const std::wstring& class_name, const wchar_t* caption)
{
    for (HWND h : top_windows(process)) {
        if (!class_name.empty() && class_of(h) != class_name) continue;
        if (caption && text_of(h) != caption) continue;
        return h;
    }
    return nullptr;
}

HWND wait_for_top_window(DWORD process, const std::wstring& class_name, const wchar_t* caption,
                         std::chrono::milliseconds wait)
{
    return wait_until([&] { return find_top_window(process, class_name, caption); }, wait);
}

std::vector<HWND> children(HWND parent)
{
    std::vector<HWND> found;
    EnumChildWindows(
        parent,
        [](HWND h, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

LRESULT send(HWND window, UINT message, WPARAM w, LPARAM l, std::chrono::milliseconds wait)
{
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(window, message, w, l, SMTO_NORMAL, static_cast<UINT>(wait.count()), &result))
        return static_cast<LRESULT>(result);
    // A window destroyed meanwhile answers nothing as well; only a live one that is silent is a fault.
    if (!IsWindow(window)) return 0;
    throw window_not_answering("a window of class " + wide_to_utf8(class_of(window)) + " did not answer message " +
                               std::to_string(message) + " within " + std::to_string(wait.count()) + " ms");
}

std::wstring text_of(HWND window)
{
    const auto length = send(window, WM_GETTEXTLENGTH);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const auto got = send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(got));
    return text;
}

std::wstring class_of(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

HWND child_with_text(HWND parent, const std::wstring& text, const std::wstring& class_name)
{
    for (HWND h : children(parent)) {
        if (!class_name.empty() && lstrcmpiW(class_of(h).c_str(), class_name.c_str()) != 0) continue;
        if (without_ampersands(text_of(h)) == without_ampersands(text)) return h;
    }
    return nullptr;
}

RECT client_rect_in(HWND top, HWND child)
{
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND child_at(HWND parent, int left, int top)
{
    for (HWND h : children(parent)) {
        if (GetParent(h) != parent) continue;
        const RECT r = client_rect_in(parent, h);
        if (r.left == left && r.top == top) return h;
    }
    return nullptr;
}

void click(HWND button)
{
    PostMessageW(button, BM_CLICK, 0, 0);
}

bool is_checked(HWND check_box)
{
    return send(check_box, BM_GETCHECK) == BST_CHECKED;
}

HWND wait_for_message_box(DWORD process, std::chrono::milliseconds wait)
{
    return wait_for_top_window(process, L"#32770", nullptr, wait);
}

std::wstring message_text(HWND box)
{
    // The message is the box's static text with identifier 0xFFFF; else its longest static text.
    std::wstring best;
    for (HWND h : children(box)) {
        if (lstrcmpiW(class_of(h).c_str(), L"Static") != 0) continue;
        if (GetDlgCtrlID(h) == 0xFFFF) return text_of(h);
        const std::wstring t = text_of(h);
        if (t.size() > best.size()) best = t;
    }
    return best;
}

HWND wait_for_message_box_saying(DWORD process, const std::wstring& text, std::chrono::milliseconds wait)
{
    return wait_until(
        [&]() -> HWND {
            for (HWND h : top_windows(process))
                if (class_of(h) == L"#32770" && message_text(h) == text) return h;
            return nullptr;
        },
        wait);
}

bool answer(HWND box, const std::wstring& button_text)
{
    HWND button = child_with_text(box, button_text, L"Button");
    if (!button) return false;
    click(button);
    return true;
}

bool dismiss(HWND box, const std::wstring& button_text)
{
    return answer(box, button_text) && wait_for([box] { return !IsWindow(box) || !IsWindowVisible(box); });
}

HWND licence_window(const program& p)
{
    return wait_for_top_window(p.id(), licence_class, L"Korvex Hard- and Software Licence Agreement");
}

HWND accept_licence(const program& p)
{
    HWND licence = licence_window(p);
    if (!licence) return nullptr;
    HWND box = child_with_text(licence, L"Yes. I understood the licence agreement and accept it.", L"Button");
    HWND start = child_with_text(licence, L"Start software setup ...", L"Button");
    if (!box || !start) return nullptr;
    click(box);
    if (!wait_for([&] { return is_checked(box); })) return nullptr;
    click(start);
    return wait_for_top_window(p.id(), main_class);
}

std::vector<std::wstring> lines_of(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
}

}  // namespace qs::gui
