// The program entry: shared start-up, the licence agreement, then the main window until it is
// closed, or the refusal message.
#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "basics/startup.h"
#include "basics/text_files.h"
#include "basics/win32/graphics_objects.h"
#include "licence_agreement/win32/licence_agreement_form.h"
#include "platform/win32/gui_handles.h"
#include "platform/win32/win32_platform.h"
#include "setup_main/messages.h"
#include "setup_main/win32/setup_main_window.h"

namespace {

int run_setup(HINSTANCE instance, qs::win32::win32_platform& os, int show_command)
{
    bool accepted = false;
    {
        qs::win32::Tlicence_agreement_form licence(instance);
        accepted = licence.show_modal();
    }
    if (!accepted) {
        // English only: the language is chosen only with the main window.
        os.show_message(qs::message(qs::msg::licence_refused, qs::ui_language::english));
        return 0;
    }
    qs::win32::Tsetup_main_window window(instance, os);
    if (!window.create_and_show(show_command)) return 1;
    return window.run();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command)
{
    // DLLs lying beside the program on the medium are never loaded by accident.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // A single-threaded apartment for the shell's folder dialog and the shell-link object.
    const qs::win32::ole_session ole;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    qs::win32::win32_platform os;
    os.application_title = qs::message(qs::msg::application_title, qs::ui_language::english);
    try {
        const qs::shared_unit basics(os, qs::win32::make_gdi_objects);
        return run_setup(instance, os, show_command);
    } catch (const qs::system_error& e) {
        os.show_error(e.text());
    } catch (const std::exception& e) {
        os.show_error(qs::utf8_to_wide(e.what()));
    }
    return 1;
}
