#include "command_channel.h"
#include "driver_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace kav::tillio;
using kav::test::LoadedDriver;
using kav::test::Request;

// The I/O manager's part, in miniature: "\\.\<name>" opens the device behind
// the link "\DosDevices\<name>" while the driver is loaded; each call becomes
// one request with one system buffer.
class InProcessChannel final : public DeviceChannel {
public:
    explicit InProcessChannel(LoadedDriver& driver) : driver_(driver) {}

    DeviceOpening open(const char* path) override
    {
        constexpr std::string_view kDosPrefix = "\\\\.\\";
        const std::string_view wanted(path);
        if (!wanted.starts_with(kDosPrefix) || driver_.device() == nullptr) return {};
        const std::string link = "\\DosDevices\\" + std::string(wanted.substr(kDosPrefix.size()));
        const std::vector<std::string>& links = HostKernel::get().links;
        if (std::find(links.begin(), links.end(), link) == links.end()) return {};
        const NTSTATUS created = driver_.create().returned;
        if (!NT_SUCCESS(created)) return {kNoDevice, created == STATUS_DEVICE_BUSY};
        ++open_handles;
        return {&driver_, false};
    }
    ControlOutcome control(DeviceHandle, uint32_t code, const void* input, uint32_t input_length, void* output,
                           uint32_t output_length, uint32_t* bytes_returned) override
    {
        const auto* in = static_cast<const uint8_t*>(input);
        const Request r = driver_.control(code, std::vector<uint8_t>(in, in + input_length), output_length);
        const auto n = static_cast<uint32_t>(std::min<ULONG_PTR>(r.information(), output_length));
        if (n) std::memcpy(output, r.buffer.data(), n);
        *bytes_returned = n;
        return NT_SUCCESS(r.returned) ? ControlOutcome::kDone : ControlOutcome::kFailed;
    }
    void close(DeviceHandle) override
    {
        driver_.close();
        --open_handles;
    }
    // The time a held device is waited for passes at once; another
    // program's step may run at a pause.
    uint32_t now_ms() override { return clock_ms; }
    void pause() override
    {
        ++clock_ms;
        if (at_pause) at_pause();
    }
    std::function<void()> at_pause;
    // One program here: nobody else to take turns with.
    uint32_t turn_claimed_ms() override { return 0; }
    void claim_turn(uint32_t) override {}
    void release_turn() override {}

    int open_handles = 0;
    uint32_t clock_ms = 0;

private:
    LoadedDriver& driver_;
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        driver.reset();
        ASSERT_EQ(driver.load(), STATUS_SUCCESS);
    }
    void TearDown() override
    {
        if (driver.loaded) driver.unload();
    }
    // Lets the simulated drawers' close time pass.
    static void wait_seconds(int seconds) { HostKernel::get().counter += int64_t{seconds} * 10000000; }

    LoadedDriver driver;
    InProcessChannel channel{driver};
    CommandChannel library;
    const char* path = "\\\\.\\KAV_cash";
};

TEST_F(EndToEnd, Volx8613DrawerOneOpensReportsOpenAndClosesAgain)
{
    EXPECT_EQ(library.status(channel, path, 13), 0);
    EXPECT_EQ(library.device_control(channel, path, 12), kDone);
    EXPECT_EQ(library.status(channel, path, 13), 1);
    EXPECT_EQ(library.status(channel, path, 15), 1) << "both drawers share the sensor";
    wait_seconds(3);
    EXPECT_EQ(library.status(channel, path, 13), 0);
    EXPECT_EQ(channel.open_handles, 0) << "no handle is held between calls";
}

TEST_F(EndToEnd, ThinClientCommandsCarryTheChosenBase)
{
    EXPECT_EQ(library.device_control(channel, path, 0x200 + 18), kDone);
    EXPECT_EQ(library.status(channel, path, 0x200 + 19), 1);
    EXPECT_EQ(library.status(channel, path, 0x280 + 19), 0) << "another base, another port";
    EXPECT_EQ(library.status(channel, path, 19), kUndefinedCommand);
}

// Another program (a monitor polling the drawers) holds the device's one
// handle: the library's call waits for it, and gives up after 300 ms.
TEST_F(EndToEnd, AHeldDeviceIsWaitedForUpTo300Ms)
{
    FILE_OBJECT monitor{};
    ASSERT_EQ(driver.create(&monitor).returned, STATUS_SUCCESS);
    int pauses = 0;
    channel.at_pause = [&] {
        if (++pauses == 5) driver.close(&monitor);
    };
    EXPECT_EQ(library.device_control(channel, path, 12), kDone) << "the monitor let go after 5 ms";
    EXPECT_EQ(library.status(channel, path, 13), 1) << "and the drawer sprang";

    ASSERT_EQ(driver.create(&monitor).returned, STATUS_SUCCESS);
    channel.at_pause = nullptr;
    const uint32_t started = channel.clock_ms;
    EXPECT_EQ(library.status(channel, path, 13), kDeviceNotOpened) << "a monitor that never lets go";
    EXPECT_EQ(channel.clock_ms - started, kHeldDeviceWaitMs);
    driver.close(&monitor);
}

TEST_F(EndToEnd, AStoppedDriverCannotBeOpened)
{
    driver.unload();
    EXPECT_EQ(library.device_control(channel, path, 12), kDeviceNotOpened);
    EXPECT_EQ(library.status(channel, path, 13), kDeviceNotOpened);
}

} // namespace
