// How soon the program's main window answers while it works: every 100 ms a WM_NULL is sent to
// it and the time until it returns is taken, as a user's click would wait for it.
//   window_probe probe SECONDS            the main window of a program that runs already
//   window_probe update PROGRAM SECONDS   starts PROGRAM in its folder, accepts the licence, clicks
//                                         "Internet update" and probes until the update's closing
//                                         box shows (at most SECONDS); then answers it and exits
// Prints the answer times' longest, median and 99th percentile in ms, how many took longer than
// 100 ms and how many had no answer within 5 s.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/gui/driver.h"

namespace {

using clock_type = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto probe_interval = 100ms;
constexpr UINT answer_limit_ms = 5000;

struct probe_figures {
    std::vector<double> answered_ms;
    std::size_t unanswered = 0;
    double seconds = 0;
};

// Not SMTO_ABORTIFHUNG: a window that Windows deems hung would fail at once, and its wait would
// go unmeasured.
double answer_time_ms(HWND window, bool& answered)
{
    const auto sent = clock_type::now();
    DWORD_PTR result = 0;
    answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, answer_limit_ms, &result) != 0;
    return std::chrono::duration<double, std::milli>(clock_type::now() - sent).count();
}

// Probes until `done` holds or the time is up; a probe that took long is followed by the next at once.
probe_figures probe(HWND window, std::chrono::milliseconds longest, const std::function<bool()>& done)
{
    probe_figures f;
    const auto start = clock_type::now();
    auto next = start;
    while (clock_type::now() - start < longest && !done()) {
        std::this_thread::sleep_until(next);
        bool answered = false;
        const double ms = answer_time_ms(window, answered);
        if (answered) f.answered_ms.push_back(ms);
        else ++f.unanswered;
        if (!IsWindow(window)) break;
        next = std::max(next + probe_interval, clock_type::now());
    }
    f.seconds = std::chrono::duration<double>(clock_type::now() - start).count();
    return f;
}

void print(const probe_figures& f)
{
    std::vector<double> ms = f.answered_ms;
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double share) { return ms.empty() ? 0.0 : ms[static_cast<std::size_t>(share * (ms.size() - 1))]; };
    const auto slow = std::count_if(ms.begin(), ms.end(), [](double t) { return t > 100.0; });
    std::printf("probes %zu over %.1f s: longest_ms %.1f median_ms %.1f p99_ms %.1f over_100ms %ld unanswered_5s %zu\n",
                ms.size() + f.unanswered, f.seconds, f.unanswered > 0 ? double(answer_limit_ms) : at(1.0), at(0.5),
                at(0.99), static_cast<long>(slow), f.unanswered);
}

std::string ascii(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text) out += c >= 32 && c < 127 ? static_cast<char>(c) : ' ';
    return out;
}

int probe_running(std::chrono::milliseconds longest)
{
    HWND main = FindWindowW(qs::gui::main_class, nullptr);
    if (!main) {
        std::fprintf(stderr, "no window of class Tsetup_main_page\n");
        return 1;
    }
    print(probe(main, longest, [] { return false; }));
    return 0;
}

int probe_update(const std::wstring& exe, std::chrono::milliseconds longest)
{
    const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\') + 1);
    qs::gui::program p(exe, folder);
    HWND main = p.started() ? qs::gui::accept_licence(p) : nullptr;
    HWND button = main ? qs::gui::child_with_text(main, L"Internet update", L"Button") : nullptr;
    if (!button) {
        std::fprintf(stderr, "the program did not start, or showed no main window with \"Internet update\"\n");
        return 1;
    }
    // The probe waits for the box without a message to the program: the box is a top-level
    // window, found by its class alone.
    HWND box = nullptr;
    qs::gui::click(button);
    const auto clicked = clock_type::now();
    const probe_figures f = probe(main, longest, [&] { return (box = qs::gui::find_top_window(p.id(), L"#32770")) != nullptr; });
    const double update_seconds = std::chrono::duration<double>(clock_type::now() - clicked).count();
    print(f);
    if (!box) box = qs::gui::find_top_window(p.id(), L"#32770");
    if (!box) {
        std::printf("update_seconds %.1f: no closing box within the time\n", update_seconds);
        return 1;
    }
    const std::wstring said = qs::gui::message_text(box);
    std::printf("update_seconds %.1f until the box \"%s\"\n", update_seconds, ascii(said.substr(0, 60)).c_str());
    qs::gui::answer(box, L"OK");
    if (HWND exit = qs::gui::child_with_text(main, L"Exit", L"Button")) qs::gui::click(exit);
    DWORD code = 0;
    p.wait_for_exit(code, 10s);
    return said.rfind(L"Files to delete:", 0) == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring what = argc > 1 ? argv[1] : L"";
    const auto seconds = [](const wchar_t* text) {
        return std::chrono::milliseconds(static_cast<long long>(std::wcstod(text, nullptr) * 1000));
    };
    if (what == L"probe" && argc == 3) return probe_running(seconds(argv[2]));
    if (what == L"update" && argc == 4) return probe_update(argv[2], seconds(argv[3]));
    std::fprintf(stderr, "usage: window_probe probe SECONDS | update PROGRAM SECONDS\n");
    return 2;
}
