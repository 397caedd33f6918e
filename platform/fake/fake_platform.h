#pragma once
// An in-memory Windows for the portable tests: a case-insensitive file tree with attributes and
// directory order, a registry, a record of shell copies, started programs, links, dialogs and FTP
// transfers, and scripted answers for every dialog. Tests set it up, run a task, and assert on
// what it recorded.

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qs::fake {

// Narrow-string literal to bytes, for file contents.
std::vector<std::uint8_t> bytes_of(const std::string& text);
std::string string_of(const std::vector<std::uint8_t>& bytes);

class fake_platform : public platform {
public:
    fake_platform();

    // ---- what the tests set up
    std::wstring program = L"D:\\Setup\\Sample\\run_this_first.exe";
    std::wstring appdata = L"C:\\Users\\tester\\AppData\\Roaming";
    std::wstring desktop = L"C:\\Users\\tester\\Desktop";
    std::wstring windows_dir = L"C:\\Windows";  // empty: windows_directory() fails
    std::wstring date = L"07.12.2026";
    std::wstring time = L"12:44:12";

    void add_drive(const std::wstring& drive);  // "E:"
    void add_folder(const std::wstring& path, std::uint32_t attributes = 0);  // parents too
    void add_file(const std::wstring& path, const std::string& content = {}, std::uint32_t attributes = 0);
    void remove(const std::wstring& path);  // a file, or a folder with everything in it
    void set_attributes(const std::wstring& path, std::uint32_t attributes);

    bool has_file(const std::wstring& path) const;
    bool has_folder(const std::wstring& path) const;
    std::string content(const std::wstring& path) const;  // "" when missing
    bool is_read_only(const std::wstring& path) const;
    // Throws the system_error the platform throws for a Windows error code: its text and code.
    [[noreturn]] void fail_with(std::uint32_t code);
    // Every path below a folder (files and folders), relative, with "\", in sorted order.
    std::vector<std::wstring> tree(const std::wstring& folder) const;

    // Registry values that query_registry_value finds: root, key, value name.
    void set_registry_value(registry_root root, const std::wstring& key, const std::wstring& name,
                            registry_data data);
    void set_registry_string(registry_root root, const std::wstring& key, const std::wstring& name,
                             const std::wstring& value);
    // The default value written under a key (case-insensitive), if any.
    std::optional<std::wstring> registry_default(registry_root root, const std::wstring& key) const;

    // ---- scripted answers (a dialog without a scripted answer fails the test)
    std::deque<bool> yes_no_answers;
    std::deque<std::optional<std::wstring>> input_answers;  // nullopt: Cancel
    std::deque<std::wstring> folder_choices;                // "" : Cancel
    std::deque<std::optional<std::wstring>> directory_choices;  // nullopt: Cancel

    // ---- failures to inject
    std::set<std::wstring> unreadable;          // read_file and md5 fail (lower-case keys not needed)
    std::set<std::wstring> unwritable;          // write_file, copy_file, move fail for these targets
    // Files another program holds open (paths in any case): they cannot be deleted, renamed or
    // replaced (a sharing violation), and file_in_use says so. programs_holding names the programs
    // the Restart Manager would report for a file.
    std::set<std::wstring> in_use;
    std::map<std::wstring, std::vector<std::wstring>> programs_holding;
    // Called before every move_file and move_file_replacing with its two paths: a test throws from
    // it to make that move fail (or to stop the program there, with an exception of its own).
    std::function<void(const std::wstring& from, const std::wstring& to)> on_move;
    // Names another process holds (try_lock then fails for them).
    std::set<std::wstring> locks_held;
    std::set<std::wstring> failing_registry_keys;  // set_registry_default_value fails
    bool link_object_fails = false;
    std::set<std::wstring> unwritable_links;
    std::uint32_t registry_open_error = 0;  // non-zero: query_registry_value cannot open any key
    // FTP: server files by server path, and failures by server path.
    std::map<std::wstring, std::string> ftp_files;
    std::map<std::wstring, std::wstring> ftp_errors;
    // Broken transfers by server path: the file's bytes up to this offset arrive (and stay in the
    // local file), then the server reports the transfer aborted. A transfer that resumes at or
    // past the offset goes through.
    std::map<std::wstring, std::uint64_t> ftp_breaks;
    bool ftp_unreachable = false;
    bool ftp_resumes = true;  // the server lists REST STREAM among its features
    // Signatures: the fake cannot compute ECDSA, so a signature is valid exactly when the test
    // registered it for this key and these bytes (sign() makes and registers one). It must still
    // be strict DER, as the real verifier requires.
    struct signed_bytes {
        ecdsa_p256_public_key key;
        std::vector<std::uint8_t> data, signature;
        auto operator<=>(const signed_bytes&) const = default;
    };
    std::set<signed_bytes> valid_signatures;
    // The update's sources: every session for a host in host_failures fails every fetch with that
    // exception (a name not found, a certificate refused, ...); a session through a proxy in
    // proxies_wanting_credentials fails with the 407 the proxy answers. Otherwise every source
    // serves ftp_files.
    std::map<std::wstring, std::exception_ptr> host_failures;
    std::set<std::wstring> proxies_wanting_credentials;
    // The system's proxy settings, and what a proxy script names, by the script's URL ("" for
    // the one auto-detection finds); a script not named here cannot be had.
    proxy_settings system_proxy;
    std::map<std::wstring, std::wstring> proxy_scripts;
    std::string sign(const ecdsa_p256_public_key& key, const std::string& data);
    // Called whenever a dialog or transfer runs, so a test can act in the middle of a task.
    std::function<void()> on_dialog;
    // Called before an error box is recorded; it may throw, as showing a box can fail.
    std::function<void()> on_error;
    // The clock: milliseconds() and local_timestamp(); sleep() moves the milliseconds on.
    std::uint64_t clock_ms = 1000000;
    std::wstring timestamp = L"2026-12-07T12:44:12";
    std::deque<bool> retry_answers;  // ask_retry_cancel: true for Retry

    // ---- what the program did
    struct copy_call { std::wstring from, to; bool result; };
    struct execute_call { std::wstring file, parameters; };
    struct link_call { std::wstring path, target, arguments, working_dir; };
    struct question { std::wstring text, caption; box_icon icon; };
    struct input_call { std::wstring title, prompt, default_text; dialog_buttons buttons; };
    struct browse_call { std::wstring title, initial; std::uint32_t flags; };
    struct registry_write { registry_root root; std::wstring key, value; };
    // One fetch of a session: into memory (local_path empty), or into a local file from byte `from`.
    struct ftp_call {
        ftp_account account;
        std::wstring server_path, local_path;
        std::uint64_t max_bytes, from;
        update_source source;
    };
    std::vector<copy_call> shell_copies;
    std::vector<copy_call> file_copies;
    std::vector<execute_call> executed;
    std::vector<link_call> links;
    std::vector<registry_write> registry_writes;
    std::vector<std::wstring> messages;  // show_message
    std::vector<std::wstring> errors;    // show_error
    std::vector<question> questions;
    std::vector<input_call> inputs;
    std::vector<browse_call> browses;
    std::vector<std::wstring> directory_dialogs;  // initial folders
    std::vector<select_directory_texts> directory_dialog_texts;
    std::vector<ftp_call> ftp_calls;
    std::size_t ftp_sessions = 0;           // sessions opened
    struct session_call { update_source source; proxy_choice proxy; int receive_timeout_ms; };
    std::vector<session_call> sessions;        // open_session
    // ready_secure_connections: how many sessions had been opened when it was first called.
    std::optional<std::size_t> secure_connections_readied_before;
    std::vector<std::wstring> proxy_script_urls;  // proxy_from_script: the URLs asked about
    std::vector<std::wstring> retry_questions;  // ask_retry_cancel
    // What the progress windows showed, with how many message boxes had been shown by then.
    struct progress_shown { std::wstring caption, text; std::uint64_t done, total; std::size_t messages_before; };
    std::vector<progress_shown> progress;
    std::size_t progress_windows_open = 0;
    std::vector<std::wstring> flushed_writes;   // write_file_through and append_file_through
    std::vector<std::uint32_t> sleeps;
    std::size_t background_runs = 0;
    std::vector<std::wstring> created_directories;
    // One entry per notice that file types changed: how many registry writes had been made by then.
    std::vector<std::size_t> association_notices;
    std::vector<std::vector<std::uint8_t>> verified_data;  // what verify_signature was asked about

    // ---- platform
    std::wstring program_path() override;
    std::wstring appdata_folder() override;
    std::wstring desktop_folder() override;
    std::wstring windows_directory() override;
    bool directory_exists(const std::wstring& path) override;
    bool file_exists(const std::wstring& path) override;
    bool find_any(const std::wstring& path) override;
    std::vector<dir_entry> find_entries(const std::wstring& pattern) override;
    bool create_directory(const std::wstring& path) override;
    void make_directory(const std::wstring& path) override;
    bool copy_file(const std::wstring& from, const std::wstring& to) override;
    void move_file_replacing(const std::wstring& from, const std::wstring& to) override;
    void move_file(const std::wstring& from, const std::wstring& to) override;
    bool delete_file(const std::wstring& path) override;
    bool remove_directory(const std::wstring& path) override;
    std::optional<std::uint32_t> file_attributes(const std::wstring& path) override;
    void set_file_attributes(const std::wstring& path, std::uint32_t attributes) override;
    bool file_in_use(const std::wstring& path) override;
    std::vector<std::wstring> programs_using(const std::vector<std::wstring>& paths) override;
    std::vector<std::uint8_t> read_file(const std::wstring& path) override;
    void write_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) override;
    void write_file_through(const std::wstring& path, const std::vector<std::uint8_t>& bytes) override;
    void append_file(const std::wstring& path, const std::vector<std::uint8_t>& bytes) override;
    void append_file_through(const std::wstring& path, const std::vector<std::uint8_t>& bytes) override;
    std::vector<std::wstring> md5_hex_of_files(const std::vector<std::wstring>& paths) override;
    bool shell_copy(const std::wstring& from, const std::wstring& to) override;
    void shell_execute(const std::wstring& file, const std::wstring& parameters) override;
    bool save_shell_link(const std::wstring& link_path, const std::wstring& target,
                         const std::wstring& arguments, const std::wstring& working_dir) override;
    void notify_file_associations_changed() override;
    registry_data query_registry_value(registry_root root, const std::wstring& key,
                                       const std::wstring& value_name) override;
    void set_registry_default_value(registry_root root, const std::wstring& key,
                                    const std::wstring& value) override;
    std::wstring system_message(std::uint32_t code) override;
    std::wstring from_ansi(const std::string& bytes) override;
    std::string to_ansi(const std::wstring& text) override;
    std::unique_ptr<named_lock> try_lock(const std::wstring& name) override;
    void run_in_background(const std::function<void()>& work, const std::function<void()>& tick) override;
    std::wstring short_date() override;
    std::wstring long_time() override;
    std::wstring local_timestamp() override;
    std::uint64_t milliseconds() override;
    void sleep(std::uint32_t milliseconds) override;
    int compare_locale(const std::wstring& a, const std::wstring& b, bool ignore_case) override;
    std::string sort_key(const std::wstring& text, bool ignore_case) override;
    sort_key_table sort_keys(const std::vector<std::wstring>& texts, bool ignore_case) override;
    void show_message(const std::wstring& text) override;
    void show_error(const std::wstring& text) override;
    bool ask_yes_no(const std::wstring& text, const std::wstring& caption, box_icon icon) override;
    bool ask_retry_cancel(const std::wstring& text) override;
    std::wstring input_box(const std::wstring& title, const std::wstring& prompt, const std::wstring& default_text,
                           const dialog_buttons& buttons) override;
    std::wstring browse_for_folder(const std::wstring& title, const std::wstring& initial,
                                   std::uint32_t flags) override;
    bool select_directory(const std::wstring& initial, const select_directory_texts& texts,
                          std::wstring& chosen) override;
    std::unique_ptr<progress_window> open_progress_window(const std::wstring& caption) override;
    std::unique_ptr<ftp_session> open_ftp_session(const ftp_account& account) override;
    bool verify_signature(const std::vector<std::uint8_t>& data, const std::vector<std::uint8_t>& der_signature,
                          const ecdsa_p256_public_key& public_key) override;

    // ---- one task per installation, and what a name means on disk
    std::unique_ptr<named_lock> hold_file_exclusively(const std::wstring& path) override;
    std::wstring long_path_name(const std::wstring& path) override;
    std::wstring fold_name_case(const std::wstring& name) override;
    std::vector<std::wstring> loaded_by_programs(const std::vector<std::wstring>& paths) override;

    // ---- other names of one file, and claims of other processes on it
    // Another name for a folder: a short 8.3 alias ("D:\\SETUP~1" for "D:\\Setup"), a second drive
    // letter or a share ("\\\\server\\apps"). Every function finds the same files through either.
    void add_alias(const std::wstring& alias, const std::wstring& folder);
    // Files that are open with no sharing (hold_file_exclusively's, by key: of this process or,
    // when a test holds one itself, of "another process", under whatever spelling it used).
    std::set<std::wstring> held_exclusively;
    // Files that running programs have loaded as their image or as a DLL (paths in any case).
    std::set<std::wstring> loaded_images;
    // append_file meets a sharing violation this many more times for a path (a viewer or a scanner
    // that opened the file without sharing for a moment).
    std::map<std::wstring, int> append_clashes;
    // Servers that list REST STREAM and then answer REST with 350 but send from byte 0 all the
    // same (ignored), or refuse it with a 502 (refused).
    bool ftp_rest_ignored = false;
    bool ftp_rest_refused = false;
    // ---- installing and removing: what the tests set up and read back
    std::wstring temp = L"C:\\Users\\tester\\AppData\\Local\\Temp";
    bool administrator = true;
    // Programs run_and_wait starts: each call, and the exit code by file (0 when not named here).
    // on_run, when set, runs instead and gives the code (a test may act as the started program).
    std::vector<execute_call> runs;
    std::map<std::wstring, std::uint32_t> exit_codes;
    std::function<std::uint32_t(const std::wstring& file, const std::wstring& parameters)> on_run;
    std::set<std::wstring> unstartable;  // run_and_wait cannot start these files
    std::vector<copy_call> silent_shell_copies;
    std::vector<std::wstring> reboot_deletions;
    // Programs running from these files: they can be renamed but not deleted.
    std::set<std::wstring> running;
    bool has_registry_key(registry_root root, const std::wstring& key) const;
    // A REG_SZ or REG_EXPAND_SZ value as text; nothing when missing or of another type.
    std::optional<std::wstring> registry_string(registry_root root, const std::wstring& key,
                                                const std::wstring& name) const;
    std::optional<std::uint32_t> registry_dword(registry_root root, const std::wstring& key,
                                                const std::wstring& name) const;

    bool registry_key_exists(registry_root root, const std::wstring& key) override;
    bool create_registry_key(registry_root root, const std::wstring& key) override;
    void write_registry_value(registry_root root, const std::wstring& key, const std::wstring& name,
                              const registry_data& data) override;
    bool delete_registry_value(registry_root root, const std::wstring& key, const std::wstring& name) override;
    bool delete_registry_key(registry_root root, const std::wstring& key) override;
    std::vector<std::wstring> registry_subkeys(registry_root root, const std::wstring& key) override;
    std::uint32_t run_and_wait(const std::wstring& file, const std::wstring& parameters) override;
    std::wstring temp_folder() override;
    bool is_administrator() override;
    void delete_at_reboot(const std::wstring& path) override;
    bool shell_copy_silent(const std::wstring& from, const std::wstring& to) override;
    std::wstring shell_link_target(const std::wstring& link_path) override;
    // ---- the update's transport and the system's proxy
    proxy_settings system_proxy_settings() override;
    std::optional<std::wstring> proxy_from_script(const std::wstring& url, const std::wstring& pac_url) override;
    void ready_secure_connections() override;
    std::unique_ptr<transfer_session> open_session(const update_source& source, const proxy_choice& proxy,
                                                   int receive_timeout_ms) override;

private:
    struct node {
        std::wstring path;  // as created, for display
        bool directory = false;
        std::uint32_t attributes = 0;
        std::string content;
        std::uint64_t order = 0;  // directory order: the order of creation
    };
    std::map<std::wstring, node> nodes_;  // by normalised lower-case path
    std::map<std::wstring, std::wstring> registry_defaults_;
    std::map<std::wstring, registry_data> registry_values_;
    std::uint64_t next_order_ = 0;
    std::set<std::wstring> registry_keys_;  // root\\key, folded, parents included

    static std::wstring registry_key_id(registry_root root, const std::wstring& key);
    void add_registry_key(registry_root root, const std::wstring& key);
    bool copy_as_shell(const std::wstring& from, const std::wstring& to);

    std::wstring key_of(const std::wstring& path) const;
    std::map<std::wstring, std::wstring> aliases_;  // folded alias -> folded folder
    static std::wstring parent_key(const std::wstring& key);
    const node* find(const std::wstring& path) const;
    node& make(const std::wstring& path, bool directory, std::uint32_t attributes);
    bool copy_tree(const std::wstring& from_key, const std::wstring& to_path);
    void dialog_hook();
    bool held(const std::wstring& path) const;
    friend class fake_ftp_session;
};

}  // namespace qs::fake
