#include "basics/fs_helpers.h"
#include "basics/paths.h"
#include "browseforfolderunit/select_folder.h"
#include "setup_main/folder_rules.h"
#include "setup_main/setup_main_page.h"

namespace qs {
namespace {

// The new files' application-data part goes into the user's application-data folder, where it
// arrives under its own name, as "Copy files" puts it there.
void update_application_data(Tsetup_main_page& page, const std::wstring& new_files)
{
    platform& os = page.os();
    const std::wstring part = application_data_part(new_files + L"\\", page.application_name);
    if (!os.directory_exists(part)) return;
    page.source_folder = part;
    page.target_folder = appdata_dir(os);
    if (!os.directory_exists(page.target_folder)) {
        os.create_directory(page.target_folder);
        os.show_message(page.text(msg::create_dir) + page.target_folder);
    }
    if (!os.directory_exists(page.target_folder)) return;
    page.append(L"");
    page.append(page.text(msg::copying_to_appdata_update));
    shell_copy(os, page.source_folder, page.target_folder);
    page.append(page.text(msg::copying_finished));
    page.append(L"");
}

}  // namespace

// The picked folder is copied, under its own name, into the parent of the program's own folder,
// so it overlays the installation when the two names agree.
void Tsetup_main_page::update_action()
{
    const std::wstring own = without_trailing_backslash(own_folder());
    // A program at a drive root has no parent to copy into; say so before anything is asked.
    if (is_drive_root(own)) {
        append(text(msg::update_own_folder_is_root));
        return;
    }
    std::wstring new_files = select_folder(os_, text(msg::select_new_files_folder), L"", true);
    if (!os_.directory_exists(new_files)) return;
    // A drive root keeps its "\" from the picker; one separator is added below.
    new_files = without_trailing_backslash(new_files);
    update_application_data(*this, new_files);
    const std::wstring update_target = parent_folder(own);
    append(text(msg::update_copying_from_to, {new_files, update_target}));
    shell_copy(os_, new_files, update_target);
    append(text(msg::file_copy_finished));
}

}  // namespace qs
