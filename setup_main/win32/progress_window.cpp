// The progress window of work that has no main window: a line of text over a bar, centred on the
// screen, with no close box, since the work it shows cannot be left half done.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"
#include "setup_main/win32/dialog_template.h"

namespace qs::win32 {

namespace {

constexpr WORD text_id = 100;
constexpr WORD bar_id = 101;

INT_PTR CALLBACK progress_proc(HWND, UINT message, WPARAM, LPARAM) noexcept
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

class win32_progress_window final : public progress_window {
public:
    explicit win32_progress_window(HWND owner, const std::wstring& caption)
    {
        dialog_template dlg(caption, 260, 48, L"MS Shell Dlg", 8,
                            DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_VISIBLE);
        dlg.add(dialog_template::label, L"", text_id, SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 7, 7, 246, 10);
        dlg.add(PROGRESS_CLASSW, L"", bar_id, PBS_SMOOTH, 7, 22, 246, 12);
        window_.reset(dlg.create(owner, progress_proc, 0));
        if (!window_) throw_last_error();
        pump();
    }

    void show(const std::wstring& text, std::uint64_t done, std::uint64_t total) override
    {
        SetDlgItemTextW(window_.get(), text_id, text.c_str());
        // The bar counts in thousandths, so any total fits its 32-bit range.
        const auto thousandths = static_cast<WPARAM>(total == 0 ? 1000 : done * 1000 / total);
        HWND bar = GetDlgItem(window_.get(), bar_id);
        SendMessageW(bar, PBM_SETRANGE32, 0, 1000);
        SendMessageW(bar, PBM_SETPOS, thousandths, 0);
        pump();
    }

private:
    // The window is painted, and can be moved, between the steps of the work.
    void pump()
    {
        UpdateWindow(window_.get());
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (IsDialogMessageW(window_.get(), &m)) continue;
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }

    window_handle window_;
};

}  // namespace

std::unique_ptr<progress_window> win32_platform::open_progress_window(const std::wstring& caption)
{
    return std::make_unique<win32_progress_window>(main_window, caption);
}

}  // namespace qs::win32
