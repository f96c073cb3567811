#include "win32_threads.h"

namespace kav::opos::win32 {
namespace {

// After a step that failed (out of memory), the thread pauses this long.
constexpr DWORD kPauseAfterFailureMs = 1000;

} // namespace

DWORD wait_ms(int64_t ms)
{
    if (ms < 0) return INFINITE;
    return ms >= 0x7fffffff ? 0x7fffffff : static_cast<DWORD>(ms);
}

Win32Monitor::Win32Monitor() : changed_(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
    InitializeCriticalSection(&section_);
}

Win32Monitor::~Win32Monitor()
{
    DeleteCriticalSection(&section_);
    if (changed_) CloseHandle(changed_);
}

void Win32Monitor::wait_for(int64_t timeout_ms)
{
    LeaveCriticalSection(&section_);
    if (changed_) {
        WaitForSingleObject(changed_, wait_ms(timeout_ms));
    } else {
        Sleep(wait_ms(timeout_ms < 0 ? 1000 : timeout_ms));
    }
    EnterCriticalSection(&section_);
}

Win32Worker::Win32Worker() : wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

Win32Worker::~Win32Worker()
{
    stop_and_join();
    if (wake_) CloseHandle(wake_);
}

bool Win32Worker::start(std::function<int64_t()> step)
{
    if (thread_ || !wake_) return false;
    step_ = std::move(step);
    InterlockedExchange(&stop_, 0);
    thread_ = CreateThread(nullptr, 0, thread_proc, this, 0, nullptr);
    return thread_ != nullptr;
}

void Win32Worker::stop_and_join()
{
    if (!thread_) return;
    InterlockedExchange(&stop_, 1);
    SetEvent(wake_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
    step_ = nullptr;
}

DWORD WINAPI Win32Worker::thread_proc(void* self)
{
    auto& worker = *static_cast<Win32Worker*>(self);
    while (InterlockedCompareExchange(&worker.stop_, 0, 0) == 0) {
        DWORD sleep = kPauseAfterFailureMs;
        // Nothing may leave the thread: an exception here would end the
        // application that loaded us.
        try {
            sleep = wait_ms(worker.step_());
        } catch (...) {
        }
        if (InterlockedCompareExchange(&worker.stop_, 0, 0) != 0) break;
        WaitForSingleObject(worker.wake_, sleep);
    }
    return 0;
}

} // namespace kav::opos::win32
