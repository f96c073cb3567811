// Which handle the device serves, what unload waits for, and the limits a
// caller from user mode meets.
#include "driver_fixture.h"
#include "ioctl_codes.h"
#include "kav_cash_device.h"

#include <gmock/gmock.h>

namespace kav::test {
namespace {

using ::testing::HasSubstr;

class Admission : public DriverFixture {
protected:
    void SetUp() override
    {
        DriverFixture::SetUp();
        ASSERT_EQ(load(), STATUS_SUCCESS);
    }
    FILE_OBJECT refused_handle{}; // what Wine hands out for a refused create
};

TEST_F(Admission, ARefusedHandleLeavesTheAdmittedOnesStateAlone)
{
    ASSERT_EQ(create().status(), STATUS_SUCCESS);
    ASSERT_EQ(write({1, 2, 3}).status(), STATUS_SUCCESS);
    EXPECT_EQ(create(&refused_handle).status(), STATUS_DEVICE_BUSY);

    // Its requests are refused before they reach the ports or the message.
    EXPECT_EQ(read(3, &refused_handle).status(), STATUS_ACCESS_DENIED);
    EXPECT_EQ(write({9}, &refused_handle).status(), STATUS_ACCESS_DENIED);
    EXPECT_EQ(control(drawer_code(12), {}, 0, &refused_handle).status(), STATUS_ACCESS_DENIED);
    EXPECT_EQ(control(kIoctlGetDriverInfo, {}, 64, &refused_handle).status(), STATUS_ACCESS_DENIED);
    EXPECT_EQ(close(&refused_handle).status(), STATUS_SUCCESS);

    EXPECT_EQ(create(&refused_handle).status(), STATUS_DEVICE_BUSY) << "its close did not end the admission";
    const Request r = read(3);
    EXPECT_EQ(r.status(), STATUS_SUCCESS) << "its close did not drop the message";
    EXPECT_EQ(r.buffer, (std::vector<uint8_t>{1, 2, 3}));

    EXPECT_EQ(close().status(), STATUS_SUCCESS);
    FILE_OBJECT next{};
    EXPECT_EQ(create(&next).status(), STATUS_SUCCESS) << "the admitted handle's close lets the next one in";
    close(&next);
}

TEST_F(Admission, AWriteLongerThanTheLimitIsRefused)
{
    create();
    EXPECT_EQ(write(std::vector<uint8_t>(kMaxMessageBytes + 1, 7)).status(), STATUS_INVALID_BUFFER_SIZE);
    EXPECT_EQ(read(1).status(), STATUS_DEVICE_NOT_READY) << "nothing was held";
    const Request longest = write(std::vector<uint8_t>(kMaxMessageBytes, 7));
    EXPECT_EQ(longest.status(), STATUS_SUCCESS);
    EXPECT_EQ(longest.information(), kMaxMessageBytes);
    EXPECT_EQ(HostKernel::get().device_characteristics & FILE_DEVICE_SECURE_OPEN, ULONG{FILE_DEVICE_SECURE_OPEN});
}

TEST_F(Admission, APoolRefusalBreaksOnlyWithAKernelDebugger)
{
    int not_a_block = 0;
    for (const bool debugger : {false, true}) {
        SCOPED_TRACE(debugger);
        HostKernel::get().set_debugger(debugger);
        const int breakpoints = HostKernel::get().breakpoints;
        DRVSHELL_Pool().release(&not_a_block);
        EXPECT_EQ(HostKernel::get().breakpoints, breakpoints + (debugger ? 1 : 0));
    }
    EXPECT_THAT(output(), HasSubstr("refused: not a live block\n"));
    EXPECT_EQ(create().status(), STATUS_SUCCESS) << "the driver goes on";
}

// A pulse is in flight when unload comes: unload waits for it, and a request
// that arrives meanwhile is refused.
TEST_F(Admission, UnloadWaitsForTheRequestInFlightAndRefusesNewOnes)
{
    create();
    RacingRequest unloading;
    Request late;
    HostKernel::get().hook = [&](const std::string& at) {
        if (at != "sleep" && at != "performance counter") return false;
        if (HostKernel::get().debug_text().find("enter DRVSHELL_Dispatch") == std::string::npos) return false;
        unloading.start([&] { unload(); });
        EXPECT_FALSE(unloading.finished_inside()) << "unload ran under the pulse";
        late = read(1);
        return true;
    };
    const Request pulse = control(drawer_code(12), {}, 0);
    unloading.finish();
    HostKernel::get().hook = nullptr;

    EXPECT_EQ(pulse.status(), STATUS_SUCCESS);
    EXPECT_EQ(late.status(), STATUS_DELETE_PENDING);
    EXPECT_EQ(late.completions, 1);
    const std::string out = output();
    EXPECT_LT(out.find("exit  DRVSHELL_Dispatch"), out.find("enter PIOCORE_RemoveDevice"));
    EXPECT_TRUE(HostKernel::get().devices.empty());
    EXPECT_EQ(HostKernel::get().live_pool_blocks, 0);
}

} // namespace
} // namespace kav::test
