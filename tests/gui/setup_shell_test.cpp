// The real program under Wine, driven through its windows: the licence agreement, the refusal,
// the main window's form and what init_setup changes in it, and the ways the program ends.
#include <gtest/gtest.h>

#include <string>

#include "tests/gui/driver.h"
#include "tests/gui/medium.h"

namespace qs::gui {
namespace {

SIZE client_size(HWND window)
{
    RECT r{};
    GetClientRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

const wchar_t* const accept_text = L"Yes. I understood the licence agreement and accept it.";
// The two lines are separated by LF then CR, exactly as the box holds them.
const wchar_t* const refusal_text =
    L"You did not agree to the licence agreement - the software will not be installed.\n\r"
    L"If this is your permanent decision, please return the software to get your money back.";

void expect_normal_end(program& p)
{
    DWORD code = 12345;
    ASSERT_TRUE(p.wait_for_exit(code)) << "the program did not end";
    EXPECT_EQ(code, 0u);
}

struct placed {
    const wchar_t* text;
    const wchar_t* class_name;
    int left, top, width, height;  // width 0: sized by its text
};

// The main window's form in client pixels.
const placed main_form[] = {
    {L"Please read this:", L"Static", 53, 21, 0, 0},
    {L"New installation:", L"Static", 32, 270, 0, 0},
    {L"Maintenance:", L"Static", 33, 476, 0, 0},
    {L"Backup:", L"Static", 33, 539, 0, 0},
    {L"", L"Edit", 248, 297, 449, 152},  // info
    {L"Exit", L"Button", 88, 424, 145, 25},
    {L"Register components", L"Button", 88, 328, 145, 25},
    {L"Create program shortcuts ", L"Button", 88, 360, 145, 25},
    {L"Create help shortcuts", L"Button", 88, 392, 145, 25},
    {L"Copy files", L"Button", 89, 297, 145, 25},
    {L"Update from folder", L"Button", 154, 476, 127, 25},
    {L"Re-register components of current directory", L"Button", 287, 476, 226, 25},
    {L"Generate backup folder", L"Button", 154, 539, 127, 25},
    {L"Internet update", L"Button", 560, 476, 137, 25},
    {L"Generate file list", L"Button", 560, 539, 137, 25},
};

// Named in each check of a control rather than by SCOPED_TRACE, whose first use on Windows starts
// a thread of GoogleTest's own to watch the test's thread, in the middle of the suite.
std::string place_of(const placed& c)
{
    return "control at " + std::to_string(c.left) + ", " + std::to_string(c.top);
}

const std::vector<std::wstring> default_info_lines{
    L"This setup routine will install an application from ",
    L"Korvex Hard- and Software. ",
    L"For a complete installation, please click the buttons",
    L"below one after the other.",
};

TEST(LicenceWindow, ShowsTheAgreementAndAnUntickedBoxRefusesTheSetup)
{
    test_medium medium;
    program p(medium.exe(), medium.folder());
    ASSERT_TRUE(p.started());
    HWND licence = licence_window(p);
    ASSERT_NE(licence, nullptr) << "no licence window";
    EXPECT_EQ(client_size(licence).cx, 784);
    EXPECT_EQ(client_size(licence).cy, 514);

    HWND heading = child_at(licence, 40, 40);
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(text_of(heading), L"Licence agreement");

    HWND panel = child_at(licence, 432, 216);
    ASSERT_NE(panel, nullptr) << "no panel at 432, 216";
    const RECT panel_rect = client_rect_in(licence, panel);
    EXPECT_EQ(panel_rect.right - panel_rect.left, 329);
    EXPECT_EQ(panel_rect.bottom - panel_rect.top, 265);

    HWND memo = child_at(panel, 8, 8);
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(lstrcmpiW(class_of(memo).c_str(), L"Edit"), 0);
    const std::vector<std::wstring> lines = lines_of(text_of(memo));
    EXPECT_EQ(lines, (std::vector<std::wstring>{
                         L"If you continue to run this setup program to install the ",
                         L"software product, you must agree to the following ",
                         L"statements. You indicate your agreement by checking the ",
                         L"checkbox underneath this text.",
                         L"",
                         L"Korvex is not responsible for any consequences of installing ",
                         L"the software.",
                         L"Korvex is not responsible for any consequences of using the ",
                         L"software, including reading the documentation.",
                         L"Korvex is not responsible for any consequences of not using ",
                         L"the software, including not reading the documentation.",
                     }));

    HWND box = child_at(panel, 24, 185);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(text_of(box), accept_text);
    EXPECT_FALSE(is_checked(box)) << "the check box must start unticked";

    HWND start = child_at(panel, 8, 224);
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(text_of(start), L"Start software setup ...");
    const RECT start_rect = client_rect_in(panel, start);
    EXPECT_EQ(start_rect.right - start_rect.left, 313);
    EXPECT_EQ(start_rect.bottom - start_rect.top, 33);

    click(start);
    HWND refusal = wait_for_message_box(p.id());
    ASSERT_NE(refusal, nullptr) << "no refusal message";
    EXPECT_EQ(message_text(refusal), refusal_text);
    EXPECT_EQ(find_top_window(p.id(), main_class), nullptr) << "a refused licence opened the main window";
    ASSERT_TRUE(answer(refusal, L"OK"));
    expect_normal_end(p);
}

TEST(LicenceWindow, TheCloseBoxDecidesByTheCheckBoxAlone)
{
    {
        test_medium medium;
        program p(medium.exe(), medium.folder());
        HWND licence = licence_window(p);
        ASSERT_NE(licence, nullptr);
        PostMessageW(licence, WM_CLOSE, 0, 0);
        HWND refusal = wait_for_message_box(p.id());
        ASSERT_NE(refusal, nullptr) << "closing with the box unticked must refuse";
        EXPECT_EQ(message_text(refusal), refusal_text);
        ASSERT_TRUE(answer(refusal, L"OK"));
        expect_normal_end(p);
    }
    {
        test_medium medium;
        program p(medium.exe(), medium.folder());
        HWND licence = licence_window(p);
        ASSERT_NE(licence, nullptr);
        HWND box = child_with_text(licence, accept_text, L"Button");
        ASSERT_NE(box, nullptr);
        click(box);
        ASSERT_TRUE(wait_for([&] { return is_checked(box); }));
        PostMessageW(licence, WM_CLOSE, 0, 0);
        HWND main = wait_for_top_window(p.id(), main_class);
        ASSERT_NE(main, nullptr) << "closing with the box ticked must start the setup";
        EXPECT_EQ(find_top_window(p.id(), licence_class), nullptr) << "the licence window stays open";
        click(child_with_text(main, L"Exit", L"Button"));
        expect_normal_end(p);
    }
}

TEST(MainWindow, HasTheFormsControlsTextsAndTabOrder)
{
    test_medium medium;
    program p(medium.exe(), medium.folder());
    HWND main = accept_licence(p);
    ASSERT_NE(main, nullptr) << "no main window after accepting";
    EXPECT_EQ(text_of(main), L"Korvex Hard- and Software quick setup");
    EXPECT_EQ(client_size(main).cx, 735);
    EXPECT_EQ(client_size(main).cy, 580);

    for (const placed& c : main_form) {
        const std::string where = place_of(c);
        HWND h = child_at(main, c.left, c.top);
        ASSERT_NE(h, nullptr) << where;
        EXPECT_EQ(lstrcmpiW(class_of(h).c_str(), c.class_name), 0) << where << ": class";
        EXPECT_EQ(text_of(h), c.text) << where;
        EXPECT_TRUE(IsWindowVisible(h)) << where;
        EXPECT_TRUE(IsWindowEnabled(h)) << where;
        if (c.width) {
            const RECT r = client_rect_in(main, h);
            EXPECT_EQ(r.right - r.left, c.width) << where;
            EXPECT_EQ(r.bottom - r.top, c.height) << where;
        }
    }
    HWND info_lines = child_at(main, 178, 22);
    ASSERT_NE(info_lines, nullptr);
    EXPECT_EQ(lines_of(text_of(info_lines)), default_info_lines);
    EXPECT_TRUE(GetWindowLongPtrW(info_lines, GWL_STYLE) & WS_VSCROLL) << "info_lines scrolls";
    EXPECT_FALSE(GetWindowLongPtrW(child_at(main, 248, 297), GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL))
        << "the info pane has no scroll bars";

    HWND hidden = child_with_text(main, L"Button1", L"Button");
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(IsWindowVisible(hidden));
    HWND progress = child_at(main, 154, 507);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(text_of(progress), L"");

    // Tab goes info, register, launch, exit, info_lines, help, copy, update, Button2 ... Button5.
    const std::pair<int, int> tab_order[] = {{248, 297}, {88, 328},  {88, 360},  {88, 424},
                                             {178, 22},  {88, 392},  {89, 297},  {154, 476},
                                             {287, 476}, {154, 539}, {560, 476}, {560, 539}};
    HWND at = child_at(main, tab_order[0].first, tab_order[0].second);
    for (std::size_t i = 1; i < std::size(tab_order); ++i) {
        HWND next = GetNextDlgTabItem(main, at, FALSE);
        EXPECT_EQ(next, child_at(main, tab_order[i].first, tab_order[i].second)) << "tab stop " << i;
        at = next;
    }

    PostMessageW(main, WM_CLOSE, 0, 0);  // the close box ends the program like Exit
    expect_normal_end(p);
}

TEST(MainWindow, TakesCaptionTextsAndInfoLinesFromInitSetup)
{
    test_medium medium;
    medium.write_lines(L"init_setup\\title.txt", {L"Spectra quick setup", L"second line is not read"});
    medium.write_lines(L"init_setup\\captions.txt", {L"Read this first:", L"", L"Register all", L"Program icons",
                                                      L"Help icons", L"Quit", L"Refresh from folder", L"eighth"});
    // infolines.txt is decoded by its byte-order mark.
    medium.write_bytes(L"init_setup\\infolines.txt", "\xEF\xBB\xBF" "Gr\xC3\xB6\xC3\x9F" "e\r\n\r\nlast line");
    program p(medium.exe(), medium.folder());
    HWND main = accept_licence(p);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(text_of(main), L"Spectra quick setup");
    EXPECT_EQ(text_of(child_at(main, 53, 21)), L"Read this first:");
    EXPECT_EQ(text_of(child_at(main, 89, 297)), L"Copy files") << "an empty caption line keeps the text";
    EXPECT_EQ(text_of(child_at(main, 88, 328)), L"Register all");
    EXPECT_EQ(text_of(child_at(main, 88, 360)), L"Program icons");
    EXPECT_EQ(text_of(child_at(main, 88, 392)), L"Help icons");
    EXPECT_EQ(text_of(child_at(main, 88, 424)), L"Quit");
    EXPECT_EQ(text_of(child_at(main, 154, 476)), L"Refresh from folder");
    EXPECT_EQ(text_of(child_at(main, 287, 476)), L"Re-register components of current directory");
    EXPECT_EQ(child_with_text(main, L"eighth"), nullptr);
    EXPECT_EQ(lines_of(text_of(child_at(main, 178, 22))),
              (std::vector<std::wstring>{L"Gr\u00f6\u00dfe", L"", L"last line"}));

    click(child_with_text(main, L"Quit", L"Button"));
    expect_normal_end(p);
}

// Run apart from the rest of the suite, in a Wine prefix whose screen has 144 DPI. The driver
// reads the program's windows in physical pixels, as a DPI-aware program would.
TEST(HighDpi, BothWindowsGrowByHalfAndKeepTheirLayout)
{
    using awareness_fn = HANDLE(WINAPI*)(HANDLE);
    const auto set_awareness = reinterpret_cast<awareness_fn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
    ASSERT_NE(set_awareness, nullptr);
    set_awareness(reinterpret_cast<HANDLE>(-4));  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    HDC screen = GetDC(nullptr);
    const int screen_dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(screen_dpi, 144) << "run through tests/gui/high_dpi.sh, which sets up a 144-DPI screen";

    test_medium medium;
    program p(medium.exe(), medium.folder());
    HWND licence = licence_window(p);
    ASSERT_NE(licence, nullptr);
    // 784 x 514 and 735 x 580 times 1.5, a half pixel rounded up.
    EXPECT_EQ(client_size(licence).cx, 1176);
    EXPECT_EQ(client_size(licence).cy, 771);
    HWND main = accept_licence(p);
    ASSERT_NE(main, nullptr);
    const SIZE client = client_size(main);
    EXPECT_EQ(client.cx, 1103);
    EXPECT_EQ(client.cy, 870);

    // Every control stands where it stands at 96 DPI, relative to the client area.
    for (const placed& c : main_form) {
        if (!c.width) continue;
        const std::string where = place_of(c);
        HWND h = child_with_text(main, c.text, c.class_name);
        ASSERT_NE(h, nullptr) << where;
        const RECT r = client_rect_in(main, h);
        EXPECT_NEAR(r.left, c.left * client.cx / 735.0, 1.0) << where;
        EXPECT_NEAR(r.top, c.top * client.cy / 580.0, 1.0) << where;
        EXPECT_NEAR(r.right, (c.left + c.width) * client.cx / 735.0, 1.0) << where;
        EXPECT_NEAR(r.bottom, (c.top + c.height) * client.cy / 580.0, 1.0) << where;
    }
    // The labels' fonts grew too: 19 pixels of character height are now 28 (28.5 rounded down),
    // and a label is as high as its font's cells.
    const RECT heading = client_rect_in(main, child_with_text(main, L"Please read this:", L"Static"));
    EXPECT_GE(heading.bottom - heading.top, 28);

    PostMessageW(main, WM_CLOSE, 0, 0);
    expect_normal_end(p);
}

}  // namespace
}  // namespace qs::gui
