// Message boxes of the real platform, answered by a helper thread that finds the box by its
// caption, reads its text and clicks one of its buttons, as a user would.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/win32/test_support.h"

namespace qs::test {
namespace {

struct seen_box {
    std::wstring text;
    std::vector<std::wstring> buttons;
    HWND owner = nullptr;
    bool icon_shown = false;
    bool found = false;
};

BOOL CALLBACK collect_child(HWND child, LPARAM context)
{
    auto* box = reinterpret_cast<seen_box*>(context);
    wchar_t class_name[64] = {};
    wchar_t text[512] = {};
    GetClassNameW(child, class_name, 64);
    GetWindowTextW(child, text, 512);
    const bool visible = IsWindowVisible(child) != 0;
    if (_wcsicmp(class_name, L"Static") == 0 && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        visible && SendMessageW(child, STM_GETICON, 0, 0) != 0)
        box->icon_shown = true;
    if (_wcsicmp(class_name, L"Button") == 0 && visible)
        box->buttons.push_back(text);
    else if (_wcsicmp(class_name, L"Static") == 0 && text[0] != 0)
        box->text = text;
    return TRUE;
}

// Waits (up to a minute) for the box with the caption, records it and presses the button
// whose text, without its "&", is `answer`.
std::thread answer_box(const std::wstring& caption, const std::wstring& answer, seen_box& box)
{
    return std::thread([caption, answer, &box] {
        for (int attempt = 0; attempt < 600 && !box.found; ++attempt) {
            HWND window = FindWindowW(L"#32770", caption.c_str());
            if (window == nullptr) {
                Sleep(100);
                continue;
            }
            box.found = true;
            box.owner = GetWindow(window, GW_OWNER);
            EnumChildWindows(window, collect_child, reinterpret_cast<LPARAM>(&box));
            for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t text[64] = {};
                GetWindowTextW(child, text, 64);
                std::wstring plain;
                for (const wchar_t* c = text; *c; ++c)
                    if (*c != L'&') plain.push_back(*c);
                if (plain == answer) {
                    PostMessageW(child, BM_CLICK, 0, 0);
                    return;
                }
            }
        }
    });
}

TEST(Win32Dialogs, YesNoQuestionsHaveExactlyTheseButtonsAndTellTheAnswer)
{
    win32::win32_platform os;
    seen_box yes_box;
    std::thread yes = answer_box(L"Register file extensions ...", L"Yes", yes_box);
    EXPECT_TRUE(os.ask_yes_no(L"Register file extension .abc (Abc.Document, Abc document)?",
                              L"Register file extensions ...", box_icon::none));
    yes.join();
    ASSERT_TRUE(yes_box.found);
    EXPECT_EQ(yes_box.text, L"Register file extension .abc (Abc.Document, Abc document)?");
    EXPECT_EQ(yes_box.buttons, (std::vector<std::wstring>{L"&Yes", L"&No"}));
    EXPECT_EQ(yes_box.owner, nullptr);
    EXPECT_FALSE(yes_box.icon_shown);

    seen_box no_box;
    std::thread no = answer_box(L"Optional setting", L"No", no_box);
    EXPECT_FALSE(os.ask_yes_no(L"Generate?", L"Optional setting", box_icon::question));
    no.join();
    ASSERT_TRUE(no_box.found);
    EXPECT_EQ(no_box.text, L"Generate?");
    EXPECT_TRUE(no_box.icon_shown);
}

// The platform with a main window of our own, so that the boxes can show whose they are.
class Win32OwnedDialogs : public ::testing::Test {
protected:
    const HWND main_window = CreateWindowExW(0, L"STATIC", L"qs main window", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    win32::win32_platform os;

    void SetUp() override
    {
        ASSERT_NE(main_window, nullptr);
        os.main_window = main_window;
    }
    void TearDown() override { DestroyWindow(main_window); }
};

TEST_F(Win32OwnedDialogs, MessagesAndErrorsCarryTheApplicationTitle)
{
    os.application_title = L"qs dialog test";
    seen_box message_box;
    std::thread ok = answer_box(L"qs dialog test", L"OK", message_box);
    os.show_message(L"Update finished");
    ok.join();
    ASSERT_TRUE(message_box.found);
    EXPECT_EQ(message_box.text, L"Update finished");
    EXPECT_EQ(message_box.buttons, (std::vector<std::wstring>{L"OK"}));
    EXPECT_EQ(message_box.owner, main_window);
    EXPECT_FALSE(message_box.icon_shown);

    seen_box error_box;
    std::thread error_ok = answer_box(L"qs dialog test", L"OK", error_box);
    os.show_error(L"File not found.");
    error_ok.join();
    ASSERT_TRUE(error_box.found);
    EXPECT_EQ(error_box.text, L"File not found.");
    EXPECT_EQ(error_box.owner, main_window);
    EXPECT_TRUE(error_box.icon_shown);
}

TEST_F(Win32OwnedDialogs, TheRetryCancelBoxBelongsToTheMainWindowAndTellsTheAnswer)
{
    os.application_title = L"qs retry test";
    const std::wstring text = L"These files of the installation are in use and cannot be replaced:\r\nbin\\core.dll";

    seen_box retry_box;
    std::thread retry = answer_box(L"qs retry test", L"Retry", retry_box);
    EXPECT_TRUE(os.ask_retry_cancel(text));
    retry.join();
    ASSERT_TRUE(retry_box.found);
    EXPECT_EQ(retry_box.text, text);
    EXPECT_EQ(retry_box.buttons, (std::vector<std::wstring>{L"&Retry", L"Cancel"}));
    EXPECT_EQ(retry_box.owner, main_window);
    EXPECT_TRUE(retry_box.icon_shown);

    seen_box cancel_box;
    std::thread cancel = answer_box(L"qs retry test", L"Cancel", cancel_box);
    EXPECT_FALSE(os.ask_retry_cancel(text));
    cancel.join();
    ASSERT_TRUE(cancel_box.found);
}

}  // namespace
}  // namespace qs::test
