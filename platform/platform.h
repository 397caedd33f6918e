#pragma once
// The one boundary between the program's logic and the operating system.
//
// Everything the tasks need from Windows goes through `platform`: files and folders, the
// registry, the shell, dialogs, FTP, locale and clock. The Win32 implementation (platform/win32)
// calls the real APIs; the fake (platform/fake) models them in memory for the portable tests.
// The functions speak the program's language ("does this folder exist", "copy through the
// shell"), not the APIs'; where a Win32 result matters to the program, it is returned here.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ecdsa_signature.h"
#include "platform/ftp_session.h"
#include "platform/transport.h"

namespace qs {

// A failure of the platform, carrying the system's own message text (FormatMessage, or the FTP
// client's response) and, where the system gave one, its error code (win_error below; 0 when
// none). Tasks let it pass; the click handler shows text() in the error box.
class system_error : public std::runtime_error {
public:
    explicit system_error(std::wstring text, std::uint32_t code = 0);
    const std::wstring& text() const noexcept { return text_; }
    std::uint32_t code() const noexcept { return code_; }

private:
    std::wstring text_;
    std::uint32_t code_;
};

// A failure to reach the update server or of a transfer from it, as against a local one (a file
// that cannot be written): the user should try again later rather than look at the computer.
class network_error : public system_error {
public:
    using system_error::system_error;
};

// The server answered that it will not serve the request (a reply of the 5xx kind): the file is
// not there, or not to be had.
class server_refusal : public network_error {
public:
    using network_error::network_error;
};

// A download that would have grown past the size it was allowed.
class size_limit_error : public network_error {
public:
    using network_error::network_error;
};

// A server whose TLS certificate the system does not accept (expired, for another name, from a
// root it does not trust): the text is the system's account of what is wrong.
class certificate_error : public network_error {
public:
    using network_error::network_error;
};

// A proxy that wants a user name and password the program cannot give it (407).
class proxy_credentials_error : public network_error {
public:
    using network_error::network_error;
};

// What the system's Internet settings say about proxies, as WinHttpGetIEProxyConfigForCurrentUser
// reports them for the logged-on user (or the machine's WinHTTP setting for a service).
struct proxy_settings {
    bool auto_detect = false;  // WPAD
    std::wstring pac_url;      // a proxy script to run; empty for none
    std::wstring proxy;        // "host:port", or "http=host:port;https=host:port"; empty for none
    std::wstring bypass;       // hosts that go direct, ";" or blanks between, "*" wildcards, "<local>"
};

// Sort keys (as platform::sort_key gives them) of many texts in one byte string: key i runs from
// ends[i - 1] (0 for the first) to ends[i].
struct sort_key_table {
    std::string bytes;
    std::vector<std::size_t> ends;
    std::string_view key(std::size_t i) const
    {
        const std::size_t begin = i == 0 ? 0 : ends[i - 1];
        return std::string_view(bytes).substr(begin, ends[i] - begin);
    }
};

// File attribute bits, with the values Windows uses.
namespace attr {
inline constexpr std::uint32_t readonly = 0x01;
inline constexpr std::uint32_t hidden = 0x02;
inline constexpr std::uint32_t system = 0x04;
inline constexpr std::uint32_t directory = 0x10;
inline constexpr std::uint32_t archive = 0x20;
inline constexpr std::uint32_t normal = 0x80;
}  // namespace attr

// The Windows error codes the program itself names (Windows' own names in the comments). The fake
// platform reports failures with the same codes, and the Win32 layer checks them against
// windows.h, so portable code can name them without including it.
namespace win_error {
inline constexpr std::uint32_t file_not_found = 2;                 // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t path_not_found = 3;                 // ERROR_PATH_NOT_FOUND
inline constexpr std::uint32_t access_denied = 5;                  // ERROR_ACCESS_DENIED
inline constexpr std::uint32_t sharing_violation = 32;             // ERROR_SHARING_VIOLATION
inline constexpr std::uint32_t file_exists = 80;                   // ERROR_FILE_EXISTS
inline constexpr std::uint32_t already_exists = 183;               // ERROR_ALREADY_EXISTS
inline constexpr std::uint32_t cant_read = 1012;                   // ERROR_CANTREAD
inline constexpr std::uint32_t class_not_registered = 0x80040154;  // REGDB_E_CLASSNOTREG
}  // namespace win_error

// The texts of a dialog's OK and Cancel buttons, in the language of the window that opens it.
struct dialog_buttons {
    std::wstring ok, cancel;
};

// The texts of the program's "Select Directory" dialog, in the language of the window that opens it.
struct select_directory_texts {
    std::wstring title, name_label, folders_label, files_label, drives_label;
    dialog_buttons buttons;
    std::wstring confirm_caption, create_question, error_caption;
    std::wstring drive_not_ready;  // "{1}" stands for the drive, as "c:"
};

// One entry of a directory search, as FindFirstFileW/FindNextFileW report it.
struct dir_entry {
    std::wstring name;
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    bool is_directory() const noexcept { return (attributes & attr::directory) != 0; }
};

enum class registry_root { classes_root, current_user, local_machine };

// Registry value types, with the values Windows uses.
namespace reg_type {
inline constexpr std::uint32_t none = 0;
inline constexpr std::uint32_t sz = 1;
inline constexpr std::uint32_t expand_sz = 2;
inline constexpr std::uint32_t binary = 3;
inline constexpr std::uint32_t dword = 4;
}  // namespace reg_type

// A value as the registry stores it. `complete` is false when a read returned fewer or more bytes
// than the registry reported for the value.
struct registry_data {
    std::uint32_t type = reg_type::none;  // none also when the value is missing
    std::vector<std::uint8_t> bytes;
    bool complete = true;
};

// Icons of a Yes/No question box.
enum class box_icon { none, question };

// An exclusive claim on a name, among all processes of the machine, for as long as the object
// lives.
class named_lock {
public:
    virtual ~named_lock() = default;
};

// A window of its own that shows how far work with no main window has come (the uninstall from
// Apps & Features): a line of text over a bar. It stays open while the object lives.
class progress_window {
public:
    virtual ~progress_window() = default;
    // Shows the text and done of total on the bar, and handles the window's waiting messages so
    // that it is painted and can be moved.
    virtual void show(const std::wstring& text, std::uint64_t done, std::uint64_t total) = 0;
};

class platform {
public:
    virtual ~platform() = default;

    // ---- the running program
    // Full path of the running program file, e.g. D:\Setup\Sample\run_this_first.exe.
    virtual std::wstring program_path() = 0;

    // ---- special folders (no trailing "\")
    // The user's application-data folder (CSIDL_APPDATA); empty when the shell names none.
    virtual std::wstring appdata_folder() = 0;
    // The file-system folder of the user's desktop (CSIDL_DESKTOPDIRECTORY); empty when none.
    virtual std::wstring desktop_folder() = 0;
    // The Windows directory as GetWindowsDirectoryW gives it, however long; throws system_error
    // with the last error's text when the platform gives an empty path.
    virtual std::wstring windows_directory() = 0;

    // ---- files and folders ("\" or "/" separate levels)
    virtual bool directory_exists(const std::wstring& path) = 0;
    // An existing file, not a folder.
    virtual bool file_exists(const std::wstring& path) = 0;
    // A directory search for the path finds any entry, file or folder.
    virtual bool find_any(const std::wstring& path) = 0;
    // Every entry matching the pattern (folder + mask with * and ?), any attribute, in the order
    // the search returns them, "." and ".." included where the mask matches them. Empty when the
    // folder is missing or cannot be read.
    virtual std::vector<dir_entry> find_entries(const std::wstring& pattern) = 0;
    // Creates one folder level; false when it could not (the parent must exist).
    virtual bool create_directory(const std::wstring& path) = 0;
    // The same where the reason matters: throws system_error with the system's text and code when
    // the folder is not there afterwards.
    virtual void make_directory(const std::wstring& path) = 0;
    // CopyFileW with replacing allowed; false on failure.
    virtual bool copy_file(const std::wstring& from, const std::wstring& to) = 0;
    // MoveFileExW with replacing allowed, written through to the disk before it returns; throws
    // system_error on failure.
    virtual void move_file_replacing(const std::wstring& from, const std::wstring& to) = 0;
    // MoveFileExW without replacing, written through to the disk before it returns (a rename on
    // the same volume); throws system_error with the error's code on failure.
    virtual void move_file(const std::wstring& from, const std::wstring& to) = 0;
    // Deletes a file; false when it could not (or it was not there).
    virtual bool delete_file(const std::wstring& path) = 0;
    // Removes an empty folder; false when it could not (not empty, or not there).
    virtual bool remove_directory(const std::wstring& path) = 0;
    // The attribute bits of a file or folder (attr::); nothing when it is not there.
    virtual std::optional<std::uint32_t> file_attributes(const std::wstring& path) = 0;
    // Sets the attribute bits of a file; throws system_error on failure.
    virtual void set_file_attributes(const std::wstring& path, std::uint32_t attributes) = 0;
    // True when another program holds the file open so that it could not be deleted or renamed
    // now: opening it for delete access is refused with a sharing violation.
    virtual bool file_in_use(const std::wstring& path) = 0;
    // The names of the programs that hold any of these files open, as the Restart Manager knows
    // them; empty when it knows none (or cannot say).
    virtual std::vector<std::wstring> programs_using(const std::vector<std::wstring>& paths) = 0;
    // The whole content of a file; throws system_error when it cannot be opened or read.
    virtual std::vector<std::uint8_t> read_file(const std::wstring& path) = 0;
    // Creates or replaces a file with these bytes; throws system_error on failure.
    virtual void write_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) = 0;
    // The same, and the bytes are on the disk (flushed) before it returns: for records that must
    // survive a power cut.
    virtual void write_file_through(const std::wstring& path, const std::vector<std::uint8_t>& bytes) = 0;
    // Adds the bytes at the end of a file, creating it when missing; throws system_error on failure.
    virtual void append_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) = 0;
    // The same, and the bytes are on the disk (written through) before it returns.
    virtual void append_file_through(const std::wstring& path, const std::vector<std::uint8_t>& bytes) = 0;
    // MD5 of each file's content as 32 upper-case hexadecimal digits, in the order given. Each file
    // is opened read-only, denying writers. Throws system_error for the first file that cannot be
    // opened or read.
    virtual std::vector<std::wstring> md5_hex_of_files(const std::vector<std::wstring>& paths) = 0;

    // ---- shell
    // SHFileOperationW copy with no flags: the shell shows its own progress and questions.
    // True when the shell reports success.
    virtual bool shell_copy(const std::wstring& from, const std::wstring& to) = 0;
    // ShellExecuteW with the main window as owner, the default verb, no working directory and
    // SW_SHOWNORMAL. Nothing waits for the started program; the result is not looked at.
    virtual void shell_execute(const std::wstring& file, const std::wstring& parameters) = 0;
    // Writes a shell link file (IShellLinkW + IPersistFile), replacing an existing one. Throws
    // system_error when the link object cannot be created; false when the file was not written.
    virtual bool save_shell_link(const std::wstring& link_path, const std::wstring& target,
                                 const std::wstring& arguments, const std::wstring& working_dir) = 0;
    // Tells the shell that file types changed (SHChangeNotify SHCNE_ASSOCCHANGED), so that
    // Explorer shows new icons and open commands at once rather than after the next logon.
    virtual void notify_file_associations_changed() = 0;

    // ---- registry
    // Opens the key (a path relative to the root, no leading "\") for query access only and reads
    // the value. Throws system_error with the last error's text when the key cannot be opened;
    // a missing value gives type none.
    virtual registry_data query_registry_value(registry_root root, const std::wstring& key,
                                               const std::wstring& value_name) = 0;
    // Creates or opens the key, sets its default value as REG_SZ and closes it again. Throws
    // system_error when either step fails.
    virtual void set_registry_default_value(registry_root root, const std::wstring& key,
                                            const std::wstring& value) = 0;

    // ---- the program's own processes and threads
    // Claims the name (a kernel object name, as "Global\\..."); nothing when another process, or
    // another claim of this one, holds it. The claim ends with the object, on the same thread.
    virtual std::unique_ptr<named_lock> try_lock(const std::wstring& name) = 0;
    // Runs work on a thread of its own while this thread stays responsive (the window keeps
    // handling its messages); tick runs on this thread every 50 ms or so while work runs, and once
    // more after it. Whatever work throws is rethrown here once it has ended.
    virtual void run_in_background(const std::function<void()>& work, const std::function<void()>& tick) = 0;

    // ---- text, locale and clock
    // The system's message text for an error code (FormatMessageW), without a final line break.
    virtual std::wstring system_message(std::uint32_t code) = 0;
    // The system's ANSI code page, both ways.
    virtual std::wstring from_ansi(const std::string& bytes) = 0;
    virtual std::string to_ansi(const std::wstring& text) = 0;
    // Today's date in the user's short date format; the current time in the long time format.
    virtual std::wstring short_date() = 0;
    virtual std::wstring long_time() = 0;
    // The local date and time in ISO 8601 form, as 2026-12-08T16:45:49.
    virtual std::wstring local_timestamp() = 0;
    // A steady count of milliseconds, for waits and time-outs (not the time of day).
    virtual std::uint64_t milliseconds() = 0;
    virtual void sleep(std::uint32_t milliseconds) = 0;
    // CompareStringW with LOCALE_USER_DEFAULT, no flags or NORM_IGNORECASE: <0, 0 or >0.
    virtual int compare_locale(const std::wstring& a, const std::wstring& b, bool ignore_case) = 0;
    // LCMapStringW LCMAP_SORTKEY with the same locale and flags: byte strings whose order is
    // exactly compare_locale's.
    virtual std::string sort_key(const std::wstring& text, bool ignore_case) = 0;
    // The sort keys of a whole list at once, end to end: sorting a long file list spends most of
    // its time getting keys, and one call lets the system side reuse its buffer for all of them.
    virtual sort_key_table sort_keys(const std::vector<std::wstring>& texts, bool ignore_case) = 0;

    // ---- dialogs (all modal)
    // A message box with an OK button.
    virtual void show_message(const std::wstring& text) = 0;
    // The error box for a task error that nothing handled: OK button, error icon.
    virtual void show_error(const std::wstring& text) = 0;
    // A message box with no owner and exactly Yes and No; true for Yes.
    virtual bool ask_yes_no(const std::wstring& text, const std::wstring& caption, box_icon icon) = 0;
    // A warning box of the main window with Retry and Cancel (MB_RETRYCANCEL); true for Retry.
    virtual bool ask_retry_cancel(const std::wstring& text) = 0;
    // Title, prompt, an edit field prefilled with the default; Cancel returns the default.
    virtual std::wstring input_box(const std::wstring& title, const std::wstring& prompt,
                                   const std::wstring& default_text, const dialog_buttons& buttons) = 0;
    // The shell's folder browser (SHBrowseForFolderW) with these BIF_ flags, preselecting the
    // initial folder when it is not empty. The chosen path, or empty on Cancel or a choice that
    // is no file-system folder.
    virtual std::wstring browse_for_folder(const std::wstring& title, const std::wstring& initial,
                                           std::uint32_t flags) = 0;
    // The classic "Select Directory" dialog opened on a folder. True and the folder when the user
    // pressed OK (a folder that did not exist has been created); false on Cancel.
    virtual bool select_directory(const std::wstring& initial, const select_directory_texts& texts,
                                  std::wstring& chosen) = 0;
    // A progress window with this caption, centred on the screen, shown until the object goes.
    virtual std::unique_ptr<progress_window> open_progress_window(const std::wstring& caption) = 0;

    // ---- FTP
    // The connections of one Internet update to the update server (ftp_session.h). Nothing is
    // connected before the first fetch.
    virtual std::unique_ptr<ftp_session> open_ftp_session(const ftp_account& account) = 0;

    // ---- signatures
    // True when der_signature (a DER ECDSA-Sig-Value) is a valid ECDSA P-256 signature of the
    // SHA-256 digest of data by the public key X||Y. False for a wrong signature and for one that
    // is not strict DER (ecdsa_der_to_raw); throws system_error only when the system cannot check
    // signatures at all.
    virtual bool verify_signature(const std::vector<std::uint8_t>& data,
                                  const std::vector<std::uint8_t>& der_signature,
                                  const ecdsa_p256_public_key& public_key) = 0;

    // ---- one task per installation, and what a name means on disk
    // Opens the file (made when missing) for reading and writing with no sharing at all and keeps
    // it open while the object lives; the file goes when it is closed. Nothing when any handle, of
    // any process on any PC, under any spelling of the path, has the file open; a file that a
    // crashed process left behind is no claim. Throws system_error for every other failure.
    virtual std::unique_ptr<named_lock> hold_file_exclusively(const std::wstring& path) = 0;
    // The long form of an existing path (GetLongPathNameW): short 8.3 aliases become the names
    // they stand for. The path as given when it does not exist.
    virtual std::wstring long_path_name(const std::wstring& path) = 0;
    // A name in upper case as the file system folds it to compare names (LCMapStringEx with the
    // invariant locale): two names are one on disk exactly when their folded forms are equal.
    virtual std::wstring fold_name_case(const std::wstring& name) = 0;
    // Those of the files that a running program other than this one has loaded as its image or as
    // a DLL (Toolhelp's modules of every process): replacing one would leave that program running
    // old code beside new files.
    virtual std::vector<std::wstring> loaded_by_programs(const std::vector<std::wstring>& paths) = 0;
    // ---- installing and removing an installation
    // True when the key exists (it can be opened for reading).
    virtual bool registry_key_exists(registry_root root, const std::wstring& key) = 0;
    // Creates the key with any missing parents (RegCreateKeyExW); true when this call created it,
    // false when it was there. Throws system_error when it cannot be created or opened.
    virtual bool create_registry_key(registry_root root, const std::wstring& key) = 0;
    // Sets a named value (empty name: the default value) of any type, creating the key when
    // missing. Throws system_error on failure.
    virtual void write_registry_value(registry_root root, const std::wstring& key, const std::wstring& name,
                                      const registry_data& data) = 0;
    // Deletes a value; false when the key or the value was not there. Throws system_error on any
    // other failure.
    virtual bool delete_registry_value(registry_root root, const std::wstring& key, const std::wstring& name) = 0;
    // Deletes a key and its values, as RegDeleteKeyW does: only a key without subkeys. False when
    // the key was not there or still has subkeys; throws system_error on any other failure.
    virtual bool delete_registry_key(registry_root root, const std::wstring& key) = 0;
    // The names of the key's subkeys; empty when the key is missing.
    virtual std::vector<std::wstring> registry_subkeys(registry_root root, const std::wstring& key) = 0;
    // Starts the program (the command line is the quoted file, a blank and the parameters) with no
    // window of its own, in the program's folder when the file names one, waits until it has
    // ended and returns its exit code. Throws system_error
    // when it cannot be started.
    virtual std::uint32_t run_and_wait(const std::wstring& file, const std::wstring& parameters) = 0;
    // The user's folder for temporary files (GetTempPathW), without a trailing "\".
    virtual std::wstring temp_folder() = 0;
    // True when the process runs with administrator rights (an elevated token).
    virtual bool is_administrator() = 0;
    // Asks Windows to delete the file at the next start (MOVEFILE_DELAY_UNTIL_REBOOT), which
    // only an administrator may; throws system_error when refused.
    virtual void delete_at_reboot(const std::wstring& path) = 0;
    // SHFileOperationW copy with no confirmation, no progress and no error box (FOF_NO_UI). True
    // when the shell reports success.
    virtual bool shell_copy_silent(const std::wstring& from, const std::wstring& to) = 0;
    // The target path a shell link file points to; empty when the file is no link or unreadable.
    virtual std::wstring shell_link_target(const std::wstring& link_path) = 0;
    // ---- the update's transport and the system's proxy
    // The system's proxy settings for this user; for a program that runs as the system account,
    // which has none, the machine's WinHTTP setting (netsh winhttp set proxy).
    virtual proxy_settings system_proxy_settings() = 0;
    // The proxy that a proxy script names for the URL (WinHttpGetProxyForUrl): the script at
    // pac_url, or the one auto-detection finds when pac_url is empty. "host:port", empty for
    // DIRECT; nothing when no script could be found or run.
    virtual std::optional<std::wstring> proxy_from_script(const std::wstring& url, const std::wstring& pac_url) = 0;
    // Starts readying, on a thread of its own, what the process's first secure connection would
    // otherwise wait for after its handshake (the system's certificate chain engine), and returns
    // at once. Called as soon as the program knows it may speak HTTPS; later calls do nothing.
    virtual void ready_secure_connections() = 0;
    // The connections of one Internet update to one source (transport.h), through the proxy
    // (http and https only; ftp goes direct). Nothing is connected before the first fetch.
    virtual std::unique_ptr<transfer_session> open_session(const update_source& source, const proxy_choice& proxy,
                                                           int receive_timeout_ms) = 0;
};

}  // namespace qs
