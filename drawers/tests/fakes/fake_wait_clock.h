// A clock whose time moves only when the code under test sleeps, and a drawer
// that stays open until a given moment.
#pragma once
#include "wait_close.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace kav::drawers::testing {

class FakeClock final : public Clock {
public:
    int64_t now = 1'000'000; // not 0: the code must measure from its own start
    // The first sleep that would pass this moment is interrupted there, as Ctrl+C does.
    std::optional<int64_t> interrupt_at;
    std::vector<int64_t> sleeps; // the moment each sleep was asked to end

    int64_t now_ms() override { return now; }
    bool sleep_until(int64_t when_ms) override
    {
        sleeps.push_back(when_ms);
        if (interrupt_at && when_ms >= *interrupt_at) {
            now = std::max(now, *interrupt_at);
            return false;
        }
        now = std::max(now, when_ms);
        return true;
    }
};

} // namespace kav::drawers::testing
