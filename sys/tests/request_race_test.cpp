// Two requests on the one admitted handle at once: the second is issued from
// inside the first, at the exact point where they used to collide.
#include "driver_fixture.h"
#include "ioctl_codes.h"
#include "emulated_terminal.h"

#include <gtest/gtest.h>

namespace kav::test {
namespace {

class RequestRace : public DriverFixture {
protected:
    void SetUp() override
    {
        DriverFixture::SetUp();
        ASSERT_EQ(load(), STATUS_SUCCESS);
        ASSERT_EQ(create().status(), STATUS_SUCCESS);
    }
    void TearDown() override
    {
        HostKernel::get().hook = nullptr;
        close();
        DriverFixture::TearDown();
        EXPECT_EQ(HostKernel::get().live_pool_blocks, 0) << "no block leaked";
        EXPECT_EQ(DRVSHELL_Pool().stats().refused_releases, 0u) << "no release refused";
    }
    // At the first kernel call named point, runs request on a second thread.
    void race_at(const std::string& point, std::function<void()> request)
    {
        HostKernel::get().hook = [this, point, request](const std::string& at) {
            if (at != point) return false;
            racer.start(request);
            return true;
        };
    }
    static SimTerminal& terminal() { return static_cast<SimTerminal&>(DRVSHELL_Ports()); }

    RacingRequest racer;
};

// Write has stored its block and reads the cycle counter before the copy.
TEST_F(RequestRace, AReadDuringAWriteGetsTheWholeMessage)
{
    Request second;
    race_at("cycle counter", [&] { second = read(4); });
    const Request first = write({1, 2, 3, 4});
    racer.finish();

    EXPECT_EQ(first.status(), STATUS_SUCCESS);
    EXPECT_EQ(second.status(), STATUS_SUCCESS);
    EXPECT_EQ(second.buffer, (std::vector<uint8_t>{1, 2, 3, 4})) << "never the new block's uninitialised bytes";
    EXPECT_EQ(read(4).status(), STATUS_DEVICE_NOT_READY) << "read once, released once";
}

TEST_F(RequestRace, TwoReadsDeliverTheMessageOnce)
{
    write({5, 6, 7});
    Request second;
    race_at("free", [&] { second = read(3); });
    const Request first = read(3);
    racer.finish();

    EXPECT_EQ(first.status(), STATUS_SUCCESS);
    EXPECT_EQ(first.buffer, (std::vector<uint8_t>{5, 6, 7}));
    EXPECT_EQ(second.status(), STATUS_DEVICE_NOT_READY);
    EXPECT_EQ(DRVSHELL_Pool().stats().refused_releases, 0u);
}

TEST_F(RequestRace, TwoWritesKeepOneMessageWithItsOwnLength)
{
    Request second;
    race_at("allocate", [&] { second = write(std::vector<uint8_t>(8, 9)); });
    const Request first = write({1, 2});
    racer.finish();

    ASSERT_EQ((first.status() == STATUS_SUCCESS) + (second.status() == STATUS_SUCCESS), 1)
        << "one message is held, the other writer is told the device is busy";
    const Request& kept = first.status() == STATUS_SUCCESS ? first : second;
    const Request& busy = first.status() == STATUS_SUCCESS ? second : first;
    EXPECT_EQ(busy.status(), STATUS_DEVICE_BUSY);
    const Request r = read(16);
    EXPECT_EQ(r.information(), kept.buffer.size());
    EXPECT_EQ(std::vector<uint8_t>(r.buffer.begin(), r.buffer.begin() + static_cast<long>(r.information())),
              kept.buffer);
}

// The status sequence comes while the pulse has the chip in configuration mode.
TEST_F(RequestRace, ASuperIoStatusWaitsForThePulsesBracket)
{
    Request status;
    HostKernel::get().hook = [&](const std::string& at) {
        if (at != "performance counter" || !terminal().in_config_mode()) return false;
        racer.start([&] { status = control(drawer_code(11), {}, 1); });
        return true;
    };
    const Request pulse = control(drawer_code(10), {}, 0);
    racer.finish();

    EXPECT_EQ(pulse.status(), STATUS_SUCCESS);
    EXPECT_EQ(status.status(), STATUS_SUCCESS);
    EXPECT_EQ(terminal().stray_config_accesses(), 0u);
    EXPECT_FALSE(terminal().in_config_mode());
    EXPECT_TRUE(terminal().drawer_open(SimTerminal::SuperIo, 0)) << "the pulse's own register writes went through";
    EXPECT_EQ(terminal().super_io_gpio() & 0x01, 0) << "and its line was released";
}

} // namespace
} // namespace kav::test
