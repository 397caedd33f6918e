#include <array>

#include "basics/paths.h"
#include "basics/text_files.h"
#include "setup_main/server_paths.h"
#include "setup_main/setup_main_page.h"
#include "setup_main/update/sources.h"

namespace qs {
namespace {

// The controls whose texts captions.txt may replace, in the order of its lines.
constexpr std::array<control, 7> caption_controls = {
    control::Label1,        control::copy_button,          control::register_button,
    control::launch_button, control::help_shortcut_button, control::exit_button,
    control::update_button,
};

}  // namespace

// Each file is optional; a file that is there but cannot be read stops the reading, and the
// window opens with what had been set so far.
void Tsetup_main_page::FormCreate()
{
    target_folder.clear();
    auto setup_file = [this](const wchar_t* name) { return program_dir_path(os_, name); };
    try {
        if (const auto path = setup_file(L"init_setup\\title.txt"); os_.file_exists(path))
            view_.set_caption(read_first_line_ansi(os_, path));

        application_name.clear();
        if (const auto path = setup_file(L"init_setup\\application_name.txt"); os_.file_exists(path))
            application_name = read_first_line_ansi(os_, path);

        if (const auto path = setup_file(L"init_setup\\infolines.txt"); os_.file_exists(path))
            view_.set_info_lines(load_lines(os_, path));

        if (const auto path = setup_file(L"init_setup\\captions.txt"); os_.file_exists(path)) {
            const std::vector<std::wstring> lines = read_lines_ansi(os_, path, caption_controls.size());
            for (std::size_t i = 0; i < lines.size(); ++i)
                if (!lines[i].empty()) view_.set_control_text(caption_controls[i], lines[i]);
        }

        language = ui_language::english;
        if (const auto path = setup_file(L"init_setup\\language.txt"); os_.file_exists(path))
            if (read_first_line_ansi(os_, path) != english_in_language_file) language = ui_language::german;
    } catch (const system_error& e) {
        os_.show_message(e.text());
    }
    // The user reads the window before any click: time enough to ready an update over HTTPS.
    update::ready_for_sources(os_, update::choose_sources(os_, std::nullopt, update_server_account()).sources);
}

}  // namespace qs
