#pragma once
// The real Win32 platform behind a wrapper that puts the "running program" into a test folder and
// records the message boxes: what the FTP suite and the update benchmark run the real update on.

#include <windows.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/win32/forwarding_platform.h"

namespace qs::ftp_test {

// The Win32 platform with the program placed in `installation`, its boxes recorded and its
// Retry/Cancel boxes answered from a script.
class recording_platform : public wine_test::forwarding_platform {
public:
    std::wstring installation;  // with trailing "\"
    std::vector<std::wstring> messages, errors;
    std::vector<std::wstring> retry_boxes;
    // The answers to the Retry/Cancel boxes in turn, true for Retry; Cancel when none is left.
    std::deque<bool> retry_answers;
    // Runs while a Retry/Cancel box shows, before it is answered.
    std::function<void()> on_retry_box;

    std::wstring program_path() override { return installation + L"run_this_first.exe"; }
    void show_message(const std::wstring& text) override { messages.push_back(text); }
    void show_error(const std::wstring& text) override { errors.push_back(text); }
    bool ask_yes_no(const std::wstring&, const std::wstring&, box_icon) override { return false; }
    bool ask_retry_cancel(const std::wstring& text) override
    {
        retry_boxes.push_back(text);
        if (on_retry_box) on_retry_box();
        if (retry_answers.empty()) return false;
        const bool retry = retry_answers.front();
        retry_answers.pop_front();
        return retry;
    }
    std::wstring input_box(const std::wstring&, const std::wstring&, const std::wstring& d,
                           const dialog_buttons&) override
    {
        return d;
    }
    std::wstring browse_for_folder(const std::wstring&, const std::wstring&, std::uint32_t) override { return {}; }
    bool select_directory(const std::wstring&, const select_directory_texts&, std::wstring&) override { return false; }
};

}  // namespace qs::ftp_test
