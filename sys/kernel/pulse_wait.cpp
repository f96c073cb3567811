#include "pulse_wait.h"
#include "kernel_api.h"

namespace {

// 1 ms, in the timer's 100 ns units: fine enough that the sleep ends well
// inside the spin margin.
constexpr ULONG kTimerResolution = 10000;

// Counter ticks in `microseconds`, rounded up; split so it cannot overflow.
int64_t ticks_in(uint32_t microseconds, int64_t hz)
{
    const int64_t whole = microseconds / 1000000;
    const int64_t rest = microseconds % 1000000;
    return whole * hz + (rest * hz + 999999) / 1000000;
}

} // namespace

void DRVSHELL_Wait(uint32_t microseconds)
{
    LARGE_INTEGER frequency;
    const int64_t start = KeQueryPerformanceCounter(&frequency).QuadPart;
    const int64_t hz = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
    const int64_t deadline = start + ticks_in(microseconds, hz);

    if (microseconds > kSpinMarginUs) {
        ExSetTimerResolution(kTimerResolution, TRUE);
        LARGE_INTEGER interval;
        interval.QuadPart = -static_cast<int64_t>(microseconds - kSpinMarginUs) * 10; // relative, 100 ns units
        KeDelayExecutionThread(KernelMode, FALSE, &interval);
        ExSetTimerResolution(0, FALSE);
    }
    while (KeQueryPerformanceCounter(nullptr).QuadPart < deadline) {
    }
}
