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
    std::atomic<int> messages_written{0}, messages_read{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                const int command = 10 + (round + t) % 28;
                const Request r = control(drawer_code(command), {0x80, 0x02}, 1);
                if (r.status() != STATUS_SUCCESS) ++failed_requests;
                // Every byte names its writer and the message's length, so a
                // read shows whether it got one writer's whole message.
                const size_t length = 1 + round % 16;
                const auto mark = static_cast<uint8_t>(t << 4 | (length - 1));
                if (write(std::vector<uint8_t>(length, mark)).status() == STATUS_SUCCESS) ++messages_written;
                const Request back = read(16);
                if (back.status() == STATUS_SUCCESS) {
                    ++messages_read;
                    const uint8_t first = back.buffer[0];
                    torn_messages += back.information() != size_t{(first & 0x0Fu) + 1u};
                    for (size_t i = 0; i < back.information(); ++i) torn_messages += back.buffer[i] != first;
                }
                if (control(kIoctlGetDriverInfo, {}, 64).status() != STATUS_SUCCESS) ++failed_requests;
            }
        });
    }
    for (std::thread& th : threads) th.join();

    EXPECT_EQ(failed_requests, 0);
    // The device holds one message: writes and reads that went through
    // alternate, so every message written but perhaps the last was read.
    EXPECT_GT(messages_read, 0) << "no message went through";
    EXPECT_TRUE(messages_written == messages_read || messages_written == messages_read + 1)
        << messages_written << " written, " << messages_read << " read";
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
