#pragma once
// The Internet update of "MyApp" on the fake platform: the installation D:\Setup\Sample\ with its
// setup program, a live folder on the fake server, and what the tests ask of both afterwards.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "setup_main/command_line.h"
#include "setup_main/update/internet_update.h"
#include "setup_main/update/signed_list.h"
#include "tests/support/page_fixture.h"

namespace qs::test {

class fake_update_test : public ::testing::Test, public page_on<> {
protected:
    const std::wstring install = L"D:\\Setup\\Sample\\";
    const std::wstring live = L"/public/live/MyApp/";
    const std::wstring list = live + L"___korvex_file_list.txt";
    const std::wstring signature = live + L"___korvex_file_list.txt.sig";

    void SetUp() override
    {
        page.application_name = L"MyApp";
        page.update_signing_key.reset();  // whatever key the build has: these runs take the list unsigned
        os.add_file(install + L"run_this_first.exe", "setup program");
        os.add_folder(os.appdata + L"\\RUN_THIS_FIRST");  // the per-user folder, as the start-up makes it
    }

    // Publishes files in the live folder together with the server's list of them (sorted).
    void publish(const std::vector<std::pair<std::wstring, std::string>>& files, lines extra_lines = {})
    {
        lines entries = std::move(extra_lines);
        for (const auto& [path, content] : files) {
            os.ftp_files[live + path] = content;
            entries.push_back(listed_line(path, content));
        }
        std::sort(entries.begin(), entries.end(),
                  [this](const std::wstring& a, const std::wstring& b) { return os.compare_locale(a, b, true) < 0; });
        std::wstring text;
        for (const auto& l : entries) text += l + L"\r\n";
        os.ftp_files[list] = os.to_ansi(text);
    }
    // The signature file for the published list, as the publishing tool writes it.
    void sign_list(const ecdsa_p256_public_key& key, const std::wstring& application = L"MyApp",
                   std::uint64_t release = 1)
    {
        const std::string heading = update::signature_heading(application, release);
        const std::string der = os.sign(key, heading + os.ftp_files[list]);
        os.ftp_files[signature] = heading + "signature: " + update::base64_encode(fake::bytes_of(der)) + "\r\n";
    }
    // The server paths fetched, in order.
    lines fetched() const
    {
        lines out;
        for (const auto& call : os.ftp_calls) out.push_back(call.server_path);
        return out;
    }
    // Every file and folder of the installation, with its content (and "(read-only)" after it).
    std::map<std::wstring, std::string> snapshot() const
    {
        std::map<std::wstring, std::string> files;
        for (const auto& path : os.tree(L"D:\\Setup\\Sample")) {
            std::string content = os.has_folder(install + path) ? "<folder>" : os.content(install + path);
            if (os.is_read_only(install + path)) content += " (read-only)";
            files[path] = content;
        }
        return files;
    }
    // The same, without the update's own working files and staging folder.
    std::map<std::wstring, std::string> installed() const
    {
        std::map<std::wstring, std::string> files = snapshot();
        for (auto it = files.begin(); it != files.end();)
            it = it->first.rfind(L"___", 0) == 0 ? files.erase(it) : std::next(it);
        return files;
    }
    // The run itself with these settings, nothing between it and the test: an exception of the
    // test's own goes through it as a crash would end the program. Nothing is logged.
    update::outcome run_update(const update::run_settings& settings)
    {
        class quiet : public update::observer {
            void progress(const std::wstring&) override {}
            void note(const std::wstring&) override {}
            void bytes_staged(std::uint64_t, std::uint64_t) override {}
            bool retry_files_in_use(const std::wstring&) override { return false; }
        } watcher;
        update::update_log log(os, L"");
        return update::internet_update(os, settings, watcher, log).run();
    }
    update::outcome run_update() { return run_update(page.update_settings()); }
    bool staging_folder_exists() const { return os.has_folder(install + L"___korvex_update"); }
    std::string staged(const std::wstring& path) const { return os.content(install + L"___korvex_update\\staged\\" + path); }
};

// The unattended update (/update) of "MyApp" on the fake, with its log in D:\Logs.
class unattended_update_test : public fake_update_test {
protected:
    const std::wstring log_file = L"D:\\Logs\\update.log";

    void SetUp() override
    {
        fake_update_test::SetUp();
        os.add_file(install + L"init_setup\\application_name.txt", "MyApp\r\n");
        os.add_folder(L"D:\\Logs");
    }
    // The program started with these arguments and no window: its exit code.
    int run_command_line(const std::vector<std::wstring>& args) { return run_without_windows(os, parse_command_line(args)); }
};

}  // namespace qs::test
