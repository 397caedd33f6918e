// Plays a session on the program as a user would, from a script of one step a line:
//   window CLASS                  wait for the program's window of this class; the next steps act on it
//   tick TEXT                     tick the check box with this text
//   click TEXT                    press the button with this text
//   answer BUTTON | TEXT          wait for a box (of any program) whose title or message holds TEXT,
//                                 and press BUTTON
//   box TEXT                      wait for such a box and leave it open (for a screenshot of it)
//   folder [A/B/...]              in the folder browser, open A, then B, ... from the desktop, select
//                                 the last one and press OK (nothing: take what is preselected)
//   info LINE | LINE ...          wait until these lines, one after the other, stand in the info pane
//                                 below what it held at the last click ("*" at the end: a line that
//                                 starts so)
//   info LINE ... || BUTTON | TEXT    the same, answering every box that holds TEXT with BUTTON meanwhile
//   label TEXT                    wait until the progress label (any label) reads TEXT ("*" at the
//                                 end: a text that starts so)
//   shot NAME | CAPTION           ask the script that started us for a screenshot, and wait for it
//   gone                          wait until the program has ended
// Every step is logged to the file named by QS_DEMO_LOG as "ok STEP" or "failed STEP: why"; the
// first failure ends the run. The driver runs inside the program's Wine desktop, where the script
// cannot see its output or exit code: hence the log, and the screenshot request file QS_DEMO_SHOT.
// handles.h brings winsock2.h, which must come before windows.h; commctrl.h needs windows.h.
#include "platform/win32/handles.h"
#include "platform/utf8.h"
#include "tests/gui/driver.h"

#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace qs::gui;

namespace {

constexpr auto task_wait = std::chrono::seconds(90);

std::wstring trimmed(const std::wstring& text)
{
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return L"";
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

std::vector<std::wstring> fields(const std::wstring& text, const std::wstring& separator = L"|")
{
    std::vector<std::wstring> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        out.push_back(trimmed(text.substr(start, end == std::wstring::npos ? end : end - start)));
        if (end == std::wstring::npos) return out;
        start = end + separator.size();
    }
}

std::wstring lower(std::wstring text)
{
    for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
    return text;
}

class session {
public:
    // An empty text when the step worked, else why it did not.
    std::wstring run(const std::wstring& verb, const std::wstring& argument)
    {
        if (verb == L"window") return find_window(argument);
        if (verb == L"tick") return tick(argument);
        if (verb == L"click") return press(argument);
        if (verb == L"answer") return answer_box(argument);
        if (verb == L"box") return wait_for_box(argument);
        if (verb == L"folder") return pick_folder(argument);
        if (verb == L"info") return wait_for_info(argument);
        if (verb == L"label") return wait_for_label(argument);
        if (verb == L"shot") return screenshot(fields(argument)[0]);
        if (verb == L"gone") return wait_until_gone();
        return L"unknown step";
    }

private:
    HWND window_ = nullptr;
    DWORD process_ = 0;
    std::size_t info_mark_ = 0;

    std::wstring find_window(const std::wstring& class_name)
    {
        window_ = wait_until([&] {
            HWND h = FindWindowW(class_name.c_str(), nullptr);
            return h && IsWindowVisible(h) ? h : nullptr;
        });
        if (!window_) return L"no window of this class";
        GetWindowThreadProcessId(window_, &process_);
        return L"";
    }

    // Texts compared without "&" and without blanks at the ends, as a user reads them.
    HWND control(const std::wstring& text, const wchar_t* class_name) const
    {
        for (HWND h : children(window_)) {
            if (lstrcmpiW(class_of(h).c_str(), class_name) != 0) continue;
            std::wstring shown;
            for (wchar_t c : text_of(h))
                if (c != L'&') shown += c;
            if (line_matches(trimmed(shown), text)) return h;
        }
        return nullptr;
    }

    std::wstring tick(const std::wstring& text)
    {
        HWND box = control(text, L"Button");
        if (!box) return L"no such check box";
        click(box);
        return wait_for([&] { return is_checked(box); }) ? L"" : L"it did not tick";
    }

    std::wstring press(const std::wstring& text)
    {
        HWND button = control(text, L"Button");
        if (!button) return L"no such button";
        if (!IsWindowEnabled(button)) return L"the button is disabled";
        info_mark_ = info_lines().size();
        if (info_mark_ > 0) --info_mark_;  // the pane's last line is the empty one after the last break
        click(button);
        return L"";
    }

    // The text of a window of any program; a program that does not answer within 2 s (a hung
    // helper such as a console host) gives the empty text instead of stopping the session.
    static std::wstring text_within(HWND window)
    {
        wchar_t text[2048] = {};
        DWORD_PTR copied = 0;
        if (!SendMessageTimeoutW(window, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                                 &copied))
            return L"";
        return text;
    }

    // A box's message: its static text with identifier 0xFFFF, else its longest static text.
    static std::wstring box_message(HWND box)
    {
        std::wstring best;
        for (HWND h : children(box)) {
            if (lstrcmpiW(class_of(h).c_str(), L"Static") != 0) continue;
            const std::wstring text = text_within(h);
            if (GetDlgCtrlID(h) == 0xFFFF) return text;
            if (text.size() > best.size()) best = text;
        }
        return best;
    }

    // A visible dialog box of any program whose title or message holds the text.
    static HWND box_holding(const std::wstring& text)
    {
        struct search {
            std::wstring text;
            HWND found;
        } s{text, nullptr};
        EnumWindows(
            [](HWND h, LPARAM p) -> BOOL {
                auto* s = reinterpret_cast<search*>(p);
                if (!IsWindowVisible(h) || class_of(h) != L"#32770") return TRUE;
                if (text_within(h).find(s->text) == std::wstring::npos &&
                    box_message(h).find(s->text) == std::wstring::npos)
                    return TRUE;
                s->found = h;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&s));
        return s.found;
    }

    // What a user sees on the screen, to tell why a step found nothing.
    static std::wstring shown_windows()
    {
        std::wstring list;
        EnumWindows(
            [](HWND h, LPARAM p) -> BOOL {
                if (IsWindowVisible(h))
                    *reinterpret_cast<std::wstring*>(p) +=
                        L"\n    " + class_of(h) + L" \"" + text_within(h) + L"\": " + box_message(h);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&list));
        return list;
    }

    static std::wstring wait_for_box(const std::wstring& text)
    {
        return wait_until([&] { return box_holding(text); }, task_wait) ? L"" : L"no such box came; shown are:" + shown_windows();
    }

    std::wstring answer_box(const std::wstring& argument)
    {
        const auto parts = fields(argument);
        if (parts.size() != 2) return L"write: answer BUTTON | TEXT";
        HWND box = wait_until([&] { return box_holding(parts[1]); }, task_wait);
        if (!box) return L"no such box came; shown are:" + shown_windows();
        return dismiss(box, parts[0]) ? L"" : L"the box has no such button, or stayed";
    }

    static std::wstring tree_item_text(HWND tree, HTREEITEM item)
    {
        // The tree belongs to the program: the item is read through a buffer in its memory.
        DWORD owner = 0;
        GetWindowThreadProcessId(tree, &owner);
        qs::win32::kernel_handle process(
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, owner));
        if (!process) return L"";
        struct remote_buffer {
            HANDLE process;
            void* at;
            ~remote_buffer()
            {
                if (at) VirtualFreeEx(process, at, 0, MEM_RELEASE);
            }
        } buffer{process.get(), VirtualAllocEx(process.get(), nullptr, 4096, MEM_COMMIT, PAGE_READWRITE)};
        if (!buffer.at) return L"";
        TVITEMW item_info{};
        item_info.mask = TVIF_TEXT;
        item_info.hItem = item;
        item_info.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(buffer.at) + sizeof(TVITEMW));
        item_info.cchTextMax = 1000;
        if (!WriteProcessMemory(process.get(), buffer.at, &item_info, sizeof item_info, nullptr)) return L"";
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(buffer.at));
        wchar_t text[1000] = {};
        ReadProcessMemory(process.get(), item_info.pszText, text, sizeof text - sizeof(wchar_t), nullptr);
        return text;
    }

    // The child of `parent` named `name`; a drive may be named by its letter ("C:").
    static HTREEITEM child_item(HWND tree, HTREEITEM parent, const std::wstring& name)
    {
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
        auto next = [&](HTREEITEM item, WPARAM how) {
            return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
        };
        for (HTREEITEM item = next(parent, TVGN_CHILD); item; item = next(item, TVGN_NEXT)) {
            const std::wstring text = lower(tree_item_text(tree, item));
            if (text == lower(name) || text.find(L"(" + lower(name) + L")") != std::wstring::npos) return item;
        }
        return nullptr;
    }

    std::wstring pick_folder(const std::wstring& path)
    {
        HWND picker = wait_for_top_window(process_, L"#32770", L"Browse for Folder");
        if (!picker) return L"no folder browser";
        if (!path.empty()) {
            HWND tree = nullptr;
            for (HWND h : children(picker))
                if (class_of(h) == WC_TREEVIEWW) tree = h;
            if (!tree) return L"the folder browser has no tree";
            auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
            for (const std::wstring& name : fields(path, L"/")) {
                HTREEITEM parent = item;
                item = nullptr;
                wait_for([&] { return (item = child_item(tree, parent, name)) != nullptr; }, std::chrono::seconds(10));
                if (!item) return L"the folder browser shows no " + name;
            }
            SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        }
        return answer(picker, L"OK") ? L"" : L"the folder browser has no OK button";
    }

    std::vector<std::wstring> info_lines() const
    {
        // The info pane is the main window's read-only multi-line text box at 248, 297.
        HWND pane = window_ ? child_at(window_, 248, 297) : nullptr;
        return pane ? lines_of(text_of(pane)) : std::vector<std::wstring>{};
    }

    static bool line_matches(const std::wstring& line, const std::wstring& wanted)
    {
        if (!wanted.empty() && wanted.back() == L'*') return line.rfind(wanted.substr(0, wanted.size() - 1), 0) == 0;
        return line == wanted;
    }

    bool info_shows(const std::vector<std::wstring>& wanted) const
    {
        const auto lines = info_lines();
        for (std::size_t start = info_mark_; start + wanted.size() <= lines.size(); ++start) {
            std::size_t k = 0;
            while (k < wanted.size() && line_matches(lines[start + k], wanted[k])) ++k;
            if (k == wanted.size()) return true;
        }
        return false;
    }

    std::wstring wait_for_info(const std::wstring& argument)
    {
        const auto halves = fields(argument, L"||");
        const auto wanted = fields(halves[0]);
        const auto reply = halves.size() > 1 ? fields(halves[1]) : std::vector<std::wstring>{};
        if (!reply.empty() && reply.size() != 2) return L"write: info LINE ... || BUTTON | TEXT";
        const bool shown = wait_for(
            [&] {
                if (!reply.empty())
                    if (HWND box = box_holding(reply[1])) answer(box, reply[0]);
                return info_shows(wanted);
            },
            task_wait);
        if (shown) return L"";
        std::wstring why = L"the info pane holds:";
        const auto lines = info_lines();
        for (std::size_t k = info_mark_; k < lines.size(); ++k) why += L"\n    " + lines[k];
        return why;
    }

    std::wstring wait_for_label(const std::wstring& text)
    {
        return wait_for([&] { return control(text, L"Static") != nullptr; }, task_wait) ? L"" : L"no such label";
    }

    static std::wstring screenshot(const std::wstring& name)
    {
        const wchar_t* request = _wgetenv(L"QS_DEMO_SHOT");
        if (!request) return L"QS_DEMO_SHOT is not set";
        {
            std::ofstream out(request, std::ios::binary);
            out << qs::wide_to_utf8(name) << '\n';
        }
        // The script takes the picture and removes the request.
        const bool taken = wait_for([&] { return GetFileAttributesW(request) == INVALID_FILE_ATTRIBUTES; });
        return taken ? L"" : L"no screenshot was taken";
    }

    std::wstring wait_until_gone() const
    {
        qs::win32::kernel_handle process(OpenProcess(SYNCHRONIZE, FALSE, process_));
        if (!process) return L"";  // it has ended already
        return WaitForSingleObject(process.get(), 20000) == WAIT_OBJECT_0 ? L"" : L"the program still runs";
    }
};

class step_log {
public:
    step_log() : path_(_wgetenv(L"QS_DEMO_LOG")) {}
    void write(const std::string& line) const
    {
        std::printf("%s\n", line.c_str());
        if (!path_) return;
        std::ofstream out(path_, std::ios::binary | std::ios::app);
        out << line << '\n';
    }

private:
    const wchar_t* path_;
};

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    step_log log;
    if (argc != 2) {
        log.write("failed: usage: demo_driver SCRIPT");
        return 2;
    }
    std::ifstream script(argv[1], std::ios::binary);
    if (!script) {
        log.write("failed: the script cannot be read");
        return 2;
    }
    session user;
    std::string raw;
    while (std::getline(script, raw)) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        const std::wstring line = trimmed(qs::utf8_to_wide(raw));
        if (line.empty() || line[0] == L'#') continue;
        const auto blank = line.find(L' ');
        const std::wstring verb = line.substr(0, blank);
        const std::wstring argument = blank == std::wstring::npos ? L"" : trimmed(line.substr(blank + 1));
        const auto began = std::chrono::steady_clock::now();
        std::wstring why;
        try {
            why = user.run(verb, argument);
        } catch (const qs::gui::window_not_answering& e) {
            why = qs::utf8_to_wide(e.what());
        }
        const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - began).count() / 100;
        const std::string took = " (" + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s)";
        if (!why.empty()) {
            log.write("failed " + qs::wide_to_utf8(line) + took + ": " + qs::wide_to_utf8(why));
            return 1;
        }
        log.write("ok " + qs::wide_to_utf8(line) + took);
    }
    log.write("done");
    return 0;
}
