// wait-close: watch a drawer until it reads closed, sounding the alarm at a
// steady rhythm once it has stood open too long, and give up at the timeout.
// Time comes from a clock interface, so the timing is tested with a fake one.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>

namespace kav::drawers {

class Clock {
public:
    virtual int64_t now_ms() = 0;
    // Returns at when (at once if it has passed); false if the user
    // interrupted the wait.
    virtual bool sleep_until(int64_t when_ms) = 0;

protected:
    Clock() = default;
    Clock(const Clock&) = default;
    Clock& operator=(const Clock&) = default;
    ~Clock() = default;
};

enum class Reading { Open, Closed, NotReachable, RequestFailed, Interrupted };

// How the drawer's state is learnt: a board or USB drawer is asked again and
// again; a serial drawer tells of each change itself.
class DrawerWatch {
public:
    virtual Reading read() = 0;
    // The state once it has changed or deadline_ms has come, whichever is first
    // (a watch may also return earlier with the state unchanged).
    virtual Reading wait_until(int64_t deadline_ms) = 0;

    // Owned through this interface: the platform makes a watch per drawer.
    virtual ~DrawerWatch() = default;

protected:
    DrawerWatch() = default;
    DrawerWatch(const DrawerWatch&) = default;
    DrawerWatch& operator=(const DrawerWatch&) = default;
};

inline constexpr int64_t kPollMs = 200;

class PollingWatch final : public DrawerWatch {
public:
    PollingWatch(Clock& clock, std::function<Reading()> read, int64_t period_ms = kPollMs)
        : clock_(clock), read_(std::move(read)), period_ms_(period_ms)
    {
    }
    Reading read() override { return read_(); }
    Reading wait_until(int64_t deadline_ms) override;

private:
    Clock& clock_;
    std::function<Reading()> read_;
    int64_t period_ms_;
};

inline constexpr int64_t kBeepPeriodMs = 1000;

struct WaitOptions {
    std::optional<int64_t> timeout_ms;     // none: wait as long as it takes
    std::optional<int64_t> alarm_after_ms; // none: never beep
    int64_t beep_period_ms = kBeepPeriodMs;
};

enum class WaitEnd { Closed, TimedOut, Failed, Interrupted };

struct WaitResult {
    WaitEnd end;
    Reading last;     // what the drawer read last
    int64_t waited_ms;
    int beeps;
};

WaitResult wait_close(DrawerWatch& watch, Clock& clock, const WaitOptions& options, const std::function<void()>& beep);

} // namespace kav::drawers
