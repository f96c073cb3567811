// A simulation clock that only moves when the code under test stalls or the
// test advances it.
#pragma once
#include "emulated_terminal.h"

namespace kav::test {

class FakeClock final : public SimClock {
public:
    uint64_t now_us() override { return now; }
    void stall(uint32_t microseconds) override { now += microseconds; }
    uint64_t now = 1000;
};

} // namespace kav::test
