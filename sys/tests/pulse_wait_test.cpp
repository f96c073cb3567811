// A drawer pulse through the framework: its length at the port, and how the
// driver waits for it.
#include "driver_fixture.h"
#include "ioctl_codes.h"
#include "pulse_wait.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace kav::test {
namespace {

TEST_F(DriverFixture, APulseSleepsMostOfItsLengthAndSpinsOnlyToTheDeadline)
{
    ASSERT_EQ(load(), STATUS_SUCCESS);
    create();
    for (const int command : {12, 10}) { // a port pulse and a super-I/O pulse
        SCOPED_TRACE(command);
        HostKernel::get().sleeps.clear();
        HostKernel::get().debug_lines.clear();
        const int64_t before = HostKernel::get().counter;
        EXPECT_EQ(control(drawer_code(command), {}, 0).status(), STATUS_SUCCESS);

        EXPECT_EQ(HostKernel::get().sleeps, std::vector<int64_t>{(kPulseMicroseconds - kSpinMarginUs) * 10});
        EXPECT_EQ(HostKernel::get().timer_resolution_requests, 0) << "the resolution is given back";
        unsigned pulse_us = 0;
        const std::string out = output();
        const size_t at = out.find("simulated terminal: pulse of ");
        ASSERT_NE(at, std::string::npos) << out;
        std::sscanf(out.c_str() + at, "simulated terminal: pulse of %u us", &pulse_us);
        EXPECT_GE(pulse_us, kPulseMicroseconds) << "never shorter";
        EXPECT_LE(pulse_us, kPulseMicroseconds + 2000);
        // Each query moves the stand-in's counter 100 us: the spin took a few.
        const int64_t spun_queries = (HostKernel::get().counter - before - (kPulseMicroseconds - kSpinMarginUs) * 10) / 1000;
        EXPECT_LE(spun_queries, 60);
    }
}

} // namespace
} // namespace kav::test
