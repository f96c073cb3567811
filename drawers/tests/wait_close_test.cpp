#include "wait_close.h"

#include "fake_wait_clock.h"

#include <gtest/gtest.h>

namespace kav::drawers {
namespace {

using testing::FakeClock;

constexpr int64_t kNever = INT64_MAX;

// A drawer on the fake clock: open until closes_at (relative to the start),
// failing from fails_at on.
struct ScriptedDrawer {
    FakeClock& clock;
    int64_t start;
    int64_t closes_at = kNever;
    int64_t fails_at = kNever;
    int reads = 0;

    Reading read()
    {
        ++reads;
        const int64_t t = clock.now - start;
        if (t >= fails_at) return Reading::NotReachable;
        return t >= closes_at ? Reading::Closed : Reading::Open;
    }
};

// A serial-style watch: told of the change at the moment it happens.
class EventWatch final : public DrawerWatch {
public:
    explicit EventWatch(ScriptedDrawer& drawer) : drawer_(drawer) {}
    Reading read() override { return drawer_.read(); }
    Reading wait_until(int64_t deadline_ms) override
    {
        const int64_t change = drawer_.closes_at == kNever ? kNever : drawer_.start + drawer_.closes_at;
        if (!drawer_.clock.sleep_until(std::min(deadline_ms, change))) return Reading::Interrupted;
        return drawer_.read();
    }

private:
    ScriptedDrawer& drawer_;
};

WaitOptions opts(std::optional<int64_t> timeout_ms, std::optional<int64_t> alarm_after_ms = {})
{
    WaitOptions options;
    options.timeout_ms = timeout_ms;
    options.alarm_after_ms = alarm_after_ms;
    return options;
}

struct WaitRun {
    WaitResult result;
    std::vector<int64_t> beeps; // times since the start
    int reads;
};

WaitRun wait(int64_t closes_at, WaitOptions options, bool events = false, std::optional<int64_t> interrupt_at = {},
         int64_t fails_at = kNever)
{
    FakeClock clock;
    ScriptedDrawer drawer{clock, clock.now, closes_at, fails_at};
    if (interrupt_at) clock.interrupt_at = clock.now + *interrupt_at;
    PollingWatch polling(clock, [&] { return drawer.read(); });
    EventWatch evented(drawer);
    DrawerWatch& watch = events ? static_cast<DrawerWatch&>(evented) : polling;
    WaitRun run{};
    const int64_t start = clock.now;
    run.result = wait_close(watch, clock, options, [&] { run.beeps.push_back(clock.now - start); });
    run.reads = drawer.reads;
    return run;
}

TEST(WaitClose, ReturnsWhenTheDrawerCloses)
{
    const WaitRun closed_already = wait(0, opts({}));
    EXPECT_EQ(closed_already.result.end, WaitEnd::Closed);
    EXPECT_EQ(closed_already.result.waited_ms, 0);
    EXPECT_EQ(closed_already.reads, 1);

    // Polled: seen at the first poll after the close, not later.
    const WaitRun polled = wait(3050, opts(10000));
    EXPECT_EQ(polled.result.end, WaitEnd::Closed);
    EXPECT_EQ(polled.result.waited_ms, 3200);

    // Told by an event: seen at the moment it closed, with one read at the
    // start and one at the change (no polling in between).
    const WaitRun evented = wait(3050, opts(10000), true);
    EXPECT_EQ(evented.result.end, WaitEnd::Closed);
    EXPECT_EQ(evented.result.waited_ms, 3050);
    EXPECT_EQ(evented.reads, 2);
}

TEST(WaitClose, GivesUpAtTheTimeoutOnADrawerHeldOpen)
{
    for (bool events : {false, true}) {
        const WaitRun run = wait(kNever, opts(2500), events);
        EXPECT_EQ(run.result.end, WaitEnd::TimedOut) << events;
        EXPECT_EQ(run.result.last, Reading::Open);
        EXPECT_EQ(run.result.waited_ms, 2500) << "neither early nor a poll late";
    }
    EXPECT_EQ(wait(kNever, opts(0)).result.end, WaitEnd::TimedOut) << "0: one look only";
    // Closing exactly at the timeout: the last look before giving up sees it.
    EXPECT_EQ(wait(2500, opts(2500), true).result.end, WaitEnd::Closed);
}

TEST(WaitClose, BeepsAtASteadyRhythmFromTheAlarmTimeUntilTheDrawerCloses)
{
    for (bool events : {false, true}) {
        const WaitRun run = wait(4500, opts({}, 1500), events);
        EXPECT_EQ(run.result.end, WaitEnd::Closed);
        EXPECT_EQ(run.beeps, (std::vector<int64_t>{1500, 2500, 3500})) << (events ? "events" : "polled");
        EXPECT_EQ(run.result.beeps, 3);
    }
    EXPECT_TRUE(wait(1000, opts({}, 1500)).beeps.empty()) << "closed before the alarm";
    EXPECT_EQ(wait(kNever, opts(3000, 0), true).beeps,
              (std::vector<int64_t>{0, 1000, 2000}))
        << "no beep at the moment it gives up";
}

TEST(WaitClose, ALateWakeUpDoesNotMakeUpMissedBeepsInABurst)
{
    // A watch that oversleeps by 2.5 s once, as a stalled machine would.
    FakeClock clock;
    const int64_t start = clock.now;
    int calls = 0;
    struct Oversleeping final : DrawerWatch {
        FakeClock& clock;
        int& calls;
        Oversleeping(FakeClock& c, int& n) : clock(c), calls(n) {}
        Reading read() override { return Reading::Open; }
        Reading wait_until(int64_t deadline_ms) override
        {
            clock.sleep_until(++calls == 2 ? deadline_ms + 2500 : deadline_ms);
            return Reading::Open;
        }
    } watch(clock, calls);
    std::vector<int64_t> beeps;
    wait_close(watch, clock, opts(7000, 1000), [&] { beeps.push_back(clock.now - start); });
    EXPECT_EQ(beeps, (std::vector<int64_t>{1000, 4500, 5500, 6500}));
}

TEST(WaitClose, EndsOnAFailureOrAnInterruption)
{
    const WaitRun failed = wait(kNever, opts(10000), false, {}, 1000);
    EXPECT_EQ(failed.result.end, WaitEnd::Failed);
    EXPECT_EQ(failed.result.last, Reading::NotReachable);
    EXPECT_EQ(failed.result.waited_ms, 1000);

    for (bool events : {false, true}) {
        const WaitRun interrupted = wait(kNever, opts({}, 500), events, 1234);
        EXPECT_EQ(interrupted.result.end, WaitEnd::Interrupted) << events;
        EXPECT_EQ(interrupted.result.waited_ms, 1234);
    }
}

} // namespace
} // namespace kav::drawers
