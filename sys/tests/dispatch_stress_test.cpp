// Several threads on the one admitted handle, through the framework's
// dispatch routines: pulses and status reads on every board, messages
// written and read back, the driver's info.
#include "driver_fixture.h"
#include "ioctl_codes.h"
#include "emulated_terminal.h"

#include <gtest/gtest.h>

#include <thread>

namespace kav::test {
namespace {

TEST_F(DriverFixture, ManyThreadsOnOneHandleKeepPortsAndMessagesWhole)
{
    ASSERT_EQ(load(), STATUS_SUCCESS);
    ASSERT_EQ(create().status(), STATUS_SUCCESS);
    auto& terminal = static_cast<SimTerminal&>(DRVSHELL_Ports());

    constexpr int kThreads = 4;
    constexpr int kRounds = 40;
    std::atomic<int> torn_messages{0};
    std::atomic<int> failed_requests{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const uint8_t mark = static_cast<uint8_t>(t + 1);
            for (int round = 0; round < kRounds; ++round) {
                const int command = 10 + (round + t) % 28;
                const Request r = control(drawer_code(command), {0x80, 0x02}, 1);
                if (r.status() != STATUS_SUCCESS) ++failed_requests;
                write(std::vector<uint8_t>(static_cast<size_t>(1 + round % 16), mark));
                const Request back = read(16);
                // A message comes back whole or not at all: one writer's bytes, its length.
                if (back.status() == STATUS_SUCCESS) {
                    const uint8_t first = back.buffer[0];
                    for (size_t i = 0; i < back.information(); ++i) torn_messages += back.buffer[i] != first;
                }
                if (control(kIoctlGetDriverInfo, {}, 64).status() != STATUS_SUCCESS) ++failed_requests;
            }
        });
    }
    for (std::thread& th : threads) th.join();

    EXPECT_EQ(failed_requests, 0);
    EXPECT_EQ(torn_messages, 0);
    EXPECT_EQ(terminal.stray_config_accesses(), 0u) << "every super-I/O sequence kept its bracket";
    EXPECT_FALSE(terminal.in_config_mode());
    EXPECT_EQ(DRVSHELL_Pool().stats().refused_releases, 0u);
    close();
    unload();
    EXPECT_EQ(HostKernel::get().live_pool_blocks, 0);
    EXPECT_EQ(DRVSHELL_Pool().stats().bytes_allocated, 0u);
}

} // namespace
} // namespace kav::test
