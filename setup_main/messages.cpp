#include "setup_main/messages.h"

#include <array>
#include <cstddef>
#include <stdexcept>
#include <vector>

namespace qs {
namespace {

struct entry {
    msg id;
    const wchar_t* english;
    const wchar_t* german;  // nullptr: the English text serves both languages
};

// LF CR, in this order, is how the program breaks lines inside its message boxes.
#define LFCR L"\n\r"

constexpr entry table[] = {
    {msg::application_title, L"Korvex Hard- and Software setup", nullptr},
    {msg::licence_refused,
     L"You did not agree to the licence agreement - the software will not be installed." LFCR
     L"If this is your permanent decision, please return the software to get your money back.",
     nullptr},
    {msg::out_of_memory, L"There is not enough memory to finish this step.",
     L"Für diesen Schritt ist nicht genug Arbeitsspeicher frei."},
    {msg::unexpected_failure, L"This step stopped because of an unexpected error.",
     L"Dieser Schritt wurde wegen eines unerwarteten Fehlers abgebrochen."},

    {msg::setup_started, L"Setup started at ", L"Installation gestartet: "},
    {msg::create_dir, L"Create dir ", nullptr},
    {msg::copying_to_appdata, L"Copying files to Windows application data folder",
     L"Dateien werden in den Windows-Ordner appdata kopiert."},
    {msg::copying_finished, L"Copying finished.", L"Kopieren beendet."},
    {msg::windows_dir_not_found,
     L"Cannot locate your Windows directory! Please specify yourself in the following dialog.",
     L"Das Windows-Verzeichnis wurde nicht gefunden (Gesucht wurde nach c:\\windows und c:\\winnt)!" LFCR
     L"Bitte lokalisieren Sie es selbst in dem folgenden Dialog!"},
    {msg::windows_files_copied, L"All required files copied to Windows directory!",
     L"Benötigte Dateien wurden ins Windows-Verzeichnis kopiert!"},
    {msg::windows_copy_failed, L"!!! Warning: Copy action to Windows directory failed!!!",
     L"!!! Warnung: Kopierversuch ins Windows-Verzeichnis misslungen!!!"},
    {msg::program_folder_explained,
     L"Select or create a new folder for the application. The program folder name \"{1}\" will be "
     L"added automatically." LFCR LFCR
     L"Example: If you select \"c:\\program files\" the final folder will be \"c:\\program files\\{1}\".",
     L"Bitte wählen oder erzeugen Sie ein Verzeichnis für die Anwendung. Der Verzeichnisname \"{1}\" "
     L"wird vom Setup-Programm automatisch hinzugefügt werden." LFCR LFCR
     L"Beispiel: Wenn Sie \"c:\\programme\"  auswählen, wird das Programmverzeichnis "
     L"\"c:\\programme\\{1}\" sein."},
    {msg::select_install_folder, L"Select directory where the program should be installed", nullptr},
    {msg::copying_files_from, L"Copying files from", L"Kopiere Dateien von"},
    {msg::copying_to, L"to", L"nach"},
    {msg::ellipsis, L"...", nullptr},
    {msg::copy_own_folder_is_root,
     L"The program runs from the root of a drive, which has no folder name to install under - the program "
     L"folder was not copied.",
     L"Das Programm läuft im Stammverzeichnis eines Laufwerks, das keinen Verzeichnisnamen für die "
     L"Installation hat - der Programmordner wurde nicht kopiert."},

    {msg::registration_started, L"Registration of components ...", L"Registrieren von Komponenten ..."},
    {msg::register_extension_question, L"Register file extension {1} ({2}, {3})?",
     L"Dateityp {1} ({2}, {3}) registrieren?"},
    {msg::register_extension_caption, L"Register file extensions ...", L"Dateityp registrieren ..."},
    {msg::register_ole_server, L"Register OLE server: ", L"Registriere OLE server: "},
    {msg::no_activex_components, L"There are no ActiveX components to register!",
     L"Keine ActiveX-Komponenten brauchten registriert zu werden!"},
    {msg::registration_finished, L"Registration of components finished",
     L"Registrierung von Komponenten beendet!"},

    {msg::confirm_caption, L"Confirm", L"Bestätigen"},
    {msg::no_program_shortcut_objects, L"There are no objects requiring desktop shortcuts!",
     L"Es wurden keine Objekte gefunden, die ein Desktop-Symbol benötigen!"},
    {msg::program_shortcut_question, L"Create a desktop shortcut for program {1}?",
     L"Desktop-Symbol für das Programm {1} erzeugen?"},
    {msg::shortcut_name_title, L"Desktop shortcut", L"Desktop-Symbol"},
    {msg::program_shortcut_prompt, L"Enter the name of the desktop shortcut: ",
     L"Bitte geben Sie einen Namen für das Desktop-Objekt an: "},
    {msg::program_shortcuts_finished, L"Creation of program shortcuts finished",
     L"Erzeugen von Desktop-Symbolen beendet."},
    {msg::no_help_shortcut_objects, L"There are no objects requiring shortcuts!",
     L"Keine Hilfedateien gefunden, für die ein Desktop-Symbol benötigt wird!"},
    {msg::help_shortcut_question, L"Create a desktop shortcut for the helpfile {1}?",
     L"Soll ein Desktop-Symbol für die Hilfedatei {1} erzeugt werden?"},
    {msg::help_shortcut_prompt, L"Enter the name of the desktop shortcut: ",
     L"Geben Sie einen Namen für das neue Desktop-Symbol an: "},
    {msg::help_shortcuts_finished, L"Creation of help shortcuts finished",
     L"Erzeugen von Desktop-Symbolen für Hilfedateien beendet."},
    {msg::help_name_suffix, L" help", nullptr},
    {msg::no_program_folder_known,
     L"No program folder is known yet - please run \"Copy files\" first.",
     L"Es ist noch kein Programmverzeichnis bekannt - bitte zuerst die Dateien kopieren (\"Copy files\")."},
    {msg::shortcut_not_written, L"!!! Warning: the desktop shortcut {1} could not be written!!!",
     L"!!! Warnung: Das Desktop-Symbol {1} konnte nicht geschrieben werden!!!"},

    {msg::select_new_files_folder, L"Select the directory that contains new files", nullptr},
    {msg::copying_to_appdata_update, L"Copying files to Windows application data folder",
     L"Dateien werden in den Windows-Ordner application data kopiert."},
    {msg::update_copying_from_to, L"Copying files from {1} to {2} ...", L"Kopiere Dateien von {1} nach {2} ..."},
    {msg::file_copy_finished, L"File copy finished!", L"Kopieren der Dateien beendet!"},
    {msg::update_own_folder_is_root,
     L"The program runs from the root of a drive, which has no parent folder to update - nothing was copied.",
     L"Das Programm läuft im Stammverzeichnis eines Laufwerks, das kein übergeordnetes Verzeichnis "
     L"zum Aktualisieren hat - es wurde nichts kopiert."},

    {msg::backup_started, L"Backup started at ", nullptr},
    {msg::backup_folder_explained,
     L"Select or create a new folder for the backup. The program folder name \"{1}\" will be added "
     L"automatically." LFCR LFCR
     L"Example: If you select \"c:\\my_backups\" the final folder will be \"c:\\my_backups\\{1}\".",
     nullptr},
    {msg::backup_ready,
     L"Ready for generating the backup folder for your program. " LFCR
     L"If you are asked to overwrite files or integrate folders, please agree to do so.",
     nullptr},
    {msg::backup_copying_from_appdata, L"Copying files from Windows application data", nullptr},
    {msg::backup_finished, L"Backup finished ", nullptr},
    {msg::backup_own_folder_is_root,
     L"The program runs from the root of a drive, which has no folder name to back up under - nothing was copied.",
     nullptr},
    {msg::backup_inside_program_folder,
     L"The backup folder {1} lies inside the program folder {2} - nothing was copied. Please choose another folder.",
     nullptr},

    {msg::generating_file_list, L"Generating file list ... be patient!", nullptr},
    {msg::select_file_list_folder, L"Select folder for file list creation", nullptr},
    {msg::file_list_ready, L"File list ready!", nullptr},

    {msg::getting_remote_list, L"... getting remote file list ...", nullptr},
    {msg::remote_list_not_accessible, L"Remote file list not accessible - try again later.", nullptr},
    {msg::remote_list_arrived, L"Remote file list has arrived. Generating local file list ... be patient!", nullptr},
    {msg::local_list_finished, L"Local file list finished!", nullptr},
    {msg::update_finished, L"Update finished", nullptr},
    {msg::getting_file, L"Getting file {1} of {2} files: {3}", nullptr},
    {msg::files_to_delete, L"Files to delete:" LFCR, nullptr},
    {msg::unsafe_server_path, L"!!! Skipped a path of the server's file list that is no safe file name inside the program folder: {1}", nullptr},
    {msg::download_failed, L"{1}: {2}", nullptr},
    {msg::download_mismatch,
     L"{1} bytes with MD5 {2} arrived, but the server's file list gives {3} bytes with MD5 {4} - the installed file was left as it was.",
     nullptr},
    {msg::download_too_large,
     L"The server sent more than the {1} bytes its file list gives - the installed file was left as it was.", nullptr},
    {msg::unreadable_server_line,
     L"!!! Skipped a line of the server's file list whose MD5 or size cannot be read, so that nothing could check its file: {1}",
     nullptr},
    {msg::remote_list_too_large, L"The file list of the update server is larger than 64 MiB - the update was stopped.", nullptr},
    {msg::remote_line_too_long,
     L"Line {1} of the update server's file list is longer than 32 KiB - the update was stopped.", nullptr},
    {msg::remote_path_too_deep,
     L"Line {1} of the update server's file list names a path of more than 64 levels - the update was stopped.", nullptr},
    {msg::remote_list_not_signed,
     L"The file list of the update server is not signed by Korvex Hard- and Software - the update was stopped.", nullptr},
    {msg::remote_list_other_application,
     L"The file list of the update server is for another application - the update was stopped.", nullptr},
    {msg::remote_list_older_release,
     L"The update server offers an older release ({1}) than the one installed ({2}) - the update was stopped.", nullptr},
    {msg::nothing_changed_continue_later,
     L"Nothing has been changed. The next Internet update continues where this one stopped.", nullptr},
    {msg::nothing_changed, L"Nothing has been changed.", nullptr},
    {msg::files_in_use, L"These files of the installation are in use and cannot be replaced:\r\n{1}", nullptr},
    {msg::programs_using_files, L"Programs using them: {1}", nullptr},
    {msg::close_programs_then_retry,
     L"Close the programs that use them, then click Retry. Cancel stops the update; nothing has been changed.", nullptr},
    {msg::interrupted_update_undone, L"An interrupted update was undone; start Internet update again.", nullptr},
    {msg::interrupted_update_not_undone,
     L"An interrupted update could not be undone yet: {1} It is undone at the next start of the program.", nullptr},
    {msg::update_already_running, L"Another update of this installation is running.", nullptr},
    {msg::stop_update_question, L"Stop the Internet update? The installation stays as it was.", nullptr},
    {msg::folder_in_the_way, L"{1}: A folder of this name is installed, and a file cannot take its place.", nullptr},
    {msg::update_log_not_written, L"!!! The update log {1} could not be written: {2}", nullptr},
    {msg::command_line_usage,
     L"Usage: run_this_first.exe /update [/log=FILE] [/source=URL]\r\n"
     L"  /update     brings the program's folder up to date from the update server, without a window\r\n"
     L"  /log=FILE   writes the update's log there (default: update_log.txt in the per-user folder)\r\n"
     L"  /source=URL reads the update from there (ftp://, https:// or http://; ';' between several)\r\n"
     L"Exit codes: 0 up to date, 1 file list not fetched, 2 file list refused, 3 update failed and nothing "
     L"was changed, 4 command line not understood, 5 another update of this folder is running.",
     nullptr},
    {msg::old_done_mark_stays,
     L"{1} is left from an earlier update and cannot be deleted, so a power cut during this update could not be "
     L"undone.",
     nullptr},
    {msg::release_not_recorded, L"!!! Every file is in place, but the release could not be recorded in {1}: {2}",
     nullptr},
    {msg::install_usage,
     L"       run_this_first.exe /install /acceptlicence [/dir=FOLDER] [/noshortcuts] [/log=FILE]\r\n"
     L"       run_this_first.exe /uninstall [/silent] [/log=FILE]\r\n"
     L"Exit codes of /install and /uninstall: 0 done, 3 failed, 4 command line not understood or licence not "
     L"accepted, 5 an update or another install of this folder is running.",
     nullptr},
    {msg::uninstall_question, L"Remove {1} and all of its components from this computer?",
     L"{1} und alle seine Komponenten von diesem Computer entfernen?"},
    {msg::uninstall_finished, L"{1} was removed from this computer.", L"{1} wurde von diesem Computer entfernt."},
    {msg::uninstall_progress_caption, L"Removing {1}", L"{1} wird entfernt"},
    {msg::uninstall_user_files_stay, L"These files were not installed and stay, with their folder:" LFCR L"{1}",
     L"Diese Dateien wurden nicht installiert und bleiben mit ihrem Ordner erhalten:" LFCR L"{1}"},
    {msg::uninstall_data_stays, L"Your own data stays in {1}.", L"Ihre eigenen Daten bleiben in {1} erhalten."},
    {msg::uninstall_not_removed, L"These could not be removed, since a program holds them open:" LFCR L"{1}",
     L"Diese Dateien konnten nicht entfernt werden, da ein Programm sie geöffnet hält:" LFCR L"{1}"},
    // ---- the update's sources
    {msg::list_from_source, L"File list from {1}", L"Dateiliste von {1}"},
    {msg::certificate_not_valid, L"The certificate of the update server is not valid: {1}",
     L"Das Zertifikat des Update-Servers ist nicht gültig: {1}"},
    {msg::proxy_wants_credentials, L"The proxy server asks for a user name and password.",
     L"Der Proxyserver verlangt einen Benutzernamen und ein Kennwort."},

    {msg::select_directory_title, L"Select Directory", L"Verzeichnis auswählen"},
    {msg::directory_name_label, L"Directory &Name:", L"Verzeichnis&name:"},
    {msg::directories_label, L"&Directories:", L"&Verzeichnisse:"},
    {msg::files_label, L"Files: (*.*)", L"Dateien: (*.*)"},
    {msg::drives_label, L"Dri&ves:", L"&Laufwerke:"},
    {msg::ok_button, L"OK", nullptr},
    {msg::cancel_button, L"Cancel", L"Abbrechen"},
    {msg::create_directory_question, L"The specified directory does not exist. Create it?",
     L"Das angegebene Verzeichnis existiert nicht. Soll es erstellt werden?"},
    {msg::error_caption, L"Error", L"Fehler"},
    {msg::drive_not_ready, L"Drive {1} is not ready.", L"Laufwerk {1} ist nicht bereit."},
};

constexpr std::size_t message_count = static_cast<std::size_t>(msg::count);
static_assert(std::size(table) == message_count, "every message id needs exactly one row");

constexpr bool rows_in_id_order()
{
    for (std::size_t i = 0; i < std::size(table); ++i)
        if (table[i].id != static_cast<msg>(i)) return false;
    return true;
}
static_assert(rows_in_id_order(), "the rows stand in the order of their ids, so an id is its row's index");
#undef LFCR

}  // namespace

// Fills {1}..{9} in one pass, so that a filled-in text is never scanned for placeholders again.
std::wstring filled_in(const std::wstring& text, std::initializer_list<std::wstring> args)
{
    const std::vector<std::wstring> values(args);
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'{' && i + 2 < text.size() && text[i + 1] >= L'1' && text[i + 1] <= L'9' &&
            text[i + 2] == L'}') {
            const std::size_t n = static_cast<std::size_t>(text[i + 1] - L'1');
            if (n < values.size()) {
                out += values[n];
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::wstring message(msg id, ui_language language, std::initializer_list<std::wstring> args)
{
    const auto row = static_cast<std::size_t>(id);
    if (row >= message_count) throw std::invalid_argument("msg::count names no message");
    const entry& e = table[row];
    const wchar_t* text = (language == ui_language::german && e.german != nullptr) ? e.german : e.english;
    return filled_in(text, args);
}

dialog_buttons dialog_button_texts(ui_language language)
{
    return {message(msg::ok_button, language), message(msg::cancel_button, language)};
}

select_directory_texts select_directory_dialog_texts(ui_language language)
{
    auto text = [language](msg id) { return message(id, language); };
    return {text(msg::select_directory_title), text(msg::directory_name_label), text(msg::directories_label),
            text(msg::files_label),            text(msg::drives_label),         dialog_button_texts(language),
            text(msg::confirm_caption),        text(msg::create_directory_question),
            text(msg::error_caption),          text(msg::drive_not_ready)};
}

}  // namespace qs
