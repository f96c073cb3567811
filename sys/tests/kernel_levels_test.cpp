// The driver's routines against the kernel's rules on levels and locks: the
// host stand-in knows each thread's level and critical region, so a routine
// that waits where it may not fails here rather than on a customer's machine.
#include "driver_fixture.h"
#include "ioctl_codes.h"

#include <gmock/gmock.h>

namespace kav::test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

class KernelLevels : public DriverFixture {
protected:
    void SetUp() override
    {
        DriverFixture::SetUp();
        ASSERT_EQ(load(), STATUS_SUCCESS);
        create();
    }
};

TEST_F(KernelLevels, ThePortLockIsHeldInsideACriticalRegion)
{
    int depth_in_pulse = -1;
    HostKernel::get().hook = [&](const std::string& at) {
        if (at != "sleep") return false;
        depth_in_pulse = HostKernel::critical_region_depth();
        return true;
    };
    EXPECT_EQ(control(drawer_code(12), {}, 0).status(), STATUS_SUCCESS);
    EXPECT_GT(depth_in_pulse, 0) << "a thread suspended in the pulse would hold every drawer request";
    EXPECT_EQ(HostKernel::critical_region_depth(), 0) << "and the region ends with the lock";
}

// A request that reaches the driver above the passive level (a caller's bug,
// or a lock that raises the level around the pulse) is caught at every point
// where the driver may wait.
TEST_F(KernelLevels, WaitingAboveApcLevelIsCaught)
{
    KIRQL old_level;
    KeRaiseIrql(DISPATCH_LEVEL, &old_level);
    control(drawer_code(12), {}, 0);
    KeLowerIrql(old_level);

    std::vector<std::string>& faults = HostKernel::get().irql_faults;
    EXPECT_THAT(faults, Contains("PAGED_CODE in DRVSHELL_Dispatch at IRQL 2"));
    EXPECT_THAT(faults, Contains("KeWaitForSingleObject at IRQL 2")) << "the port lock";
    EXPECT_THAT(faults, Contains("KeDelayExecutionThread at IRQL 2")) << "the pulse";
    faults.clear(); // caught, as meant: the fixture fails on any left
}

} // namespace
} // namespace kav::test
