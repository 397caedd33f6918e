// Start-up time: from CreateProcess until a window of the given class is shown, the way a user
// sees it, so that the start of the process (under Wine: the loader and its DLLs) is part of it;
// and until the program then waits for input with nothing left to do (its window painted).
//   startup_bench RUNS PROGRAM WINDOW_CLASS [PROGRAM WINDOW_CLASS]...
// One throw-away start of each first, so that the files are cached; then RUNS rounds, in which
// the programs start in turn, each ended again once it is idle. Prints every run, and per program
// the medians and the spreads (min-max) in ms.
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
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: startup_bench RUNS PROGRAM WINDOW_CLASS [PROGRAM WINDOW_CLASS]...\n");
        return 2;
    }
    const int runs = std::max(1, _wtoi(argv[1]));
    struct measured {
        std::wstring program, folder, class_name;
        std::vector<double> shown, idle;
    };
    std::vector<measured> programs;
    for (int k = 2; k + 1 < argc; k += 2) {
        const std::wstring program = argv[k];
        programs.push_back({program, program.substr(0, program.find_last_of(L"\\/") + 1), argv[k + 1], {}, {}});
    }
    for (const measured& m : programs) {
        if (one_start(m.program, m.folder, m.class_name.c_str()).shown < 0) {
            std::fprintf(stderr, "%ls showed no window of class %ls\n", m.program.c_str(), m.class_name.c_str());
            return 1;
        }
    }
    // The programs take turns, so that a change in the machine's load falls on all of them alike.
    for (int k = 0; k < runs; ++k) {
        for (measured& m : programs) {
            const start_times t = one_start(m.program, m.folder, m.class_name.c_str());
            if (t.shown < 0) {
                std::fprintf(stderr, "%ls, run %d: no window\n", m.program.c_str(), k + 1);
                return 1;
            }
            m.shown.push_back(t.shown);
            m.idle.push_back(t.idle);
            std::printf("run %d, %ls: shown after %.0f ms, idle after %.0f ms\n", k + 1, m.class_name.c_str(),
                        t.shown, t.idle);
        }
    }
    for (const measured& m : programs) {
        std::printf("%ls\n", m.program.c_str());
        print_median("  shown", m.shown);
        print_median("  idle", m.idle);
    }
    return 0;
}
