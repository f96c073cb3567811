// Every method and property access of the service object in every state, with
// the result code it gives: one table, one fresh machine per cell.
#include "service_object_rig.h"

#include <gtest/gtest.h>

#include <functional>

namespace kav::opos::testing {
namespace {

enum State { Closed, Opened, Claimed, Enabled, ClaimedEnabled, ClaimedElsewhere, kStates };
constexpr const char* kStateNames[] = {"closed", "open", "claimed", "enabled", "claimed+enabled",
                                       "claimed elsewhere"};

struct Row {
    const char* call;
    std::function<int32_t(ServiceObject&)> run;
    int32_t expected[kStates];
};

int32_t get_number(ServiceObject& so, int32_t index)
{
    so.get_property_number(index);
    return so.get_property_number(PIDX_ResultCode);
}

int32_t get_string(ServiceObject& so, int32_t index)
{
    so.get_property_string(index);
    return so.get_property_number(PIDX_ResultCode);
}

constexpr int32_t S = OPOS_SUCCESS, C = OPOS_E_CLOSED, CL = OPOS_E_CLAIMED, D = OPOS_E_DISABLED,
                  I = OPOS_E_ILLEGAL, T = OPOS_E_TIMEOUT, X = OPOS_E_EXTENDED;

const Row kRows[] = {
    // call                                  closed opened claimed enabled cl+en elsewhere
    {"OpenService", [](ServiceObject& so) { return so.open_service("CashDrawer", kDevice, nullptr); },
     {S, I, I, I, I, I}},
    {"CloseService", [](ServiceObject& so) { return so.close_service(); }, {C, S, S, S, S, S}},
    {"ClaimDevice(0)", [](ServiceObject& so) { return so.claim_device(0); }, {C, S, S, S, S, T}},
    {"ClaimDevice(-2)", [](ServiceObject& so) { return so.claim_device(-2); }, {C, I, I, I, I, I}},
    {"ReleaseDevice", [](ServiceObject& so) { return so.release_device(); }, {C, I, S, I, S, I}},
    {"CheckHealth(internal)", [](ServiceObject& so) { return so.check_health(OPOS_CH_INTERNAL); },
     {C, D, D, S, S, S}},
    {"CheckHealth(external)", [](ServiceObject& so) { return so.check_health(OPOS_CH_EXTERNAL); },
     {C, D, D, S, S, CL}},
    {"CheckHealth(interactive)", [](ServiceObject& so) { return so.check_health(OPOS_CH_INTERACTIVE); },
     {C, D, D, I, I, I}},
    {"CheckHealth(9)", [](ServiceObject& so) { return so.check_health(9); }, {C, D, D, I, I, I}},
    {"DirectIO",
     [](ServiceObject& so) {
         int32_t data = 0;
         std::string text;
         return so.direct_io(1, data, text);
     },
     {C, I, I, I, I, I}},
    {"OpenDrawer", [](ServiceObject& so) { return so.open_drawer(); }, {C, D, D, S, S, CL}},
    {"WaitForDrawerClose", [](ServiceObject& so) { return so.wait_for_drawer_close(1000, 800, 100, 100); },
     {C, D, D, S, S, CL}},
    {"WaitForDrawerClose(-2, ...)", [](ServiceObject& so) { return so.wait_for_drawer_close(-2, 800, 100, 100); },
     {C, D, D, I, I, CL}},
    {"RetrieveStatistics(\"\")",
     [](ServiceObject& so) {
         std::string buffer;
         return so.retrieve_statistics(buffer);
     },
     {C, D, D, S, S, S}},
    {"ResetStatistics(\"\")", [](ServiceObject& so) { return so.reset_statistics(""); }, {C, D, D, S, S, S}},
    {"UpdateStatistics(good=1)", [](ServiceObject& so) { return so.update_statistics("DrawerGoodOpenCount=1"); },
     {C, D, D, S, S, S}},
    {"UpdateStatistics(bogus=1)", [](ServiceObject& so) { return so.update_statistics("Bogus=1"); },
     {C, D, D, X, X, X}},
    {"CompareFirmwareVersion",
     [](ServiceObject& so) {
         int32_t result = 0;
         return so.compare_firmware_version("fw.bin", result);
     },
     {C, I, I, I, I, I}},
    {"UpdateFirmware", [](ServiceObject& so) { return so.update_firmware("fw.bin"); }, {C, I, I, I, I, I}},
    {"DeviceEnabled=1", [](ServiceObject& so) { return so.set_property_number(PIDX_DeviceEnabled, 1); },
     {C, S, S, S, S, S}},
    {"DeviceEnabled=0", [](ServiceObject& so) { return so.set_property_number(PIDX_DeviceEnabled, 0); },
     {C, S, S, S, S, S}},
    {"FreezeEvents=1", [](ServiceObject& so) { return so.set_property_number(PIDX_FreezeEvents, 1); },
     {C, S, S, S, S, S}},
    {"PowerNotify=1", [](ServiceObject& so) { return so.set_property_number(PIDX_PowerNotify, 1); },
     {C, S, S, I, I, I}},
    {"PowerNotify=2", [](ServiceObject& so) { return so.set_property_number(PIDX_PowerNotify, 2); },
     {C, I, I, I, I, I}},
    {"BinaryConversion=2", [](ServiceObject& so) { return so.set_property_number(PIDX_BinaryConversion, 2); },
     {C, S, S, S, S, S}},
    {"BinaryConversion=3", [](ServiceObject& so) { return so.set_property_number(PIDX_BinaryConversion, 3); },
     {C, I, I, I, I, I}},
    {"Claimed=1 (read-only)", [](ServiceObject& so) { return so.set_property_number(PIDX_Claimed, 1); },
     {C, I, I, I, I, I}},
    {"SetPropertyString(DeviceName)",
     [](ServiceObject& so) { return so.set_property_string(PIDX_DeviceName, "x"); }, {C, I, I, I, I, I}},
    {"get DrawerOpened", [](ServiceObject& so) { return get_number(so, PIDX_DrawerOpened); }, {C, D, D, S, S, S}},
    {"get Claimed", [](ServiceObject& so) { return get_number(so, PIDX_Claimed); }, {C, S, S, S, S, S}},
    {"get PowerState", [](ServiceObject& so) { return get_number(so, PIDX_PowerState); }, {C, S, S, S, S, S}},
    {"get ServiceObjectVersion", [](ServiceObject& so) { return get_number(so, PIDX_ServiceObjectVersion); },
     {S, S, S, S, S, S}},
    {"get State", [](ServiceObject& so) { return get_number(so, PIDX_State); }, {S, S, S, S, S, S}},
    {"get DataEventEnabled (no such)", [](ServiceObject& so) { return get_number(so, 2); }, {C, I, I, I, I, I}},
    {"get 424242 (no such)", [](ServiceObject& so) { return get_number(so, 424242); }, {C, I, I, I, I, I}},
    {"get DeviceDescription", [](ServiceObject& so) { return get_string(so, PIDX_DeviceDescription); },
     {C, S, S, S, S, S}},
    {"get string 1000999 (no such)", [](ServiceObject& so) { return get_string(so, 1000999); },
     {C, I, I, I, I, I}},
};

void enter(State state, Instance& instance, Instance& other)
{
    if (state == Closed) return;
    ASSERT_EQ(instance.open(), OPOS_SUCCESS);
    if (state == Claimed || state == ClaimedEnabled) {
        ASSERT_EQ(instance.so.claim_device(0), OPOS_SUCCESS);
    }
    if (state == Enabled || state == ClaimedEnabled || state == ClaimedElsewhere) {
        ASSERT_EQ(instance.enable(), OPOS_SUCCESS);
    }
    if (state == ClaimedElsewhere) {
        ASSERT_EQ(other.open(), OPOS_SUCCESS);
        ASSERT_EQ(other.so.claim_device(0), OPOS_SUCCESS);
    }
}

TEST(ServiceObjectStates, EveryCallInEveryStateGivesItsResultCode)
{
    for (const Row& row : kRows) {
        for (int state = 0; state < kStates; ++state) {
            Rig rig;
            Instance instance(rig);
            Instance other(rig);
            enter(static_cast<State>(state), instance, other);
            // The drawer closes again by itself, so WaitForDrawerClose returns.
            rig.world.at(rig.world.now() + 3000, [&] { rig.drawer().set(Reading::Closed); });
            const int32_t result = row.run(instance.so);
            EXPECT_EQ(result, row.expected[state]) << row.call << " when " << kStateNames[state];
            EXPECT_EQ(instance.result_code(), row.expected[state])
                << "ResultCode after " << row.call << " when " << kStateNames[state];
        }
    }
}

} // namespace
} // namespace kav::opos::testing
