#pragma once
// What the FTP suite runs the real update with: the local update server as a child process, the
// real Win32 platform behind a wrapper that puts the "running program" into a test folder and
// records the message boxes, and the main window's logic with a recording view.

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/win32/win32_platform.h"
#include "setup_main/setup_main_page.h"

namespace qs::ftp_test {

// The Win32 platform with the program placed in `installation` and its boxes recorded.
class recording_platform : public platform {
public:
    win32::win32_platform real;
    std::wstring installation;  // with trailing "\"
    std::vector<std::wstring> messages, errors;

    std::wstring program_path() override { return installation + L"run_this_first.exe"; }
    void show_message(const std::wstring& text) override { messages.push_back(text); }
    void show_error(const std::wstring& text) override { errors.push_back(text); }
    bool ask_yes_no(const std::wstring&, const std::wstring&, box_icon) override { return false; }
    std::wstring input_box(const std::wstring&, const std::wstring&, const std::wstring& d) override { return d; }
    std::wstring browse_for_folder(const std::wstring&, const std::wstring&, std::uint32_t) override { return {}; }
    bool select_directory(const std::wstring&, std::wstring&) override { return false; }

    std::wstring appdata_folder() override { return real.appdata_folder(); }
    std::wstring desktop_folder() override { return real.desktop_folder(); }
    std::wstring windows_directory() override { return real.windows_directory(); }
    bool directory_exists(const std::wstring& p) override { return real.directory_exists(p); }
    bool file_exists(const std::wstring& p) override { return real.file_exists(p); }
    bool find_any(const std::wstring& p) override { return real.find_any(p); }
    std::vector<dir_entry> find_entries(const std::wstring& p) override { return real.find_entries(p); }
    bool create_directory(const std::wstring& p) override { return real.create_directory(p); }
    bool copy_file(const std::wstring& a, const std::wstring& b) override { return real.copy_file(a, b); }
    void move_file_replacing(const std::wstring& a, const std::wstring& b) override { real.move_file_replacing(a, b); }
    bool delete_file(const std::wstring& p) override { return real.delete_file(p); }
    std::vector<std::uint8_t> read_file(const std::wstring& p) override { return real.read_file(p); }
    void write_file(const std::wstring& p, const std::vector<std::uint8_t>& b) override { real.write_file(p, b); }
    std::vector<std::wstring> md5_hex_of_files(const std::vector<std::wstring>& p) override
    {
        return real.md5_hex_of_files(p);
    }
    bool shell_copy(const std::wstring& a, const std::wstring& b) override { return real.shell_copy(a, b); }
    void shell_execute(const std::wstring& f, const std::wstring& p) override { real.shell_execute(f, p); }
    bool save_shell_link(const std::wstring& l, const std::wstring& t, const std::wstring& a,
                         const std::wstring& w) override
    {
        return real.save_shell_link(l, t, a, w);
    }
    registry_data query_registry_value(registry_root r, const std::wstring& k, const std::wstring& v) override
    {
        return real.query_registry_value(r, k, v);
    }
    void set_registry_default_value(registry_root r, const std::wstring& k, const std::wstring& v) override
    {
        real.set_registry_default_value(r, k, v);
    }
    std::wstring system_message(std::uint32_t c) override { return real.system_message(c); }
    std::wstring from_ansi(const std::string& b) override { return real.from_ansi(b); }
    std::string to_ansi(const std::wstring& t) override { return real.to_ansi(t); }
    std::wstring short_date() override { return real.short_date(); }
    std::wstring long_time() override { return real.long_time(); }
    int compare_locale(const std::wstring& a, const std::wstring& b, bool i) override { return real.compare_locale(a, b, i); }
    std::string sort_key(const std::wstring& t, bool i) override { return real.sort_key(t, i); }
    void ftp_get(const ftp_account& a, const std::wstring& s, const std::wstring& l) override { real.ftp_get(a, s, l); }
};

// The Unix path of a test path (all test folders lie below the build tree, reached through Z:).
std::string unix_path_of(const std::filesystem::path& windows_path);
std::filesystem::path build_folder();  // the cross build tree, as a Windows path

// The update server of tests/ftp/update_server.py, started for one test on the build's port and
// stopped (and waited for) when the object goes.
class update_server {
public:
    update_server(const std::filesystem::path& root, const std::vector<std::string>& misbehaviours);
    ~update_server();
    update_server(const update_server&) = delete;
    update_server& operator=(const update_server&) = delete;
    // The server paths of every completed or broken RETR, in order.
    std::vector<std::string> retrieved() const;

private:
    std::filesystem::path folder_;
};

// File helpers on Windows paths.
void write_bytes(const std::filesystem::path& path, const std::string& bytes);
std::string read_bytes(const std::filesystem::path& path);  // "<missing>" when absent

}  // namespace qs::ftp_test
