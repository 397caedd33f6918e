#pragma once
// A platform that hands every call on to another one: the base of a platform that changes a few of
// them (the unattended install answers the dialogs itself; the suites under Wine put the "running
// program" into a test folder or record the message boxes).

#include "platform/platform.h"

namespace qs {

class forwarding_platform : public platform {
public:
    explicit forwarding_platform(platform& to) : real(to) {}
    platform& real;

    std::wstring program_path() override { return real.program_path(); }
    std::wstring appdata_folder() override { return real.appdata_folder(); }
    std::wstring desktop_folder() override { return real.desktop_folder(); }
    std::wstring windows_directory() override { return real.windows_directory(); }
    bool directory_exists(const std::wstring& p) override { return real.directory_exists(p); }
    bool file_exists(const std::wstring& p) override { return real.file_exists(p); }
    bool find_any(const std::wstring& p) override { return real.find_any(p); }
    std::vector<dir_entry> find_entries(const std::wstring& p) override { return real.find_entries(p); }
    bool create_directory(const std::wstring& p) override { return real.create_directory(p); }
    void make_directory(const std::wstring& p) override { real.make_directory(p); }
    bool copy_file(const std::wstring& f, const std::wstring& t) override { return real.copy_file(f, t); }
    void move_file_replacing(const std::wstring& f, const std::wstring& t) override { real.move_file_replacing(f, t); }
    void move_file(const std::wstring& f, const std::wstring& t) override { real.move_file(f, t); }
    bool delete_file(const std::wstring& p) override { return real.delete_file(p); }
    bool remove_directory(const std::wstring& p) override { return real.remove_directory(p); }
    std::optional<std::uint32_t> file_attributes(const std::wstring& p) override { return real.file_attributes(p); }
    void set_file_attributes(const std::wstring& p, std::uint32_t a) override { real.set_file_attributes(p, a); }
    bool file_in_use(const std::wstring& p) override { return real.file_in_use(p); }
    std::vector<std::wstring> programs_using(const std::vector<std::wstring>& p) override
    {
        return real.programs_using(p);
    }
    std::vector<std::uint8_t> read_file(const std::wstring& p) override { return real.read_file(p); }
    void write_file(const std::wstring& p, const std::vector<std::uint8_t>& b) override { real.write_file(p, b); }
    void write_file_through(const std::wstring& p, const std::vector<std::uint8_t>& b) override
    {
        real.write_file_through(p, b);
    }
    void append_file(const std::wstring& p, const std::vector<std::uint8_t>& b) override { real.append_file(p, b); }
    void append_file_through(const std::wstring& p, const std::vector<std::uint8_t>& b) override
    {
        real.append_file_through(p, b);
    }
    std::vector<std::wstring> md5_hex_of_files(const std::vector<std::wstring>& p) override
    {
        return real.md5_hex_of_files(p);
    }
    bool shell_copy(const std::wstring& f, const std::wstring& t) override { return real.shell_copy(f, t); }
    void shell_execute(const std::wstring& f, const std::wstring& p) override { real.shell_execute(f, p); }
    bool save_shell_link(const std::wstring& l, const std::wstring& t, const std::wstring& a,
                         const std::wstring& w) override
    {
        return real.save_shell_link(l, t, a, w);
    }
    void notify_file_associations_changed() override { real.notify_file_associations_changed(); }
    registry_data query_registry_value(registry_root r, const std::wstring& k, const std::wstring& n) override
    {
        return real.query_registry_value(r, k, n);
    }
    void set_registry_default_value(registry_root r, const std::wstring& k, const std::wstring& v) override
    {
        real.set_registry_default_value(r, k, v);
    }
    std::wstring system_message(std::uint32_t c) override { return real.system_message(c); }
    std::wstring from_ansi(const std::string& b) override { return real.from_ansi(b); }
    std::string to_ansi(const std::wstring& t) override { return real.to_ansi(t); }
    std::unique_ptr<named_lock> try_lock(const std::wstring& n) override { return real.try_lock(n); }
    void run_in_background(const std::function<void()>& w, const std::function<void()>& t) override
    {
        real.run_in_background(w, t);
    }
    std::wstring short_date() override { return real.short_date(); }
    std::wstring long_time() override { return real.long_time(); }
    std::wstring local_timestamp() override { return real.local_timestamp(); }
    std::uint64_t milliseconds() override { return real.milliseconds(); }
    void sleep(std::uint32_t ms) override { real.sleep(ms); }
    int compare_locale(const std::wstring& a, const std::wstring& b, bool i) override
    {
        return real.compare_locale(a, b, i);
    }
    std::string sort_key(const std::wstring& t, bool i) override { return real.sort_key(t, i); }
    sort_key_table sort_keys(const std::vector<std::wstring>& t, bool i) override { return real.sort_keys(t, i); }
    void show_message(const std::wstring& t) override { real.show_message(t); }
    void show_error(const std::wstring& t) override { real.show_error(t); }
    bool ask_yes_no(const std::wstring& t, const std::wstring& c, box_icon i) override { return real.ask_yes_no(t, c, i); }
    bool ask_retry_cancel(const std::wstring& t) override { return real.ask_retry_cancel(t); }
    std::wstring input_box(const std::wstring& t, const std::wstring& p, const std::wstring& d,
                           const dialog_buttons& b) override
    {
        return real.input_box(t, p, d, b);
    }
    std::wstring browse_for_folder(const std::wstring& t, const std::wstring& i, std::uint32_t f) override
    {
        return real.browse_for_folder(t, i, f);
    }
    bool select_directory(const std::wstring& i, const select_directory_texts& t, std::wstring& c) override
    {
        return real.select_directory(i, t, c);
    }
    std::unique_ptr<progress_window> open_progress_window(const std::wstring& c) override
    {
        return real.open_progress_window(c);
    }
    std::unique_ptr<ftp_session> open_ftp_session(const ftp_account& a) override { return real.open_ftp_session(a); }
    proxy_settings system_proxy_settings() override { return real.system_proxy_settings(); }
    std::optional<std::wstring> proxy_from_script(const std::wstring& u, const std::wstring& p) override
    {
        return real.proxy_from_script(u, p);
    }
    void ready_secure_connections() override { real.ready_secure_connections(); }
    std::unique_ptr<transfer_session> open_session(const update_source& s, const proxy_choice& p, int t) override
    {
        return real.open_session(s, p, t);
    }
    bool verify_signature(const std::vector<std::uint8_t>& d, const std::vector<std::uint8_t>& s,
                          const ecdsa_p256_public_key& k) override
    {
        return real.verify_signature(d, s, k);
    }

    // ---- one task per installation, and what a name means on disk
    std::unique_ptr<named_lock> hold_file_exclusively(const std::wstring& p) override { return real.hold_file_exclusively(p); }
    std::wstring long_path_name(const std::wstring& p) override { return real.long_path_name(p); }
    std::wstring fold_name_case(const std::wstring& n) override { return real.fold_name_case(n); }
    std::vector<std::wstring> loaded_by_programs(const std::vector<std::wstring>& p) override { return real.loaded_by_programs(p); }
    // ---- installing and removing an installation
    bool registry_key_exists(registry_root r, const std::wstring& k) override { return real.registry_key_exists(r, k); }
    bool create_registry_key(registry_root r, const std::wstring& k) override { return real.create_registry_key(r, k); }
    void write_registry_value(registry_root r, const std::wstring& k, const std::wstring& n,
                              const registry_data& d) override
    {
        real.write_registry_value(r, k, n, d);
    }
    bool delete_registry_value(registry_root r, const std::wstring& k, const std::wstring& n) override
    {
        return real.delete_registry_value(r, k, n);
    }
    bool delete_registry_key(registry_root r, const std::wstring& k) override { return real.delete_registry_key(r, k); }
    std::vector<std::wstring> registry_subkeys(registry_root r, const std::wstring& k) override
    {
        return real.registry_subkeys(r, k);
    }
    std::uint32_t run_and_wait(const std::wstring& f, const std::wstring& p) override { return real.run_and_wait(f, p); }
    std::wstring temp_folder() override { return real.temp_folder(); }
    bool is_administrator() override { return real.is_administrator(); }
    void delete_at_reboot(const std::wstring& p) override { real.delete_at_reboot(p); }
    bool shell_copy_silent(const std::wstring& f, const std::wstring& t) override { return real.shell_copy_silent(f, t); }
    std::wstring shell_link_target(const std::wstring& p) override { return real.shell_link_target(p); }
};

}  // namespace qs
