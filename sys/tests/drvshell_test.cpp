#include "device_security.h"
#include "driver_fixture.h"
#include "ioctl_codes.h"

#include <gmock/gmock.h>

#include <cstdio>

namespace kav::test {
namespace {

using ::testing::Each;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

TEST_F(DriverFixture, LoadCreatesOneDeviceAndItsLinkAndUnloadRemovesEverything)
{
    ASSERT_EQ(load(), STATUS_SUCCESS);
    const HostKernel& k = HostKernel::get();
    EXPECT_EQ(k.devices, std::vector<std::string>{"\\Device\\KAV_cash"});
    EXPECT_EQ(k.links, std::vector<std::string>{"\\DosDevices\\KAV_cash"});
    EXPECT_STREQ(extension()->DeviceName, "\\Device\\KAV_cash");
    EXPECT_STREQ(extension()->LinkName, "\\DosDevices\\KAV_cash");
    EXPECT_EQ(device()->DeviceType, ULONG{FILE_DEVICE_UNKNOWN});
    EXPECT_EQ(device()->Flags & DO_BUFFERED_IO, ULONG{DO_BUFFERED_IO});
    EXPECT_EQ(device()->Flags & DO_DEVICE_INITIALIZING, 0u);
    for (const int major : {IRP_MJ_CREATE, IRP_MJ_CLOSE, IRP_MJ_READ, IRP_MJ_WRITE, IRP_MJ_DEVICE_CONTROL})
        EXPECT_NE(driver.MajorFunction[major], nullptr) << major;
    EXPECT_EQ(driver.MajorFunction[0x05], nullptr) << "other requests are the system's to refuse";
    EXPECT_THAT(k.pool_tags, Not(IsEmpty()));
    EXPECT_THAT(k.pool_tags, Each(kPoolTag));
    const DeviceSecurity security = device_security();
    EXPECT_EQ(k.device_security, std::vector<uint8_t>(security.bytes, security.bytes + sizeof security.bytes))
        << "the device carries the driver's own DACL";
    EXPECT_EQ(k.security_handle_access, ULONG{WRITE_DAC});
    EXPECT_EQ(k.open_object_handles, 0) << "the handle used for it is closed";

    char driver_line[64];
    std::snprintf(driver_line, sizeof driver_line, "KAV_cash: DriverObject = 0x%08x\n",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(&driver)));
    const std::string out = output();
    for (const char* line :
         {"KAV_cash: enter DriverEntry\n", static_cast<const char*>(driver_line),
          "KAV_cash: DeviceObject = 0x00000000\n", "KAV_cash: enter DRVSHELL_CreateDeviceObject\n",
          "KAV_cash: Create Device (\\Device\\KAV_cash)\n", "KAV_cash: Create SymLink (\\DosDevices\\KAV_cash)\n",
          "KAV_cash: enter PIOCORE_DriverEntry\n", "KAV_cash: enter PIOCORE_AddDevice\n",
          "KAV_cash: exit  DRVSHELL_CreateDeviceObject\nKAV_cash: status = (0)\n",
          "KAV_cash: exit  DriverEntry\nKAV_cash: status = (0)\n"})
        EXPECT_THAT(out, HasSubstr(line));

    unload();
    EXPECT_TRUE(k.devices.empty());
    EXPECT_TRUE(k.links.empty());
    EXPECT_EQ(DRVSHELL_Pool().stats().bytes_allocated, 0u);
    EXPECT_EQ(k.live_pool_blocks, 0) << "rings, context and names all given back";
    EXPECT_THAT(output(), HasSubstr("KAV_cash: enter DRVSHELL_Unload\n"));
}

TEST_F(DriverFixture, AFailedLoadLeavesNothingBehind)
{
    // Pool calls at load: three rings, the two wide names, AddDevice's context.
    struct Fault {
        const char* what;
        int fail_pool_at;
        bool fail_device, fail_link, fail_security;
        NTSTATUS expected;
        const char* line;
    };
    const Fault faults[] = {
        {"request log", 1, false, false, false, STATUS_INSUFFICIENT_RESOURCES,
         "KAV_cash: exit DriverEntry: Debug_OpenWDMDebug call failed (c000009a)\n"},
        {"trace ring", 2, false, false, false, STATUS_INSUFFICIENT_RESOURCES, "Debug_OpenWDMDebug call failed (c000009a)"},
        {"status ring", 3, false, false, false, STATUS_INSUFFICIENT_RESOURCES, "Debug_OpenWDMDebug call failed (c000009a)"},
        {"device name", 4, false, false, false, STATUS_INSUFFICIENT_RESOURCES, "KAV_cash: Failed to create device object\n"},
        {"link name", 5, false, false, false, STATUS_INSUFFICIENT_RESOURCES, "KAV_cash: Failed to create device object\n"},
        {"AddDevice context", 6, false, false, false, STATUS_INSUFFICIENT_RESOURCES, "KAV_cash: Failed to create device object\n"},
        {"device creation", 0, true, false, false, STATUS_OBJECT_NAME_COLLISION, "KAV_cash: Failed to create device object\n"},
        {"link creation", 0, false, true, false, STATUS_OBJECT_NAME_COLLISION, "KAV_cash: Failed to create device object\n"},
        {"device security", 0, false, false, true, STATUS_ACCESS_DENIED, "KAV_cash: Failed to set the device's security\n"},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.what);
        SetUp();
        HostKernel& k = HostKernel::get();
        k.fail_pool_at = f.fail_pool_at;
        k.fail_create_device = f.fail_device;
        k.fail_symbolic_link = f.fail_link;
        k.fail_set_security = f.fail_security;
        EXPECT_EQ(load(), f.expected);
        EXPECT_THAT(output(), HasSubstr(f.line));
        EXPECT_TRUE(k.devices.empty());
        EXPECT_TRUE(k.links.empty());
        EXPECT_EQ(driver.DeviceObject, nullptr);
        EXPECT_EQ(k.live_pool_blocks, 0);
        EXPECT_EQ(DRVSHELL_Pool().stats().bytes_allocated, 0u);
        EXPECT_EQ(k.open_object_handles, 0);
        if (f.fail_pool_at > 0 && f.fail_pool_at <= 3) {
            EXPECT_THAT(output(), Not(HasSubstr("enter DriverEntry")));
        }
    }
}

TEST_F(DriverFixture, DrawerCodesRunOnThePortsAndCompleteOnce)
{
    ASSERT_EQ(load(), STATUS_SUCCESS);
    create(); // requests come through the handle the device admitted
    Request open = control(drawer_code(12), {}, 1); // VOLX-8613 drawer 1
    EXPECT_EQ(open.status(), STATUS_SUCCESS);
    EXPECT_EQ(open.information(), 0u);
    EXPECT_EQ(open.completions, 1);
    Request status = control(drawer_code(13), {}, 1);
    EXPECT_EQ(status.status(), STATUS_SUCCESS);
    EXPECT_EQ(status.information(), 1u);
    EXPECT_EQ(status.buffer[0], 1) << "the simulated drawer sprang open";

    Request dio = control(drawer_code(17), {0x00, 0x02}, 1);
    EXPECT_EQ(dio.information(), 1u);
    Request far = control(drawer_code(17), {0x08, 0x04}, 1); // 0x408: not a DIO base
    EXPECT_EQ(far.status(), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(far.information(), 0u);
    EXPECT_EQ(far.completions, 1);

    const std::string out = output();
    EXPECT_THAT(out, HasSubstr("KAV_cash: enter DRVSHELL_Dispatch\nKAV_cash: IRP_MJ_DEVICE_CONTROL\n"));
    EXPECT_THAT(out, HasSubstr("KAV_cash: exit  DRVSHELL_Dispatch\nKAV_cash: status = (c000000d)\n"));
    EXPECT_THAT(out, Not(HasSubstr("doesn't handle"))) << "drawer codes are the framework's own";
}

TEST_F(DriverFixture, OtherCodesGoToTheDeviceLayer)
{
    ASSERT_EQ(load(), STATUS_SUCCESS);
    create(); // requests come through the handle the device admitted
    struct InfoCase {
        ULONG code, output_length;
        NTSTATUS status;
        ULONG_PTR bytes;
    };
    const InfoCase cases[] = {
        {kIoctlGetDriverInfo, 38, STATUS_SUCCESS, 37},
        {kIoctlGetDriverInfo, 37, STATUS_SUCCESS, 0},
        {0x220298, 4, STATUS_INVALID_PARAMETER, 0},
        {0x22022A, 4, STATUS_INVALID_PARAMETER, 0},
    };
    for (const InfoCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.code << " out " << std::dec << c.output_length);
        HostKernel::get().debug_lines.clear();
        Request r = control(c.code, {}, c.output_length);
        EXPECT_EQ(r.returned, c.status);
        EXPECT_EQ(r.status(), c.status);
        EXPECT_EQ(r.information(), c.bytes);
        EXPECT_EQ(r.completions, 1);
        EXPECT_THAT(output(), HasSubstr("KAV_cash: DRVSHELL doesn't handle this IOCTL\n"));
        if (c.code == kIoctlGetDriverInfo) {
            EXPECT_THAT(output(), HasSubstr("KAV_cash: GET_DRIVER_INFO\n"));
            EXPECT_THAT(output(), Not(HasSubstr("KAV_cash: Driver doesn't handle this IOCTL\n")));
            if (c.bytes == 37) {
                EXPECT_EQ(std::string(r.buffer.begin(), r.buffer.begin() + 37),
                          "\n\n\nDriver:\t KAV_cash\n\nVersion: 1.00\n\n");
            }
        } else {
            EXPECT_THAT(output(), HasSubstr("KAV_cash: Driver doesn't handle this IOCTL\n"));
            EXPECT_THAT(output(), Not(HasSubstr("GET_DRIVER_INFO")));
        }
    }
}

TEST_F(DriverFixture, EveryRequestIsLoggedOnArrivalAndAtCompletion)
{
    ASSERT_EQ(load(), STATUS_SUCCESS);
    create(); // requests come through the handle the device admitted
    const auto& log = DRVSHELL_Debug().request_log();
    const uint32_t before = log.index();
    Request status = control(drawer_code(17), {0x80, 0x02}, 1);
    ASSERT_EQ(log.index(), before + 2);
    const RequestLogEntry arrival = log.at(before);
    const RequestLogEntry completion = log.at(before + 1);
    EXPECT_EQ(arrival.major, uint32_t{IRP_MJ_DEVICE_CONTROL});
    EXPECT_EQ(arrival.count, 2);
    EXPECT_EQ(arrival.data[0], 0x80) << "buffer as it came in";
    EXPECT_EQ(completion.data[0], status.buffer[0]) << "buffer as it goes back";
    EXPECT_LE(arrival.timestamp, completion.timestamp);

    // Failing statuses, and only those, reach the status log.
    const auto& statuses = DRVSHELL_Debug().status_log();
    const uint32_t failures = statuses.index();
    control(0x220298, {}, 0);
    EXPECT_GT(statuses.index(), failures);
    EXPECT_EQ(statuses.at(statuses.index() - 1).status, STATUS_INVALID_PARAMETER);
}

} // namespace
} // namespace kav::test
