// The program entry. Without arguments: shared start-up, the licence agreement, then the main
// window until it is closed, or the refusal message. With arguments: the action the command line
// names (/update, /install, /uninstall; setup_main/command_line.h), with no window of its own,
// ending with its exit code.
#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "basics/paths.h"
#include "basics/startup.h"
#include "basics/text_files.h"
#include "basics/win32/graphics_objects.h"
#include "licence_agreement/win32/licence_agreement_form.h"
#include "platform/win32/gui_handles.h"
#include "platform/win32/win32_platform.h"
#include "setup_main/messages.h"
#include "setup_main/command_line.h"
#include "setup_main/install/uninstall.h"
#include "setup_main/update/internet_update.h"
#include "setup_main/win32/setup_main_window.h"

namespace {

int run_setup(HINSTANCE instance, qs::win32::win32_platform& os, int show_command)
{
    // An update that a crash or a power cut interrupted is undone before anything else looks at
    // the installation; the main window says so.
    std::optional<std::wstring> undone;
    try {
        undone = qs::update::recover_interrupted_update(os, qs::installation_folder(os), qs::ui_language::english);
    } catch (const qs::system_error& e) {
        undone = e.text();
    }
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
    if (!window.create_and_show(show_command, undone)) return 1;
    return window.run();
}

// A command line asks for no window: run it. The usage goes into a box only when the command line
// did not ask for an unattended run at all; an unattended run shows nothing, ever.
int run_command_line(qs::win32::win32_platform& os, const std::vector<std::wstring>& arguments)
{
    const qs::command_line line = qs::parse_command_line(arguments);
    // The folder an uninstall removes cannot go while it is this process's current folder.
    if (line.what == qs::command_line::action::uninstall) {
        try {
            SetCurrentDirectoryW(os.temp_folder().c_str());
        } catch (const qs::system_error&) {
        }
    }
    const int code = qs::run_without_windows(os, line);
    if (line.what == qs::command_line::action::usage && !line.action_asked)
        os.show_message(qs::message(qs::msg::command_line_usage, qs::ui_language::english) + L"\r\n" +
                        qs::message(qs::msg::install_usage, qs::ui_language::english));
    return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments_text, int show_command)
{
    // DLLs lying beside the program on the medium are never loaded by accident.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // A single-threaded apartment for the shell's folder dialog and the shell-link object.
    const qs::win32::ole_session ole;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    qs::win32::win32_platform os;
    os.application_title = qs::message(qs::msg::application_title, qs::ui_language::english);
    const std::vector<std::wstring> arguments = qs::split_command_line(arguments_text ? arguments_text : L"");
    if (!arguments.empty()) {
        try {
            return run_command_line(os, arguments);
        } catch (...) {
            return static_cast<int>(qs::update::result::failed);
        }
    }
    // What earlier uninstalls left under %TEMP% goes at any start.
    qs::install::sweep_uninstall_copies(os);
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
