// Start-up time: from CreateProcess until a window of the given class is shown, the way a user
// sees it, so that the start of the process (under Wine: the loader and its DLLs) is part of it;
// and until the program then waits for input with nothing left to do (its window painted).
//   startup_bench PROGRAM WINDOW_CLASS [RUNS]
// One throw-away start first, so that the files are cached; then RUNS starts (5 by default), each
// ended again once it is idle. Prints every run, the medians and the spreads (min-max) in ms.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/handles.h"

namespace {

using clock_type = std::chrono::steady_clock;

struct shown_window {
    DWORD process;
    const wchar_t* class_name;
    HWND found;
};

HWND visible_window_of(DWORD process, const wchar_t* class_name)
{
    shown_window search{process, class_name, nullptr};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<shown_window*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            wchar_t name[256] = {};
            GetClassNameW(h, name, 256);
            if (owner != s->process || !IsWindowVisible(h) || lstrcmpW(name, s->class_name) != 0) return TRUE;
            s->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct start_times {
    double shown = -1;  // negative: the program did not start or showed no such window within 30 s
    double idle = -1;
};

start_times one_start(const std::wstring& program, const std::wstring& folder, const wchar_t* class_name)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring command = L"\"" + program + L"\"";
    const auto began = clock_type::now();
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &info))
        return {};
    qs::win32::kernel_handle process(info.hProcess);
    qs::win32::kernel_handle thread(info.hThread);
    start_times times;
    while (clock_type::now() - began < std::chrono::seconds(30)) {
        if (visible_window_of(info.dwProcessId, class_name)) {
            times.shown = std::chrono::duration<double, std::milli>(clock_type::now() - began).count();
            WaitForInputIdle(process.get(), 10000);
            times.idle = std::chrono::duration<double, std::milli>(clock_type::now() - began).count();
            break;
        }
        if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    TerminateProcess(process.get(), 0);
    WaitForSingleObject(process.get(), 10000);
    return times;
}

void print_median(const char* what, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    std::printf("%s: median %.0f ms (spread %.0f-%.0f ms, %zu runs)\n", what, times[times.size() / 2], times.front(),
                times.back(), times.size());
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_bench PROGRAM WINDOW_CLASS [RUNS]\n");
        return 2;
    }
    const std::wstring program = argv[1];
    const std::wstring folder = program.substr(0, program.find_last_of(L"\\/") + 1);
    const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 5;
    if (one_start(program, folder, argv[2]).shown < 0) {
        std::fprintf(stderr, "the program showed no window of class %ls\n", argv[2]);
        return 1;
    }
    std::vector<double> shown, idle;
    for (int k = 0; k < runs; ++k) {
        const start_times t = one_start(program, folder, argv[2]);
        if (t.shown < 0) {
            std::fprintf(stderr, "run %d: no window\n", k + 1);
            return 1;
        }
        shown.push_back(t.shown);
        idle.push_back(t.idle);
        std::printf("run %d: shown after %.0f ms, idle after %.0f ms\n", k + 1, t.shown, t.idle);
    }
    print_median("shown", shown);
    print_median("idle", idle);
    return 0;
}
