#include "wait_close.h"

#include <algorithm>
#include <limits>

namespace kav::drawers {

Reading PollingWatch::wait_until(int64_t deadline_ms)
{
    const int64_t next_poll = clock_.now_ms() + period_ms_;
    if (!clock_.sleep_until(std::min(deadline_ms, next_poll))) return Reading::Interrupted;
    return read_();
}

WaitResult wait_close(DrawerWatch& watch, Clock& clock, const WaitOptions& options, const std::function<void()>& beep)
{
    constexpr int64_t kNever = std::numeric_limits<int64_t>::max();
    const int64_t start = clock.now_ms();
    const int64_t give_up = options.timeout_ms ? start + *options.timeout_ms : kNever;
    int64_t next_beep = options.alarm_after_ms ? start + *options.alarm_after_ms : kNever;
    int beeps = 0;

    Reading reading = watch.read();
    for (;;) {
        const int64_t now = clock.now_ms();
        const auto result = [&](WaitEnd end) { return WaitResult{end, reading, now - start, beeps}; };
        switch (reading) {
        case Reading::Closed: return result(WaitEnd::Closed);
        case Reading::Interrupted: return result(WaitEnd::Interrupted);
        case Reading::NotReachable:
        case Reading::RequestFailed: return result(WaitEnd::Failed);
        case Reading::Open: break;
        }
        if (now >= give_up) return result(WaitEnd::TimedOut);
        if (now >= next_beep) {
            beep();
            ++beeps;
            // A steady rhythm from the alarm time; a late wake-up does not
            // make the beeps it missed up in a burst.
            next_beep += options.beep_period_ms;
            if (next_beep <= now) next_beep = now + options.beep_period_ms;
        }
        reading = watch.wait_until(std::min(give_up, next_beep));
    }
}

} // namespace kav::drawers
