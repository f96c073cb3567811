#include "driver_fixture.h"

#include <gmock/gmock.h>

#include <cstdio>

namespace kav::test {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

class DeviceLayer : public DriverFixture {
protected:
    void SetUp() override
    {
        DriverFixture::SetUp();
        ASSERT_EQ(load(), STATUS_SUCCESS);
    }
    PIOCORE_CONTEXT* context() const { return static_cast<PIOCORE_CONTEXT*>(extension()->Context); }
};

TEST_F(DeviceLayer, OneOpenHandleAtATime)
{
    Request first = create();
    EXPECT_EQ(first.status(), STATUS_SUCCESS);
    Request second = create();
    EXPECT_EQ(second.returned, STATUS_DEVICE_BUSY);
    EXPECT_EQ(second.status(), STATUS_DEVICE_BUSY);
    EXPECT_EQ(second.completions, 1);
    EXPECT_EQ(close().status(), STATUS_SUCCESS);
    EXPECT_EQ(create().status(), STATUS_SUCCESS) << "open again once the first handle is closed";
}

TEST_F(DeviceLayer, OneMessageLoopback)
{
    create();
    const std::vector<uint8_t> message{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    Request w = write(message);
    EXPECT_EQ(w.status(), STATUS_SUCCESS);
    EXPECT_EQ(w.information(), 10u);
    char copied[96];
    std::snprintf(copied, sizeof copied, "KAV_cash: RtlCopyMemory copied 0x0000000a bytes in 0x%08x cycles\n",
                  static_cast<unsigned>(HostKernel::kCyclesPerRead));
    EXPECT_THAT(output(), HasSubstr(copied));

    Request busy = write({42});
    EXPECT_EQ(busy.status(), STATUS_DEVICE_BUSY) << "the first message stays";
    Request r = read(4);
    EXPECT_EQ(r.status(), STATUS_SUCCESS);
    EXPECT_EQ(r.information(), 4u);
    EXPECT_EQ(r.buffer, (std::vector<uint8_t>{1, 2, 3, 4}));
    Request again = read(4);
    EXPECT_EQ(again.status(), STATUS_DEVICE_NOT_READY) << "the other six bytes were dropped";
    EXPECT_EQ(again.information(), 0u);

    Request longer = (write({7, 8}), read(16));
    EXPECT_EQ(longer.information(), 2u) << "never more than was written";
}

TEST_F(DeviceLayer, CloseDropsTheMessage)
{
    create();
    write({1, 2, 3});
    close();
    EXPECT_EQ(context()->HeldBuffer, nullptr);
    create();
    EXPECT_EQ(read(3).status(), STATUS_DEVICE_NOT_READY);
    EXPECT_EQ(DRVSHELL_Pool().stats().releases, DRVSHELL_Pool().stats().allocations - 4)
        << "only the rings and the context are still live";
}

TEST_F(DeviceLayer, EmptyTransfersAreRefusedBeforeTheDeviceLayer)
{
    create();
    HostKernel::get().debug_lines.clear();
    for (const int major : {IRP_MJ_WRITE, IRP_MJ_READ}) {
        Request r;
        send(r, static_cast<UCHAR>(major)); // no buffer, length 0
        EXPECT_EQ(r.status(), STATUS_INVALID_BUFFER_SIZE);
        EXPECT_EQ(r.information(), 0u);
        EXPECT_EQ(r.completions, 1);
    }
    EXPECT_THAT(output(), HasSubstr("KAV_cash: STATUS_INVALID_BUFFER_SIZE\n"));
    EXPECT_THAT(output(), Not(HasSubstr("PIOCORE_Write")));
    EXPECT_THAT(output(), Not(HasSubstr("PIOCORE_Read")));
}

TEST_F(DeviceLayer, WriteWithoutPoolMemoryKeepsNothing)
{
    create();
    HostKernel::get().fail_pool_at = HostKernel::get().pool_calls + 1;
    Request w = write({1, 2, 3});
    EXPECT_EQ(w.status(), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(context()->HeldBuffer, nullptr);
    EXPECT_EQ(read(3).status(), STATUS_DEVICE_NOT_READY);
}

TEST_F(DeviceLayer, UnloadReleasesAHeldMessage)
{
    create();
    write({1, 2, 3});
    unload();
    EXPECT_EQ(DRVSHELL_Pool().stats().bytes_allocated, 0u);
    EXPECT_EQ(HostKernel::get().live_pool_blocks, 0);
}

TEST_F(DeviceLayer, EveryRoutineTracesItsEntryAndExit)
{
    create();
    write({1});
    read(1);
    control(0x220298, {}, 0);
    close();
    unload();
    const std::string out = output();
    for (const char* routine :
         {"DriverEntry", "DRVSHELL_CreateDeviceObject", "DRVSHELL_Create", "DRVSHELL_Close", "DRVSHELL_Write",
          "DRVSHELL_Read", "DRVSHELL_Dispatch", "PIOCORE_DriverEntry", "PIOCORE_AddDevice", "PIOCORE_Create",
          "PIOCORE_Close", "PIOCORE_Write", "PIOCORE_Read", "PIOCORE_Dispatch", "PIOCORE_RemoveDevice"}) {
        SCOPED_TRACE(routine);
        EXPECT_THAT(out, HasSubstr(std::string("KAV_cash: enter ") + routine + "\n"));
        // Every exit is followed by the routine's status line.
        EXPECT_THAT(out, HasSubstr(std::string("KAV_cash: exit  ") + routine + "\nKAV_cash: status = ("));
    }
    // Unload itself traces only its entry; the device layer's part of it is RemoveDevice.
    EXPECT_THAT(out, HasSubstr("KAV_cash: enter DRVSHELL_Unload\nKAV_cash: enter PIOCORE_RemoveDevice\n"));
    EXPECT_THAT(out, EndsWith("KAV_cash: exit  PIOCORE_RemoveDevice\nKAV_cash: status = (0)\n"));
}

} // namespace
} // namespace kav::test
