#pragma once
// The main window as the tests see it: it records what the tasks showed, so that a task runs
// against the fake platform (or the real one) without a window.

#include <functional>
#include <map>
#include <utility>
#include <string>
#include <vector>

#include "setup_main/main_window_view.h"

namespace qs::fake {

// A main window that records what the tasks showed.
class fake_view : public main_window_view {
public:
    std::vector<std::wstring> info;
    std::vector<std::wstring> progress_texts;
    std::wstring caption = L"Korvex Hard- and Software quick setup";
    std::map<control, std::wstring> texts;
    std::vector<std::wstring> info_lines;
    std::map<control, bool> enabled;
    bool closed = false;
    std::function<void()> on_progress;  // runs at each progress text, as the message loop would

    void append_info(const std::wstring& line) override { info.push_back(line); }
    void set_progress(const std::wstring& text) override
    {
        progress_texts.push_back(text);
        if (on_progress) on_progress();
    }
    void set_caption(const std::wstring& text) override { caption = text; }
    void set_control_text(control which, const std::wstring& text) override { texts[which] = text; }
    void set_info_lines(const std::vector<std::wstring>& lines) override { info_lines = lines; }
    void set_enabled(control which, bool on) override { enabled[which] = on; }
    void close_window() override { closed = true; }
    // The taskbar button: its last progress (done, total), and its states in order.
    std::pair<std::uint64_t, std::uint64_t> task_progress{0, 0};
    std::vector<std::string> task_states;
    void show_task_progress(std::uint64_t done, std::uint64_t total) override
    {
        task_progress = {done, total};
        if (task_states.empty() || task_states.back() != "progress") task_states.push_back("progress");
    }
    void show_task_failed() override { task_states.push_back("failed"); }
    void clear_task_progress() override { task_states.push_back("none"); }

    bool is_enabled(control which) const
    {
        auto it = enabled.find(which);
        return it == enabled.end() || it->second;
    }
};

}  // namespace qs::fake
