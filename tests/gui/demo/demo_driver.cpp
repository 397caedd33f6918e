// Steps of the demo run without a display: the shell script takes the screenshots between them.
//   demo_driver wait-licence   waits until the licence window is shown
//   demo_driver accept         ticks the check box, presses the start button, waits for the main window
//   demo_driver update         runs "Internet update" and waits for the box of the files to delete
//   demo_driver ok             answers that box and waits for "Update finished"
//   demo_driver close          closes the main window
// Each step ends with 0 when it worked, 1 otherwise, and says what it did, also into the file
// named by the variable QS_DEMO_RESULT (the driver runs inside the Wine desktop, whose exit code and
// output the script does not see).
#include <cstdio>
#include <string>

#include "tests/gui/driver.h"

using namespace qs::gui;

namespace {

HWND find_class(const wchar_t* class_name)
{
    return wait_until([&] {
        HWND h = FindWindowW(class_name, nullptr);
        return h && IsWindowVisible(h) ? h : nullptr;
    });
}

const wchar_t* report_file = _wgetenv(L"QS_DEMO_RESULT");

int report(int code, const char* what)
{
    std::printf("demo driver: %s\n", what);
    if (report_file) {
        if (FILE* f = _wfopen(report_file, L"w")) {
            std::fprintf(f, "%s %s\n", code == 0 ? "ok" : "failed:", what);
            std::fclose(f);
        }
    }
    return code;
}

int fail(const char* what) { return report(1, what); }
int done(const char* what) { return report(0, what); }

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring step = argc > 1 ? argv[1] : L"";
    if (step == L"wait-licence") {
        if (!find_class(L"Tlicence_agreement_form")) return fail("no licence window");
        return done("licence window shown");
    }
    if (step == L"accept") {
        HWND licence = find_class(L"Tlicence_agreement_form");
        if (!licence) return fail("no licence window");
        HWND box = child_with_text(licence, L"Yes. I understood the licence agreement and accept it.", L"Button");
        HWND start = child_with_text(licence, L"Start software setup ...", L"Button");
        if (!box || !start) return fail("the licence window lacks its check box or button");
        click(box);
        if (!wait_for([&] { return is_checked(box); })) return fail("the check box did not tick");
        click(start);
        if (!find_class(L"Tsetup_main_page")) return fail("no main window");
        return done("licence accepted, main window shown");
    }
    if (step == L"update") {
        HWND main = find_class(L"Tsetup_main_page");
        if (!main) return fail("no main window");
        HWND button = child_with_text(main, L"Internet update", L"Button");
        if (!button) return fail("no Internet update button");
        DWORD process = 0;
        GetWindowThreadProcessId(main, &process);
        click(button);
        HWND box = wait_for_message_box(process, std::chrono::seconds(60));
        if (!box) return fail("no message box after Internet update");
        const std::wstring shown = message_text(box);
        if (shown.rfind(L"Files to delete:", 0) != 0) {
            static std::string ascii;
            ascii = "the update stopped: ";
            for (wchar_t c : shown) ascii.push_back(c < 0x80 && c >= 0x20 ? static_cast<char>(c) : ' ');
            return fail(ascii.c_str());
        }
        return done("Internet update ran and shows the files to delete");
    }
    if (step == L"ok") {
        HWND main = find_class(L"Tsetup_main_page");
        if (!main) return fail("no main window");
        DWORD process = 0;
        GetWindowThreadProcessId(main, &process);
        HWND box = wait_for_message_box(process);
        if (!box || !answer(box, L"OK")) return fail("no box to answer");
        if (!wait_for([&] { return child_with_text(main, L"Update finished") != nullptr; }))
            return fail("the progress label never said Update finished");
        return done("update finished");
    }
    if (step == L"close") {
        HWND main = find_class(L"Tsetup_main_page");
        if (!main) return fail("no main window");
        PostMessageW(main, WM_CLOSE, 0, 0);
        if (!wait_for([] { return FindWindowW(L"Tsetup_main_page", nullptr) == nullptr; }))
            return fail("the main window did not close");
        return done("main window closed");
    }
    return fail("unknown step (wait-licence, accept, update, ok, close)");
}
