// Named locks between processes, work in the background while a window of the calling thread
// keeps answering, and the local time stamp of the log.
#include <gtest/gtest.h>

#include <atomic>
#include <cwctype>
#include <stdexcept>
#include <thread>

#include "tests/win32/holder_process.h"
#include "tests/win32/test_support.h"

namespace qs::test {
namespace {

// A name of this test process alone, so that runs side by side do not meet.
std::wstring lock_name(const std::wstring& what)
{
    return L"Global\\qs_test_lock_" + std::to_wstring(GetCurrentProcessId()) + L"_" + what;
}

TEST(Win32Locks, ASecondClaimFailsWhileTheFirstLivesAndTheNameIsFreeAfterwards)
{
    win32::win32_platform os;
    const std::wstring name = lock_name(L"first");
    std::unique_ptr<named_lock> first = os.try_lock(name);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(os.try_lock(name), nullptr) << "a second claim on the same thread";
    std::unique_ptr<named_lock> from_another_thread;
    std::thread([&] { from_another_thread = os.try_lock(name); }).join();
    EXPECT_EQ(from_another_thread, nullptr) << "a claim from another thread";
    {
        holder_process other(holder_process::kind::lock, name);
        EXPECT_EQ(other.answer(), "refused 0") << "a claim from another process";
    }
    EXPECT_NE(os.try_lock(lock_name(L"other")), nullptr) << "another name is another lock";

    first.reset();
    std::unique_ptr<named_lock> again = os.try_lock(name);
    EXPECT_NE(again, nullptr);
    again.reset();
    holder_process after(holder_process::kind::lock, name);
    EXPECT_TRUE(after.holding()) << after.answer();
}

TEST(Win32Locks, AnotherProcessHoldsTheNameUntilItLetsGoOrEnds)
{
    win32::win32_platform os;
    const std::wstring name = lock_name(L"held");
    holder_process other(holder_process::kind::lock, name);
    ASSERT_TRUE(other.holding()) << other.answer();
    EXPECT_EQ(os.try_lock(name), nullptr);
    ASSERT_TRUE(other.let_go());
    EXPECT_NE(os.try_lock(name), nullptr);

    // A holder that dies without letting go (a crash, a power cut of the process) leaves the name free.
    holder_process crashing(holder_process::kind::lock, name);
    ASSERT_TRUE(crashing.holding()) << crashing.answer();
    EXPECT_EQ(os.try_lock(name), nullptr);
    crashing.end_abruptly();
    EXPECT_NE(os.try_lock(name), nullptr);
}

// ---- work in the background

// A window of the test's thread that tells which thread answered it.
class answering_window {
public:
    static constexpr UINT question = WM_APP + 7;

    answering_window()
    {
        WNDCLASSW window_class{};
        window_class.lpfnWndProc = &answering_window::procedure;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = L"qs_answering_window";
        RegisterClassW(&window_class);
        window_ = CreateWindowExW(0, L"qs_answering_window", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    }
    ~answering_window() { DestroyWindow(window_); }
    answering_window(const answering_window&) = delete;
    answering_window& operator=(const answering_window&) = delete;
    HWND get() const { return window_; }

    static inline std::atomic<DWORD> answered_on{0};

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l)
    {
        if (message == question) {
            answered_on = GetCurrentThreadId();
            return 42;
        }
        return DefWindowProcW(window, message, w, l);
    }
    HWND window_ = nullptr;
};

TEST(Win32Background, WorkRunsOnAThreadOfItsOwnTicksRunHereAndTheWindowKeepsAnswering)
{
    win32::win32_platform os;
    answering_window window;
    ASSERT_NE(window.get(), nullptr);
    const DWORD caller = GetCurrentThreadId();
    const win32::kernel_handle probed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    LRESULT null_answered = 0, question_answered = 0;
    DWORD_PTR answer = 0;
    // Another thread asks the window while the work waits for it: only a caller that keeps
    // handling its messages lets the answers through (else each ask gives up after 10 s).
    std::thread asker([&] {
        null_answered = SendMessageTimeoutW(window.get(), WM_NULL, 0, 0, SMTO_BLOCK, 10000, nullptr);
        question_answered =
            SendMessageTimeoutW(window.get(), answering_window::question, 0, 0, SMTO_BLOCK, 10000, &answer);
        SetEvent(probed.get());
    });
    DWORD worker = 0;
    std::atomic<bool> work_ended{false};
    std::vector<DWORD> tick_threads;
    bool last_tick_after_work = false;
    os.run_in_background(
        [&] {
            worker = GetCurrentThreadId();
            WaitForSingleObject(probed.get(), 30000);
            work_ended = true;
        },
        [&] {
            tick_threads.push_back(GetCurrentThreadId());
            last_tick_after_work = work_ended;
        });
    asker.join();

    EXPECT_NE(worker, 0u);
    EXPECT_NE(worker, caller);
    EXPECT_NE(null_answered, 0) << "WM_NULL was not answered";
    EXPECT_NE(question_answered, 0);
    EXPECT_EQ(answer, 42u);
    EXPECT_EQ(answering_window::answered_on.load(), caller);
    ASSERT_FALSE(tick_threads.empty());
    for (DWORD thread : tick_threads) EXPECT_EQ(thread, caller);
    EXPECT_TRUE(last_tick_after_work) << "the last tick comes after the work";
}

TEST(Win32Background, WhatTheWorkOrATickThrowsArrivesAtTheCallerOnceTheWorkHasEnded)
{
    win32::win32_platform os;
    try {
        os.run_in_background([] { throw system_error(L"the work failed", 1234); }, {});
        ADD_FAILURE() << "the work's exception was lost";
    } catch (const system_error& error) {
        EXPECT_EQ(error.text(), L"the work failed");
        EXPECT_EQ(error.code(), 1234u);
    }

    std::atomic<bool> work_ended{false};
    int ticks = 0;
    try {
        os.run_in_background(
            [&] {
                Sleep(300);
                work_ended = true;
            },
            [&] {
                ++ticks;
                throw std::runtime_error("the tick failed");
            });
        ADD_FAILURE() << "the tick's exception was lost";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "the tick failed");
        EXPECT_TRUE(work_ended);
        EXPECT_EQ(ticks, 1) << "no tick after one failed";
    }
}

TEST(Win32Background, AQuitPostedDuringTheWorkIsLeftForTheMainLoop)
{
    win32::win32_platform os;
    const DWORD caller = GetCurrentThreadId();
    os.run_in_background(
        [&] {
            PostThreadMessageW(caller, WM_QUIT, 7, 0);
            Sleep(300);
        },
        {});
    MSG m{};
    ASSERT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.wParam, 7u);
}

// ---- the clock

std::wstring iso_form(const SYSTEMTIME& t)
{
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02uT%02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

TEST(Win32Clock, TheTimestampIsTheLocalTimeInItsForm)
{
    win32::win32_platform os;
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    const std::wstring stamp = os.local_timestamp();
    GetLocalTime(&after);
    ASSERT_EQ(stamp.size(), 19u) << narrow(stamp);
    for (std::size_t i = 0; i < stamp.size(); ++i) {
        const wchar_t expected = i == 4 || i == 7 ? L'-' : i == 10 ? L'T' : i == 13 || i == 16 ? L':' : L'0';
        if (expected == L'0') EXPECT_TRUE(std::iswdigit(stamp[i])) << narrow(stamp);
        else EXPECT_EQ(stamp[i], expected) << narrow(stamp);
    }
    EXPECT_LE(iso_form(before), stamp);
    EXPECT_LE(stamp, iso_form(after));
}

}  // namespace
}  // namespace qs::test
