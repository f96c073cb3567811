#include "command_engine.h"
#include "fake_clock.h"
#include "ioctl_codes.h"
#include "emulated_terminal.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace kav {
namespace {

using Group = SimTerminal::Group;

class SimFixture : public ::testing::Test, public SimObserver {
protected:
    void drawer_opened(const char* board, uint16_t port, int drawer, uint64_t pulse_us) override
    {
        pulses_us.push_back(pulse_us);
        opened.push_back(std::string(board) + "@" + std::to_string(port) + "#" + std::to_string(drawer));
    }
    void stray_config_access(uint16_t port) override { stray_ports.push_back(port); }
    std::vector<uint64_t> pulses_us;
    std::vector<uint16_t> stray_ports;
    // Runs a command the way the driver would; returns the status byte or -1.
    int command(int n, uint16_t port = 0x280)
    {
        std::array<uint8_t, 2> buf{static_cast<uint8_t>(port), static_cast<uint8_t>(port >> 8)};
        const ControlResult r = run_drawer_code(sim, drawer_code(n), {buf.data(), 2, 1});
        EXPECT_EQ(r.status, kStatusSuccess);
        return r.bytes_returned == 1 ? buf[0] : -1;
    }
    void SetUp() override { sim.set_observer(this); }

    test::FakeClock clock;
    SimTerminal sim{clock};
    std::vector<std::string> opened;
};

// Each board: the open command of each drawer, the status command, the group.
struct Board {
    const char* name;
    int open1, open2, status;
    Group group;
    uint16_t port;
};
const Board kBoards[] = {
    {"VOLX-9623", 10, 24, 11, SimTerminal::SuperIo, 0x280},
    {"VOLX-8613", 12, 14, 13, SimTerminal::Port408, 0x280},
    {"thin client @0x200", 16, 18, 17, SimTerminal::Dio200, 0x200},
    {"VOLX-8623 @0x260", 20, 22, 21, SimTerminal::Dio260, 0x260},
    {"VOLX-9842", 26, 28, 27, SimTerminal::Dio240, 0x280},
    {"VOLX-9613", 30, 32, 31, SimTerminal::Port201, 0x280},
};

TEST_F(SimFixture, EveryBoardsDrawersOpenReportAndCloseAgain)
{
    sim.set_close_after_us(3000000);
    for (const Board& b : kBoards) {
        for (const int drawer : {1, 2}) {
            SCOPED_TRACE(::testing::Message() << b.name << " drawer " << drawer);
            sim.reset();
            EXPECT_EQ(command(b.status, b.port), 0);
            EXPECT_EQ(command(drawer == 1 ? b.open1 : b.open2, b.port), -1);
            EXPECT_TRUE(sim.drawer_open(b.group, drawer - 1));
            EXPECT_FALSE(sim.drawer_open(b.group, 2 - drawer)) << "the other drawer must stay shut";
            EXPECT_EQ(command(b.status, b.port), 1);
            EXPECT_FALSE(sim.in_config_mode());
            clock.now += 3000000;
            EXPECT_EQ(command(b.status, b.port), 0);
            EXPECT_EQ(sim.stray_config_accesses(), 0u) << "every sequence is one complete bracket";
        }
    }
    EXPECT_EQ(pulses_us, std::vector<uint64_t>(12, kPulseMicroseconds)) << "each pulse's length as the port saw it";
}

TEST_F(SimFixture, OnlyTheAddressedDioPortMoves)
{
    command(16, 0x200);
    EXPECT_EQ(sim.last_opened_port(), 0x200);
    EXPECT_EQ(command(17, 0x200), 1);
    for (const int other : {0x220, 0x240, 0x260, 0x280}) EXPECT_EQ(command(17, static_cast<uint16_t>(other)), 0) << other;
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "DIO@512#1");
}

TEST_F(SimFixture, APulseTooShortOrWithoutReleaseOpensNothing)
{
    sim.write(0x408, 0xE0); // asserted, released at once
    sim.write(0x408, 0xF0);
    sim.write(0x201, 0x10); // asserted and never released
    clock.now += 1000000;
    EXPECT_EQ(command(13), 0);
    EXPECT_EQ(command(31), 0);
    EXPECT_TRUE(opened.empty());
}

TEST_F(SimFixture, SuperIoPulseLeavesTheOtherSevenBitsAndConfigurationMode)
{
    for (const uint8_t start : {uint8_t{0xC4}, uint8_t{0x00}, uint8_t{0xEE}, uint8_t{0x6C}}) {
        for (const int n : {10, 24}) {
            SCOPED_TRACE(::testing::Message() << "start 0x" << std::hex << int{start} << " command " << std::dec << n);
            sim.reset();
            sim.set_super_io_gpio(start);
            command(n);
            const uint8_t mask = n == 10 ? 0x01 : 0x02;
            EXPECT_EQ(sim.super_io_gpio() & mask, 0) << "drawer line must be released";
            EXPECT_EQ(sim.super_io_gpio() & ~mask & ~0x10, start & ~mask & ~0x10);
            EXPECT_FALSE(sim.in_config_mode());
        }
    }
}

TEST_F(SimFixture, SuperIoIgnoresAccessOutsideConfigurationMode)
{
    sim.write(0x2E, 0xF1);
    sim.write(0x2F, 0x03);
    EXPECT_EQ(sim.read(0x2F), 0xFF);
    EXPECT_EQ(sim.super_io_gpio(), SimTerminal::kSuperIoGpioReset);
    sim.write(0x2E, 0x87); // a broken key is no key
    sim.write(0x2E, 0x07);
    sim.write(0x2E, 0x87);
    EXPECT_FALSE(sim.in_config_mode());
    EXPECT_EQ(sim.stray_config_accesses(), 4u) << "index, data, data read, index between the keys";
    sim.write(0x2E, 0x87); // now a whole key, then a second one inside the mode
    sim.write(0x2E, 0x87);
    EXPECT_EQ(sim.stray_config_accesses(), 5u);
    EXPECT_EQ(stray_ports, (std::vector<uint16_t>{0x2E, 0x2F, 0x2F, 0x2E, 0x2E})) << "each one reported";
}

TEST_F(SimFixture, CloseTimeZeroKeepsDrawersOpen)
{
    sim.set_close_after_us(0);
    command(26);
    clock.now += 3600ull * 1000000;
    EXPECT_EQ(command(29), 1);
}

} // namespace
} // namespace kav
