// OpenService's answers for unknown and misconfigured devices, what an open
// device reports, and what CloseService leaves behind.
#include "service_object_rig.h"

#include <gtest/gtest.h>

namespace kav::opos::testing {
namespace {

TEST(OpenService, RefusesWhatNamesNoUsableDeviceWithItsOpenResult)
{
    struct Case {
        const char* what;
        std::string device_class;
        std::string device;
        int32_t result;
        int32_t open_result;
    } const cases[] = {
        {"another device class", "Scanner", kDevice, OPOS_E_NOSERVICE, OPOS_ORS_NOTSUPPORTED},
        {"an empty name", "CashDrawer", "", OPOS_E_NOEXIST, KAV_ORS_NO_DEVICE},
        {"a name of 256 characters", "CashDrawer", std::string(256, 'a'), OPOS_E_NOEXIST, KAV_ORS_NO_DEVICE},
        {"a huge name", "CashDrawer", std::string(1 << 20, 'a'), OPOS_E_NOEXIST, KAV_ORS_NO_DEVICE},
        {"a registry path", "CashDrawer", "Drawer1\\Sub", OPOS_E_NOEXIST, KAV_ORS_NO_DEVICE},
        {"a device without a key", "CashDrawer", "Unknown", OPOS_E_NOEXIST, KAV_ORS_NO_DEVICE},
        {"a key without a Drawer value", "CashDrawer", "NoValue", OPOS_E_NOSERVICE, OPOS_ORS_CONFIG},
        {"a Drawer value that names no drawer", "CashDrawer", "BadDrawer", OPOS_E_NOSERVICE, OPOS_ORS_CONFIG},
    };
    for (const Case& c : cases) {
        Rig rig;
        Instance instance(rig);
        instance.platform.devices["NoValue"] = std::nullopt;
        instance.platform.devices["BadDrawer"] = std::string("VOLX-8613:7");
        EXPECT_EQ(instance.so.open_service(c.device_class, c.device, nullptr), c.result) << c.what;
        EXPECT_EQ(instance.result_code(), c.result) << c.what;
        EXPECT_EQ(instance.so.open_result(), c.open_result) << c.what;
        EXPECT_EQ(instance.number(PIDX_State), OPOS_S_CLOSED) << c.what;
        // A failed open leaves nothing half open: the right device still opens.
        EXPECT_EQ(instance.open(), OPOS_SUCCESS) << c.what;
        EXPECT_EQ(instance.so.open_result(), 0) << c.what;
    }
}

TEST(OpenService, ReportsVersionStateCapabilitiesAndDescriptionsRightAway)
{
    Rig rig;
    Instance instance(rig);
    ASSERT_EQ(instance.open(), OPOS_SUCCESS);
    // The control object reads the version once, before any claim or enable.
    EXPECT_GE(instance.number(PIDX_ServiceObjectVersion), 1014000);
    EXPECT_LT(instance.number(PIDX_ServiceObjectVersion), 2000000);
    struct Expected {
        int32_t index;
        int32_t value;
    } const numbers[] = {
        {PIDX_State, OPOS_S_IDLE},
        {PIDX_Claimed, 0},
        {PIDX_DeviceEnabled, 0},
        {PIDX_FreezeEvents, 0},
        {PIDX_CapStatus, 1},
        {PIDX_CapStatusMultiDrawerDetect, 0},
        {PIDX_CapPowerReporting, OPOS_PR_STANDARD},
        {PIDX_PowerNotify, OPOS_PN_DISABLED},
        {PIDX_PowerState, OPOS_PS_UNKNOWN},
        {PIDX_CapStatisticsReporting, 1},
        {PIDX_CapUpdateStatistics, 1},
        {PIDX_CapCompareFirmwareVersion, 0},
        {PIDX_CapUpdateFirmware, 0},
        {PIDX_BinaryConversion, OPOS_BC_NONE},
    };
    for (const Expected& e : numbers) EXPECT_EQ(instance.number(e.index), e.value) << "property " << e.index;
    EXPECT_EQ(instance.so.get_property_string(PIDX_DeviceDescription), "KAV cash drawer VOLX-8613:1 (board drawer)");
    EXPECT_EQ(instance.so.get_property_string(PIDX_DeviceName), "VOLX-8613:1");
    EXPECT_NE(instance.so.get_property_string(PIDX_ServiceObjectDescription).find("1.14"), std::string::npos);
    EXPECT_EQ(instance.so.get_property_string(PIDX_CheckHealthText), "");
}

TEST(OpenService, DescribesEachDrawerKind)
{
    struct Case {
        DrawerKind kind;
        const char* description;
    } const cases[] = {
        {DrawerKind::Board, "KAV cash drawer VOLX-8613:1 (board drawer)"},
        {DrawerKind::UsbHid, "KAV cash drawer VOLX-8613:1 (USB HID drawer)"},
        {DrawerKind::Serial, "KAV cash drawer VOLX-8613:1 (RS232 drawer)"},
        {DrawerKind::UsbSerialAdapter, "KAV cash drawer VOLX-8613:1 (drawer on a USB-to-RS232 adapter)"},
        {DrawerKind::Printer, "KAV cash drawer VOLX-8613:1 (drawer on a receipt printer)"},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.drawer().kind = c.kind;
        Instance instance(rig);
        ASSERT_EQ(instance.open(), OPOS_SUCCESS);
        EXPECT_EQ(instance.so.get_property_string(PIDX_DeviceDescription), c.description);
    }
}

TEST(CloseService, LeavesNoClaimNoEnableNoEventsAndNoReferenceBehind)
{
    Rig rig;
    Instance first(rig);
    Instance second(rig);
    ASSERT_EQ(first.open(), OPOS_SUCCESS);
    ASSERT_EQ(first.so.claim_device(0), OPOS_SUCCESS);
    ASSERT_EQ(first.enable(), OPOS_SUCCESS);
    ASSERT_EQ(first.so.set_property_number(PIDX_FreezeEvents, 1), OPOS_SUCCESS);
    rig.drawer().set(Reading::Open);
    rig.world.advance(kPollPeriodMs);
    EXPECT_TRUE(*first.sink_alive);

    // As the control object does it: no release, no disable first.
    ASSERT_EQ(first.so.close_service(), OPOS_SUCCESS);
    EXPECT_FALSE(*first.sink_alive) << "the control object's reference is released";
    rig.world.advance(10 * kPollPeriodMs);
    EXPECT_TRUE(first.events->empty()) << "the held event is dropped, not delivered";
    const int reads = rig.drawer().reads;
    rig.world.advance(10 * kPollPeriodMs);
    EXPECT_EQ(rig.drawer().reads, reads) << "the watch has stopped";
    ASSERT_EQ(second.open(), OPOS_SUCCESS);
    EXPECT_EQ(second.so.claim_device(0), OPOS_SUCCESS) << "the claim went with the close";
    EXPECT_EQ(first.so.close_service(), OPOS_E_CLOSED);
    EXPECT_EQ(first.number(PIDX_State), OPOS_S_CLOSED);
}

TEST(CloseService, ReopensCleanly)
{
    Rig rig;
    Instance instance(rig);
    ASSERT_EQ(instance.open(), OPOS_SUCCESS);
    ASSERT_EQ(instance.so.set_property_number(PIDX_PowerNotify, 1), OPOS_SUCCESS);
    ASSERT_EQ(instance.so.set_property_number(PIDX_FreezeEvents, 1), OPOS_SUCCESS);
    ASSERT_EQ(instance.so.close_service(), OPOS_SUCCESS);
    ASSERT_EQ(instance.open(), OPOS_SUCCESS);
    EXPECT_EQ(instance.number(PIDX_PowerNotify), OPOS_PN_DISABLED);
    EXPECT_EQ(instance.number(PIDX_FreezeEvents), 0);
}

TEST(ServiceObject, AThreadThatCannotStartFailsTheCallCleanly)
{
    Rig rig;
    Instance instance(rig);
    FakeWorker::refuse_starts = true;
    EXPECT_EQ(instance.open(), OPOS_E_NOSERVICE);
    EXPECT_EQ(instance.so.open_result(), KAV_ORS_NO_THREAD);
    FakeWorker::refuse_starts = false;
    ASSERT_EQ(instance.open(), OPOS_SUCCESS);
    FakeWorker::refuse_starts = true;
    EXPECT_EQ(instance.enable(), OPOS_E_FAILURE);
    FakeWorker::refuse_starts = false;
    EXPECT_EQ(instance.number(PIDX_DeviceEnabled), 0);
    EXPECT_EQ(instance.enable(), OPOS_SUCCESS);
}

} // namespace
} // namespace kav::opos::testing
