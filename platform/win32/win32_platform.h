#pragma once
// The platform as Windows provides it. Each function does one platform operation, owns its
// handles through the RAII types of handles.h, and turns failures into system_error with the
// system's message text. The functions are spread over files by area:
//   files.cpp, registry.cpp, shell.cpp, locale.cpp, dialogs.cpp (message boxes),
//   in_use.cpp (files held by other programs, the Restart Manager), processes.cpp (named locks,
//   work in the background while the window's messages are handled, the clock),
//   md5.cpp and signature.cpp (BCrypt, through bcrypt_library.h and digest_stream.h),
//   ftp.cpp (the FTP session of platform/ftp and its local files), winsock_network.cpp (its sockets,
//   Winsock 2), http.cpp (the HTTP(S) session over WinHTTP, and the system's proxy settings),
//   browseforfolderunit/win32/browse_for_folder.cpp (SHBrowseForFolderW),
//   setup_main/win32/input_box.cpp, select_directory_dialog.cpp and progress_window.cpp (the
//   program's own dialogs).

#include <windows.h>

#include <memory>

#include "platform/platform.h"

namespace qs::ftp {
class local_files;
}

namespace qs::win32 {

class win32_platform : public platform {
public:
    // The main window, once it exists: owner of started programs and of the folder browser.
    HWND main_window = nullptr;
    // Caption of the program's OK message boxes (the application title, from the program's table).
    std::wstring application_title;

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
    // ---- installing and removing an installation (installation.cpp)
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
    // ---- the update's transport and the system's proxy (http.cpp)
    proxy_settings system_proxy_settings() override;
    std::optional<std::wstring> proxy_from_script(const std::wstring& url, const std::wstring& pac_url) override;
    void ready_secure_connections() override;
    std::unique_ptr<transfer_session> open_session(const update_source& source, const proxy_choice& proxy,
                                                   int receive_timeout_ms) override;
};

// The local files of a transfer, hashed as they are written (ftp.cpp): shared by FTP and HTTP.
std::unique_ptr<ftp::local_files> make_download_files();

// What a file is read in at a time: 1 MiB makes Wine's cost per call negligible.
inline constexpr DWORD read_chunk = 1u << 20;
// Writes every byte, in pieces WriteFile takes; throws system_error with the last error.
void write_all(HANDLE file, const void* data, std::size_t size);

// The path in the "\\?\" form (or "\\?\UNC\" for a share) when it reaches MAX_PATH, so that the
// file functions take it whole; as it is below that.
std::wstring extended_path(const std::wstring& path);

// system_error with the system's text and the code of the calling thread's last error.
[[noreturn]] void throw_last_error();
// The system's text for an error code, without its final line break.
std::wstring system_text(DWORD code);
// The text of a code in a module's message table (the system's when table is null), without its
// final line break; empty when the table has none.
std::wstring message_text(DWORD code, HMODULE table);

}  // namespace qs::win32
