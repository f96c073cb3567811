#include "console_clock.h"

namespace {

HANDLE g_interrupt = nullptr;

BOOL WINAPI on_console_control(DWORD type)
{
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT || type == CTRL_CLOSE_EVENT) {
        SetEvent(g_interrupt);
        return TRUE; // the main thread ends the run and the program itself
    }
    return FALSE;
}

} // namespace

ConsoleClock::ConsoleClock()
{
    g_interrupt = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(on_console_control, TRUE);
}

int64_t ConsoleClock::now_ms()
{
    // GetTickCount64 is missing before Vista, and the i686 build runs on
    // Windows 98: the 32-bit count is widened here across its wrap.
    const DWORD tick = GetTickCount();
    if (tick < last_tick_) wraps_ += int64_t{1} << 32;
    last_tick_ = tick;
    return wraps_ + tick;
}

bool ConsoleClock::sleep_until(int64_t when_ms)
{
    for (;;) {
        const int64_t left = when_ms - now_ms();
        const DWORD wait = left <= 0 ? 0 : left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(left);
        if (WaitForSingleObject(g_interrupt, wait) == WAIT_OBJECT_0) return false;
        if (left <= 0x7FFFFFFF) return true;
    }
}

HANDLE ConsoleClock::interrupt_event() const { return g_interrupt; }
