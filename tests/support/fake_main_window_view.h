#pragma once
// The main window as the tests see it: it records what the tasks showed, so that a task runs
// against the fake platform (or the real one) without a window.

#include <functional>
#include <map>
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

    bool is_enabled(control which) const
    {
        auto it = enabled.find(which);
        return it == enabled.end() || it->second;
    }
};

}  // namespace qs::fake
