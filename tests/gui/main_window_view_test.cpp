// The main window as the tasks see it: the info pane, the progress label and the button states,
// on a real window of this process.
#include <gtest/gtest.h>

#include "setup_main/win32/setup_main_window.h"
#include "tests/gui/driver.h"

namespace qs::gui {
namespace {

class MainWindowView : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.create_and_show(SW_SHOWNOACTIVATE));
        info = child_at(window.hwnd(), 248, 297);
        progress = child_at(window.hwnd(), 154, 507);
        ASSERT_NE(info, nullptr);
        ASSERT_NE(progress, nullptr);
    }

    win32::win32_platform os;
    win32::Tsetup_main_window window{GetModuleHandleW(nullptr), os};
    HWND info = nullptr;
    HWND progress = nullptr;
};

TEST_F(MainWindowView, InfoPaneOnlyGrowsAndKeepsEmptyLines)
{
    EXPECT_EQ(text_of(info), L"");
    window.append_info(L"Setup started at 01.01.2026  12:00:00");
    window.append_info(L"");
    window.append_info(L"Copying finished.");
    window.append_info(L"second task");
    EXPECT_EQ(lines_of(text_of(info)), (std::vector<std::wstring>{L"Setup started at 01.01.2026  12:00:00", L"",
                                                                  L"Copying finished.", L"second task", L""}))
        << "each line ends with CR LF, an empty one included";

    // Far more than the edit control's default limit of 32 K characters.
    const std::wstring long_line(1000, L'x');
    for (int i = 0; i < 60; ++i) window.append_info(long_line);
    EXPECT_EQ(lines_of(text_of(info)).size(), 65u) << "the pane stopped taking lines";
}

TEST_F(MainWindowView, ProgressLabelTakesEachTextAndSizesItself)
{
    window.set_progress(L"Getting file 1 of 2");
    EXPECT_EQ(text_of(progress), L"Getting file 1 of 2");
    const RECT first = client_rect_in(window.hwnd(), progress);
    window.set_progress(L"Getting file 2 of 2: Application_Data/SpectraDemo/samples/sample2.csv");
    EXPECT_EQ(text_of(progress), L"Getting file 2 of 2: Application_Data/SpectraDemo/samples/sample2.csv");
    const RECT second = client_rect_in(window.hwnd(), progress);
    EXPECT_EQ(first.left, 154);
    EXPECT_EQ(first.top, 507);
    EXPECT_GT(first.right - first.left, 3) << "the label did not grow to its text";
    EXPECT_GT(second.right - second.left, first.right - first.left);
    window.set_progress(L"ok");
    const RECT third = client_rect_in(window.hwnd(), progress);
    EXPECT_LT(third.right - third.left, first.right - first.left) << "the label did not shrink to its text";
}

TEST_F(MainWindowView, DisabledButtonsAndNewTextsShowInTheWindow)
{
    HWND launch = child_at(window.hwnd(), 88, 360);
    ASSERT_NE(launch, nullptr);
    window.set_enabled(control::launch_button, false);
    EXPECT_FALSE(IsWindowEnabled(launch));
    EXPECT_TRUE(IsWindowEnabled(child_at(window.hwnd(), 88, 392)));
    window.set_caption(L"");
    EXPECT_EQ(text_of(window.hwnd()), L"");
    window.set_control_text(control::copy_button, L"Kopieren");
    EXPECT_EQ(text_of(child_at(window.hwnd(), 89, 297)), L"Kopieren");
    window.set_info_lines({L"one", L"", L"three"});
    EXPECT_EQ(lines_of(text_of(child_at(window.hwnd(), 178, 22))), (std::vector<std::wstring>{L"one", L"", L"three"}));
}

TEST_F(MainWindowView, MovingToAnotherDpiPlacesTheWindowAndScalesTheForm)
{
    RECT suggested{40, 30, 1240, 1000};
    SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT frame{};
    GetWindowRect(window.hwnd(), &frame);
    EXPECT_EQ(frame.left, 40);
    EXPECT_EQ(frame.top, 30);
    // 248, 297 to 697, 449 at 96 DPI: every edge times 1.5, halves rounded up.
    RECT pane = client_rect_in(window.hwnd(), info);
    EXPECT_EQ(pane.left, 372);
    EXPECT_EQ(pane.top, 446);
    EXPECT_EQ(pane.right, 1046);
    EXPECT_EQ(pane.bottom, 674);

    SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    pane = client_rect_in(window.hwnd(), info);
    EXPECT_EQ(pane.left, 248);
    EXPECT_EQ(pane.top, 297);
    EXPECT_EQ(pane.right, 697);
    EXPECT_EQ(pane.bottom, 449);
    RECT client{};
    GetClientRect(window.hwnd(), &client);
    EXPECT_EQ(client.right, 735);
    EXPECT_EQ(client.bottom, 580);
}

}  // namespace
}  // namespace qs::gui
