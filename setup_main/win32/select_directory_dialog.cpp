// The classic "Select Directory" dialog: a folder-name field, the folder list of the current
// folder (its levels, then its subfolders), the files of the current folder, a drive list, OK
// and Cancel. The user may type a folder that does not exist; OK then offers to create it with
// its missing parents.
#include <algorithm>
#include <cwctype>
#include <exception>

#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"
#include "setup_main/messages.h"
#include "setup_main/win32/dialog_template.h"

#include <shlobj.h>

namespace qs::win32 {

namespace {

enum item : WORD { name_edit = 100, current_label = 101, folder_list = 102, file_list = 103, drive_combo = 104 };

bool is_folder(const std::wstring& path)
{
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool is_drive_root(const std::wstring& path)
{
    return path.size() <= 3 && path.size() >= 2 && path[1] == L':';
}

std::wstring as_root(std::wstring drive)  // "c:" or "c:\" -> "c:\"
{
    if (drive.size() == 2) drive += L'\\';
    return drive;
}

std::wstring joined_path(const std::wstring& folder, const std::wstring& name)
{
    return folder.empty() || folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

std::wstring parent_of(const std::wstring& path)
{
    if (is_drive_root(path)) return {};
    const auto cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos) return {};
    return cut <= 2 ? as_root(path.substr(0, 2)) : path.substr(0, cut);
}

bool is_absolute(const std::wstring& path)
{
    return (path.size() >= 2 && path[1] == L':') || path.rfind(L"\\\\", 0) == 0;
}

struct listing {
    std::vector<std::wstring> folders, files;
};

listing list_folder(const std::wstring& folder)
{
    listing result;
    WIN32_FIND_DATAW data;
    const find_handle search(FindFirstFileW(joined_path(folder, L"*").c_str(), &data));
    if (!search) return result;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? result.folders : result.files).push_back(name);
    } while (FindNextFileW(search.get(), &data));
    auto by_name = [](const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) < 0; };
    std::sort(result.folders.begin(), result.folders.end(), by_name);
    std::sort(result.files.begin(), result.files.end(), by_name);
    return result;
}

std::vector<std::wstring> drives()
{
    std::vector<std::wstring> result;
    wchar_t buffer[512] = {};
    const DWORD n = GetLogicalDriveStringsW(static_cast<DWORD>(std::size(buffer) - 1), buffer);
    for (const wchar_t* p = buffer; n && *p; p += lstrlenW(p) + 1) result.emplace_back(std::wstring(p).substr(0, 2));
    return result;
}

class select_directory_state {
public:
    select_directory_state(std::wstring initial, const select_directory_texts& texts)
        : texts_(texts), field_(std::move(initial))
    {
    }

    void init(HWND dialog)
    {
        dialog_ = dialog;
        for (const std::wstring& d : drives()) {
            std::wstring lower = d;
            lower[0] = static_cast<wchar_t>(std::towlower(lower[0]));
            SendDlgItemMessageW(dialog_, drive_combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lower.c_str()));
        }
        // The dialog opens on the deepest existing level of the given folder; the field keeps
        // the folder as given, which may not exist yet.
        std::wstring start = field_;
        while (!start.empty() && !is_folder(start)) start = parent_of(start);
        if (start.empty()) start = default_folder();
        show_folder(start);
        SetDlgItemTextW(dialog_, name_edit, field_.c_str());
        SendDlgItemMessageW(dialog_, name_edit, EM_SETSEL, 0, -1);
    }

    void show_folder(const std::wstring& folder)
    {
        current_ = is_drive_root(folder) ? as_root(folder) : folder;
        SetDlgItemTextW(dialog_, current_label, current_.c_str());
        SetDlgItemTextW(dialog_, name_edit, current_.c_str());

        // The levels from the drive down to the current folder, then its subfolders, indented.
        std::vector<std::wstring> levels;
        for (std::wstring p = current_; !p.empty(); p = parent_of(p)) levels.push_back(p);
        std::reverse(levels.begin(), levels.end());
        paths_.clear();
        SendDlgItemMessageW(dialog_, folder_list, LB_RESETCONTENT, 0, 0);
        std::size_t depth = 0;
        for (const std::wstring& level : levels) {
            add_folder_item(std::wstring(depth * 2, L' ') + (depth == 0 ? level : level.substr(level.find_last_of(L'\\') + 1)),
                            level);
            ++depth;
        }
        const listing content = list_folder(current_);
        for (const std::wstring& name : content.folders)
            add_folder_item(std::wstring(depth * 2, L' ') + name, joined_path(current_, name));
        SendDlgItemMessageW(dialog_, folder_list, LB_SETCURSEL, levels.size() - 1, 0);

        SendDlgItemMessageW(dialog_, file_list, LB_RESETCONTENT, 0, 0);
        for (const std::wstring& name : content.files)
            SendDlgItemMessageW(dialog_, file_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));

        const std::wstring drive = current_.substr(0, 2);
        SendDlgItemMessageW(dialog_, drive_combo, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(drive.c_str()));
    }

    void open_selected_folder()
    {
        const LRESULT i = SendDlgItemMessageW(dialog_, folder_list, LB_GETCURSEL, 0, 0);
        if (i >= 0 && static_cast<std::size_t>(i) < paths_.size()) show_folder(paths_[static_cast<std::size_t>(i)]);
    }

    void open_selected_drive()
    {
        const LRESULT i = SendDlgItemMessageW(dialog_, drive_combo, CB_GETCURSEL, 0, 0);
        if (i < 0) return;
        wchar_t drive[8] = {};
        if (SendDlgItemMessageW(dialog_, drive_combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) >= 8) return;
        SendDlgItemMessageW(dialog_, drive_combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(drive));
        const std::wstring root = as_root(drive);
        if (is_folder(root)) {
            show_folder(root);
        } else {
            show_error(filled_in(texts_.drive_not_ready, {drive}));
            show_folder(current_);
        }
    }

    // OK: an existing folder ends the dialog; a missing one is created on Yes, with its parents.
    bool accept()
    {
        std::wstring text = field_text();
        if (text.empty()) text = current_;
        if (!is_absolute(text)) text = joined_path(current_, text);
        if (!is_folder(text)) {
            if (MessageBoxW(dialog_, texts_.create_question.c_str(), texts_.confirm_caption.c_str(),
                            MB_YESNO | MB_ICONQUESTION) != IDYES)
                return false;
            const int rc = SHCreateDirectoryExW(nullptr, text.c_str(), nullptr);
            if (rc != ERROR_SUCCESS && rc != ERROR_ALREADY_EXISTS) {
                show_error(system_text(static_cast<DWORD>(rc)));
                return false;
            }
        }
        chosen_ = text;
        return true;
    }

    const std::wstring& chosen() const { return chosen_; }

private:
    static std::wstring default_folder()
    {
        wchar_t buffer[MAX_PATH] = {};
        if (GetCurrentDirectoryW(MAX_PATH, buffer) && is_folder(buffer)) return buffer;
        const std::vector<std::wstring> d = drives();
        return d.empty() ? std::wstring(L"c:\\") : as_root(d.front());
    }

    void show_error(const std::wstring& text) const
    {
        MessageBoxW(dialog_, text.c_str(), texts_.error_caption.c_str(), MB_OK | MB_ICONERROR);
    }

    void add_folder_item(const std::wstring& shown, const std::wstring& path)
    {
        SendDlgItemMessageW(dialog_, folder_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
        paths_.push_back(path);
    }

    std::wstring field_text() const
    {
        HWND edit = GetDlgItem(dialog_, name_edit);
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
        return text;
    }

    HWND dialog_ = nullptr;
    const select_directory_texts& texts_;
    std::wstring field_;
    std::wstring current_;
    std::wstring chosen_;
    std::vector<std::wstring> paths_;  // the folder behind each line of the folder list
};

INT_PTR CALLBACK select_directory_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) noexcept
{
    try {
        auto* state = reinterpret_cast<select_directory_state*>(GetWindowLongPtrW(dialog, DWLP_USER));
        switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lparam);
            reinterpret_cast<select_directory_state*>(lparam)->init(dialog);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
            case IDOK:
                if (GetFocus() == GetDlgItem(dialog, folder_list)) {
                    state->open_selected_folder();  // Enter in the folder list opens the folder
                } else if (state->accept()) {
                    EndDialog(dialog, IDOK);
                }
                return TRUE;
            case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
            case folder_list:
                if (HIWORD(wparam) == LBN_DBLCLK) state->open_selected_folder();
                return TRUE;
            case drive_combo:
                if (HIWORD(wparam) == CBN_SELCHANGE) state->open_selected_drive();
                return TRUE;
            default: return FALSE;
            }
        default:
            return FALSE;
        }
    } catch (const std::exception&) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
}

}  // namespace

bool win32_platform::select_directory(const std::wstring& initial, const select_directory_texts& texts,
                                      std::wstring& chosen)
{
    dialog_template dlg(texts.title, 240, 152);
    dlg.add(dialog_template::label, texts.name_label, 0xFFFF, SS_LEFT, 6, 6, 228, 9);
    dlg.add(dialog_template::edit, L"", name_edit, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 6, 16, 228, 12);
    dlg.add(dialog_template::label, texts.folders_label, 0xFFFF, SS_LEFT, 6, 34, 110, 9);
    dlg.add(dialog_template::label, L"", current_label, SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 6, 44, 110, 9);
    dlg.add(dialog_template::list_box, L"", folder_list,
            LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 6, 55, 110, 71);
    dlg.add(dialog_template::label, texts.files_label, 0xFFFF, SS_LEFT, 124, 34, 110, 9);
    dlg.add(dialog_template::list_box, L"", file_list, LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_DISABLED,
            124, 44, 110, 56);
    dlg.add(dialog_template::label, texts.drives_label, 0xFFFF, SS_LEFT, 124, 104, 110, 9);
    dlg.add(dialog_template::combo_box, L"", drive_combo, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 124, 114, 110,
            80);
    dlg.add(dialog_template::button, texts.buttons.ok, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 128, 132, 50, 14);
    dlg.add(dialog_template::button, texts.buttons.cancel, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 184, 132, 50, 14);
    select_directory_state state(initial, texts);
    if (dlg.run(main_window, select_directory_proc, reinterpret_cast<LPARAM>(&state)) != IDOK) return false;
    chosen = state.chosen();
    return true;
}

}  // namespace qs::win32
