// The program's own dialogs and the shell's folder browser, opened through the Win32 platform
// in this process and answered from a second thread, as a user would answer them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <future>

#include "platform/win32/win32_platform.h"
#include "setup_main/messages.h"
#include "tests/gui/driver.h"
#include "tests/gui/medium.h"

namespace qs::gui {
namespace {

DWORD self() { return GetCurrentProcessId(); }

HWND wait_for_dialog(const wchar_t* caption)
{
    return wait_for_top_window(self(), L"#32770", caption);
}

HWND first_child_of_class(HWND parent, const wchar_t* class_name)
{
    for (HWND h : children(parent))
        if (lstrcmpiW(class_of(h).c_str(), class_name) == 0) return h;
    return nullptr;
}

std::vector<std::wstring> list_items(HWND list)
{
    std::vector<std::wstring> items;
    const auto n = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        std::wstring item(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        item.resize(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()))));
        items.push_back(item);
    }
    return items;
}

bool contains(const std::vector<std::wstring>& items, const std::wstring& wanted)
{
    for (const std::wstring& item : items)
        if (item.find(wanted) != std::wstring::npos) return true;
    return false;
}

// The text of the tree's selected item (the dialog runs in this process, so its memory is ours).
std::wstring selected_tree_item(HWND tree)
{
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return {};
    wchar_t text[MAX_PATH] = {};
    TVITEMW it{};
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = text;
    it.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    return text;
}

std::wstring no_trailing_backslash(std::wstring path)
{
    if (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path;
}

struct temp_folder {
    // Below the temporary folder by default. The folder browser's test takes one directly below
    // C:\: Wine's tree expands a preselection level by level, and on a loaded machine a deeper
    // one (C:\users\root\Temp\...) was seen to stop halfway, at C:\users\root.
    explicit temp_folder(bool below_drive_root = false)
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const std::wstring parent = below_drive_root ? std::wstring(L"C:\\") : std::wstring(temp);
        path = parent + L"qs_dialogs_" + std::to_wstring(GetCurrentProcessId());
        remove_tree(path);
        make_folders(path);
    }
    ~temp_folder() { remove_tree(path); }
    std::wstring path;
};

TEST(InputBox, ShowsTitlePromptAndDefaultAndGivesTheAnswer)
{
    win32::win32_platform os;
    std::wstring caption, edit_text;
    bool prompt_shown = false;
    auto user = std::async(std::launch::async, [&] {
        HWND box = wait_for_dialog(L"Desktop shortcut");
        if (!box) return false;
        caption = text_of(box);
        prompt_shown = child_with_text(box, L"Enter the name of the desktop shortcut: ", L"Static") != nullptr;
        HWND edit = first_child_of_class(box, L"Edit");
        if (!edit) return false;
        edit_text = text_of(edit);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Calculator tools"));
        return answer(box, L"OK");
    });
    const std::wstring got = os.input_box(L"Desktop shortcut", L"Enter the name of the desktop shortcut: ", L"calc",
                                          dialog_button_texts(ui_language::english));
    ASSERT_TRUE(user.get()) << "the input box was not found or could not be answered";
    EXPECT_EQ(caption, L"Desktop shortcut");
    EXPECT_TRUE(prompt_shown);
    EXPECT_EQ(edit_text, L"calc") << "the edit field starts with the default";
    EXPECT_EQ(got, L"Calculator tools");

    // Cancel gives the default back, whatever was typed.
    auto canceller = std::async(std::launch::async, [&] {
        HWND box = wait_for_dialog(L"Desktop-Symbol");
        if (!box) return false;
        SendMessageW(first_child_of_class(box, L"Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed"));
        return answer(box, L"Abbrechen");
    });
    EXPECT_EQ(os.input_box(L"Desktop-Symbol", L"Bitte geben Sie einen Namen an: ", L"manual help",
                           dialog_button_texts(ui_language::german)),
              L"manual help");
    ASSERT_TRUE(canceller.get());
}

TEST(SelectDirectory, CreatesAMissingFolderOnlyAfterYesAndListsTheCurrentFolder)
{
    temp_folder root;
    make_folders(root.path + L"\\existing_sub");
    CloseHandle(CreateFileW((root.path + L"\\notes.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const std::wstring wanted = root.path + L"\\new\\deeper";
    win32::win32_platform os;

    std::wstring field, confirm_text;
    std::vector<std::wstring> files, folders;
    bool open_after_no = false, created_after_no = true;
    auto user = std::async(std::launch::async, [&] {
        HWND dialog = wait_for_dialog(L"Select Directory");
        if (!dialog) return false;
        EXPECT_EQ(child_with_text(dialog, L"Help", L"Button"), nullptr) << "the dialog has no help button";
        field = text_of(first_child_of_class(dialog, L"Edit"));
        for (HWND h : children(dialog)) {
            if (lstrcmpiW(class_of(h).c_str(), L"ListBox") != 0) continue;
            (IsWindowEnabled(h) ? folders : files) = list_items(h);
        }
        // OK on the missing folder asks first; No keeps the dialog open and creates nothing.
        if (!answer(dialog, L"OK")) return false;
        HWND confirm = wait_for_dialog(L"Confirm");
        if (!confirm) return false;
        confirm_text = message_text(confirm);
        if (!dismiss(confirm, L"No")) return false;
        open_after_no = IsWindowVisible(dialog) != FALSE;
        created_after_no = folder_exists(wanted);
        // Yes creates it with its missing parent and closes the dialog.
        if (!answer(dialog, L"OK")) return false;
        confirm = wait_for_dialog(L"Confirm");
        return confirm && answer(confirm, L"Yes");
    });
    std::wstring chosen = L"unchanged";
    const bool ok = os.select_directory(wanted, select_directory_dialog_texts(ui_language::english), chosen);
    ASSERT_TRUE(user.get()) << "the dialog was not found or could not be answered";
    EXPECT_EQ(field, wanted) << "the folder-name field starts with the given folder";
    EXPECT_TRUE(contains(files, L"notes.txt")) << "the file list shows the nearest existing folder's files";
    EXPECT_TRUE(contains(folders, L"existing_sub"));
    EXPECT_EQ(confirm_text, L"The specified directory does not exist. Create it?");
    EXPECT_TRUE(open_after_no);
    EXPECT_FALSE(created_after_no);
    EXPECT_TRUE(ok);
    EXPECT_EQ(chosen, wanted);
    EXPECT_TRUE(folder_exists(wanted));

    auto canceller = std::async(std::launch::async, [&] {
        HWND dialog = wait_for_dialog(L"Verzeichnis auswählen");
        return dialog && answer(dialog, L"Abbrechen");
    });
    chosen = L"unchanged";
    EXPECT_FALSE(os.select_directory(root.path, select_directory_dialog_texts(ui_language::german), chosen));
    ASSERT_TRUE(canceller.get());
    EXPECT_EQ(chosen, L"unchanged");
}

TEST(BrowseForFolder, OkTakesThePreselectedFolderAndCancelGivesNothing)
{
    temp_folder root(true);
    const std::wstring initial = root.path;
    win32::win32_platform os;
    bool title_shown = false, preselected = false;
    auto user = std::async(std::launch::async, [&] {
        HWND dialog = wait_for_dialog(L"Browse for Folder");
        if (!dialog) return false;
        title_shown = child_with_text(dialog, L"Select directory where the program should be installed") != nullptr;
        // The preselection arrives with the dialog's initialisation: OK once the tree shows it.
        const std::wstring name = initial.substr(initial.find_last_of(L'\\') + 1);
        preselected = wait_for([&] {
            HWND tree = first_child_of_class(dialog, L"SysTreeView32");
            return tree && lstrcmpiW(selected_tree_item(tree).c_str(), name.c_str()) == 0;
        });
        return answer(dialog, L"OK");
    });
    const std::wstring got = os.browse_for_folder(L"Select directory where the program should be installed", initial, 0x0041);
    ASSERT_TRUE(user.get()) << "the folder browser was not found or could not be answered";
    EXPECT_TRUE(title_shown);
    EXPECT_TRUE(preselected) << "the initial folder was not selected in the tree";
    EXPECT_EQ(lstrcmpiW(no_trailing_backslash(got).c_str(), no_trailing_backslash(initial).c_str()), 0)
        << "got " << testing::PrintToString(got);

    auto canceller = std::async(std::launch::async, [&] {
        HWND dialog = wait_for_dialog(L"Browse for Folder");
        return dialog && answer(dialog, L"Cancel");
    });
    EXPECT_EQ(os.browse_for_folder(L"Select folder for file list creation", initial, 0x0241), L"");
    ASSERT_TRUE(canceller.get());
}

}  // namespace
}  // namespace qs::gui
