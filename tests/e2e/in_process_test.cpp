#include "command_channel.h"
#include "drvshell.h"
#include "ioctl_codes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace kav::tillio;

// The I/O manager's part, in miniature: "\\.\<name>" opens the device behind
// the link "\DosDevices\<name>" while the driver is loaded; each call becomes
// one request with one system buffer.
class InProcessChannel final : public DeviceChannel {
public:
    explicit InProcessChannel(DRIVER_OBJECT& driver) : driver_(driver) {}

    DeviceHandle open(const char* path) override
    {
        constexpr std::string_view kDosPrefix = "\\\\.\\";
        const std::string_view wanted(path);
        if (!wanted.starts_with(kDosPrefix) || driver_.DeviceObject == nullptr) return kNoDevice;
        const std::string link = "\\DosDevices\\" + std::string(wanted.substr(kDosPrefix.size()));
        const std::vector<std::string>& links = HostKernel::get().links;
        if (std::find(links.begin(), links.end(), link) == links.end()) return kNoDevice;
        IRP irp{};
        irp.Stack.MajorFunction = IRP_MJ_CREATE;
        if (!NT_SUCCESS(driver_.MajorFunction[IRP_MJ_CREATE](driver_.DeviceObject, &irp))) return kNoDevice;
        ++open_handles;
        return &driver_;
    }
    bool control(DeviceHandle, uint32_t code, const void* input, uint32_t input_length, void* output,
                 uint32_t output_length, uint32_t* bytes_returned) override
    {
        std::vector<uint8_t> system(std::max(input_length, output_length));
        if (input_length) std::memcpy(system.data(), input, input_length);
        IRP irp{};
        irp.Stack.MajorFunction = IRP_MJ_DEVICE_CONTROL;
        irp.Stack.Parameters.DeviceIoControl = {output_length, input_length, code};
        irp.AssociatedIrp.SystemBuffer = system.empty() ? nullptr : system.data();
        const NTSTATUS status = driver_.MajorFunction[IRP_MJ_DEVICE_CONTROL](driver_.DeviceObject, &irp);
        const auto n = static_cast<uint32_t>(std::min<ULONG_PTR>(irp.IoStatus.Information, output_length));
        if (n) std::memcpy(output, system.data(), n);
        *bytes_returned = n;
        return NT_SUCCESS(status);
    }
    void close(DeviceHandle) override
    {
        IRP irp{};
        irp.Stack.MajorFunction = IRP_MJ_CLOSE;
        driver_.MajorFunction[IRP_MJ_CLOSE](driver_.DeviceObject, &irp);
        --open_handles;
    }

    int open_handles = 0;

private:
    DRIVER_OBJECT& driver_;
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        HostKernel::get().reset();
        DRVSHELL_ResetForTests();
        UNICODE_STRING registry{};
        ASSERT_EQ(DriverEntry(&driver, &registry), STATUS_SUCCESS);
    }
    void TearDown() override
    {
        if (driver.DeviceObject != nullptr) driver.DriverUnload(&driver);
    }
    // Lets the simulated drawers' close time pass.
    static void wait_seconds(int seconds) { HostKernel::get().counter += int64_t{seconds} * 10000000; }

    DRIVER_OBJECT driver{};
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

TEST_F(EndToEnd, AStoppedDriverCannotBeOpened)
{
    driver.DriverUnload(&driver);
    EXPECT_EQ(library.device_control(channel, path, 12), kDeviceNotOpened);
    EXPECT_EQ(library.status(channel, path, 13), kDeviceNotOpened);
}

} // namespace
