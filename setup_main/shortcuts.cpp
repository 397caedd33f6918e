// "Create program shortcuts" and "Create help shortcuts": one desktop shortcut, on request, for
// each program or help file of the installed program folder.

#include "basics/paths.h"
#include "setup_main/setup_main_page.h"
#include "setup_main/shortcut_candidates.h"

namespace qs {
namespace {

// What tells the two shortcut tasks apart.
struct shortcut_task {
    const wchar_t* mask;
    const std::vector<std::wstring>* excluded;
    msg nothing_found;
    msg question;
    msg prompt;
    msg finished;
    control button;
    bool help;
};

const std::vector<std::wstring> no_names;

const shortcut_task program_shortcuts{L"*.exe",
                                      &setup_program_names,
                                      msg::no_program_shortcut_objects,
                                      msg::program_shortcut_question,
                                      msg::program_shortcut_prompt,
                                      msg::program_shortcuts_finished,
                                      control::launch_button,
                                      false};
const shortcut_task help_shortcuts{L"*.chm",
                                   &no_names,
                                   msg::no_help_shortcut_objects,
                                   msg::help_shortcut_question,
                                   msg::help_shortcut_prompt,
                                   msg::help_shortcuts_finished,
                                   control::help_shortcut_button,
                                   true};

void offer_shortcut(Tsetup_main_page& page, const shortcut_task& task, const std::wstring& path)
{
    platform& os = page.os();
    if (!os.ask_yes_no(page.text(task.question, {path}), page.text(msg::confirm_caption), box_icon::question))
        return;
    const std::wstring proposed =
        task.help ? proposed_help_name(path, page.language) : proposed_program_name(path);
    // Cancel gives back the proposed name, so it still makes the shortcut.
    const std::wstring name = os.input_box(page.text(msg::shortcut_name_title), page.text(task.prompt), proposed,
                                           dialog_button_texts(page.language));
    page.create_desktop_link(path, name);
}

void make_shortcuts(Tsetup_main_page& page, const shortcut_task& task, const std::wstring& folder)
{
    // Without a program folder there is nothing to search; the button stays for a later try.
    if (folder.empty()) {
        page.append(page.text(msg::no_program_folder_known));
        return;
    }
    const std::wstring program_folder = with_trailing_backslash(folder);
    page.recording_folder = program_folder;
    // Any error from here on ends the task without a word; the button stays enabled.
    try {
        platform& os = page.os();
        const auto is_file = [&os](const std::wstring& p) { return os.file_exists(p); };
        const std::vector<std::wstring> candidates =
            candidate_paths(program_folder, os.find_entries(program_folder + task.mask), is_file, *task.excluded);
        if (candidates.empty()) page.append(page.text(task.nothing_found));
        for (const std::wstring& path : candidates) offer_shortcut(page, task, path);
        page.disable(task.button);
        page.append(L"");
        page.append(page.text(task.finished));
    } catch (const std::exception&) {
    }
}

}  // namespace

void Tsetup_main_page::launch_program(const std::wstring& folder)
{
    make_shortcuts(*this, program_shortcuts, folder);
}

void Tsetup_main_page::create_help_shortcuts(const std::wstring& folder)
{
    make_shortcuts(*this, help_shortcuts, folder);
}

void Tsetup_main_page::create_desktop_link(const std::wstring& target, const std::wstring& name)
{
    const std::wstring desktop = os_.desktop_folder();
    // With no desktop folder the link would land in the root of the current drive.
    if (desktop.empty()) {
        append(text(msg::shortcut_not_written, {name + L".lnk"}));
        return;
    }
    const std::wstring link = link_file_path(desktop, name);
    record(recording_folder, {{install::change::shortcut, {link, target}}});
    if (!os_.save_shell_link(link, target, L"", link_working_directory(target)))
        append(text(msg::shortcut_not_written, {link}));
}

}  // namespace qs
