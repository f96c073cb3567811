// The service object's lock and worker threads over Win32: a critical section
// with an auto-reset event for the one waiter, and a thread that runs its
// step until stopped. Only calls Windows XP has.
#pragma once
#include "platform.h"

#include <windows.h>

namespace kav::opos::win32 {

class Win32Monitor final : public Monitor {
public:
    Win32Monitor();
    ~Win32Monitor() override;
    Win32Monitor(const Win32Monitor&) = delete;
    Win32Monitor& operator=(const Win32Monitor&) = delete;

    void lock() override { EnterCriticalSection(&section_); }
    void unlock() override { LeaveCriticalSection(&section_); }
    void wait_for(int64_t timeout_ms) override;
    void notify() override { SetEvent(changed_); }

private:
    CRITICAL_SECTION section_;
    HANDLE changed_;
};

class Win32Worker final : public Worker {
public:
    Win32Worker();
    ~Win32Worker() override;
    Win32Worker(const Win32Worker&) = delete;
    Win32Worker& operator=(const Win32Worker&) = delete;

    bool start(std::function<int64_t()> step) override;
    void wake() override { SetEvent(wake_); }
    void stop_and_join() override;

private:
    static DWORD WINAPI thread_proc(void* self);
    std::function<int64_t()> step_;
    HANDLE wake_;
    HANDLE thread_ = nullptr;
    volatile LONG stop_ = 0;
};

// Milliseconds to wait, as WaitForSingleObject takes them.
DWORD wait_ms(int64_t ms);

} // namespace kav::opos::win32
