// What the program needs of the system beyond files: named locks shared by every process, work
// in the background while the window stays responsive, and the clock.
#include <exception>
#include <mutex>
#include <set>
#include <thread>

#include "platform/win32/handles.h"
#include "platform/win32/message_pump.h"
#include "platform/win32/win32_platform.h"

namespace qs::win32 {

void pump_pending_messages()
{
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam));
            return;
        }
        // Tab and the arrow keys move between the controls of a dialog-like window, as in the
        // main message loop.
        const HWND top = m.hwnd ? GetAncestor(m.hwnd, GA_ROOT) : nullptr;
        if (top && IsDialogMessageW(top, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

namespace {

// The names this process holds. A mutex lets the thread that owns it claim it again, so the
// system alone would give a second claim of this process on the same thread.
class held_names {
public:
    bool claim(const std::wstring& name)
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        return names_.insert(name).second;
    }
    void release(const std::wstring& name)
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        names_.erase(name);
    }

private:
    std::mutex mutex_;
    std::set<std::wstring> names_;
};

held_names& names_held_here()
{
    static held_names names;
    return names;
}

// A mutex owned by the thread that claimed it, released and closed when the object goes.
class mutex_lock : public named_lock {
public:
    mutex_lock(kernel_handle mutex, std::wstring name) : mutex_(std::move(mutex)), name_(std::move(name)) {}
    ~mutex_lock() override
    {
        ReleaseMutex(mutex_.get());
        names_held_here().release(name_);
    }
    mutex_lock(const mutex_lock&) = delete;
    mutex_lock& operator=(const mutex_lock&) = delete;

private:
    kernel_handle mutex_;
    std::wstring name_;
};

}  // namespace

std::unique_ptr<named_lock> win32_platform::try_lock(const std::wstring& name)
{
    if (!names_held_here().claim(name)) return nullptr;
    try {
        kernel_handle mutex(CreateMutexW(nullptr, FALSE, name.c_str()));
        // A mutex another user made may refuse us access: it exists, so its owner is still at work.
        if (!mutex) {
            if (GetLastError() != ERROR_ACCESS_DENIED) throw_last_error();
        } else {
            // An owner that ended without letting go (WAIT_ABANDONED) has left the name free.
            const DWORD waited = WaitForSingleObject(mutex.get(), 0);
            if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
                return std::make_unique<mutex_lock>(std::move(mutex), name);
        }
    } catch (...) {
        names_held_here().release(name);
        throw;
    }
    names_held_here().release(name);
    return nullptr;
}

void win32_platform::run_in_background(const std::function<void()>& work, const std::function<void()>& tick)
{
    const kernel_handle finished(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!finished) throw_last_error();
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        SetEvent(finished.get());
    });
    // The worker uses this frame's objects: nothing leaves the frame before it has ended.
    std::exception_ptr tick_failure;
    auto tick_once = [&] {
        if (!tick || tick_failure) return;
        try {
            tick();
        } catch (...) {
            tick_failure = std::current_exception();
        }
    };
    constexpr DWORD tick_interval_ms = 50;
    DWORD next_tick = GetTickCount() + tick_interval_ms;
    for (;;) {
        const HANDLE handle = finished.get();
        const DWORD left = next_tick - GetTickCount();
        const DWORD wait = left > tick_interval_ms ? 0 : left;
        const DWORD woke = MsgWaitForMultipleObjectsEx(1, &handle, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0) break;
        pump_pending_messages();
        if (static_cast<LONG>(GetTickCount() - next_tick) >= 0) {
            tick_once();
            next_tick = GetTickCount() + tick_interval_ms;
        }
    }
    worker.join();
    tick_once();
    if (failure) std::rethrow_exception(failure);
    if (tick_failure) std::rethrow_exception(tick_failure);
}

std::wstring win32_platform::local_timestamp()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    wchar_t text[32];
    swprintf(text, sizeof text / sizeof text[0], L"%04u-%02u-%02uT%02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
             t.wMinute, t.wSecond);
    return text;
}

std::uint64_t win32_platform::milliseconds()
{
    return GetTickCount64();
}

void win32_platform::sleep(std::uint32_t milliseconds)
{
    Sleep(milliseconds);
}

}  // namespace qs::win32
