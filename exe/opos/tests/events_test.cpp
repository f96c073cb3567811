// Status updates: queued only while enabled, held while the application or
// the control object freezes events, delivered in order, dropped at close;
// drawer changes found by the watch's reads or pushed by the port; power
// state updates when asked for.
#include "service_object_rig.h"

#include <gtest/gtest.h>

namespace kav::opos::testing {
namespace {

using Events = std::vector<int32_t>;

class Events_ : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(instance.open(), OPOS_SUCCESS);
        ASSERT_EQ(instance.enable(), OPOS_SUCCESS);
    }
    // The drawer opens and closes again, each state read by the watch.
    void open_and_close()
    {
        rig.drawer().set(Reading::Open);
        rig.world.advance(kPollPeriodMs);
        rig.drawer().set(Reading::Closed);
        rig.world.advance(kPollPeriodMs);
    }
    void freeze(bool on) { ASSERT_EQ(instance.so.set_property_number(PIDX_FreezeEvents, on), OPOS_SUCCESS); }

    Rig rig;
    Instance instance{rig};
};

TEST_F(Events_, EachChangeTheWatchReadsIsOneStatusUpdate)
{
    rig.drawer().set(Reading::Open);
    rig.world.advance(kPollPeriodMs);
    EXPECT_EQ(*instance.events, Events{CASH_SUE_DRAWEROPEN});
    EXPECT_EQ(instance.number(PIDX_DrawerOpened), 1);
    rig.world.advance(5 * kPollPeriodMs);
    EXPECT_EQ(*instance.events, Events{CASH_SUE_DRAWEROPEN}) << "no update without a change";
    rig.drawer().set(Reading::Closed);
    rig.world.advance(kPollPeriodMs);
    EXPECT_EQ(*instance.events, (Events{CASH_SUE_DRAWEROPEN, CASH_SUE_DRAWERCLOSED}));
    EXPECT_EQ(instance.number(PIDX_DrawerOpened), 0);
}

TEST_F(Events_, TheWatchReadsAtLeastEvery200Ms)
{
    const int before = rig.drawer().reads;
    rig.world.advance(10 * kPollPeriodMs);
    EXPECT_GE(rig.drawer().reads - before, 10);
    EXPECT_LE(rig.drawer().reads - before, 11);
}

TEST_F(Events_, FreezeEventsHoldsThemAndThawingDeliversThemInOrder)
{
    freeze(true);
    open_and_close();
    EXPECT_TRUE(instance.events->empty());
    EXPECT_EQ(instance.number(PIDX_DrawerOpened), 0) << "the state is current even while events are held";
    freeze(false);
    rig.world.settle();
    EXPECT_EQ(*instance.events, (Events{CASH_SUE_DRAWEROPEN, CASH_SUE_DRAWERCLOSED}));
}

TEST_F(Events_, TheControlObjectsFreezeHoldsThemTooAndBothMustThaw)
{
    instance.so.co_freeze_events(true);
    freeze(true);
    open_and_close();
    freeze(false);
    rig.world.settle();
    EXPECT_TRUE(instance.events->empty()) << "still frozen by the control object";
    instance.so.co_freeze_events(false);
    rig.world.settle();
    EXPECT_EQ(*instance.events, (Events{CASH_SUE_DRAWEROPEN, CASH_SUE_DRAWERCLOSED}));
}

TEST_F(Events_, TheControlObjectsFreezeLeavesResultCodeAlone)
{
    EXPECT_EQ(instance.so.check_health(OPOS_CH_INTERACTIVE), OPOS_E_ILLEGAL);
    instance.so.co_freeze_events(true);
    EXPECT_EQ(instance.result_code(), OPOS_E_ILLEGAL);
}

TEST_F(Events_, DisablingQueuesNoMoreButKeepsWhatIsHeld)
{
    freeze(true);
    rig.drawer().set(Reading::Open);
    rig.world.advance(kPollPeriodMs);
    ASSERT_EQ(instance.so.set_property_number(PIDX_DeviceEnabled, 0), OPOS_SUCCESS);
    rig.drawer().set(Reading::Closed);
    rig.world.advance(5 * kPollPeriodMs);
    freeze(false);
    rig.world.settle();
    EXPECT_EQ(*instance.events, Events{CASH_SUE_DRAWEROPEN});
    // Enabling again reads the state afresh; that is no change to report.
    ASSERT_EQ(instance.enable(), OPOS_SUCCESS);
    rig.world.advance(5 * kPollPeriodMs);
    EXPECT_EQ(*instance.events, Events{CASH_SUE_DRAWEROPEN});
    EXPECT_EQ(instance.number(PIDX_DrawerOpened), 0);
}

TEST_F(Events_, ReleasingTheClaimKeepsTheDeviceEnabledAndItsEvents)
{
    ASSERT_EQ(instance.so.claim_device(0), OPOS_SUCCESS);
    freeze(true);
    rig.drawer().set(Reading::Open);
    rig.world.advance(kPollPeriodMs);
    ASSERT_EQ(instance.so.release_device(), OPOS_SUCCESS);
    EXPECT_EQ(instance.number(PIDX_DeviceEnabled), 1);
    freeze(false);
    rig.world.settle();
    EXPECT_EQ(*instance.events, Events{CASH_SUE_DRAWEROPEN});
}

TEST_F(Events_, AHeldQueueKeepsTheNewestEventsWithinItsBound)
{
    freeze(true);
    for (size_t i = 0; i < kMaxQueuedEvents; ++i) open_and_close();
    freeze(false);
    rig.world.settle();
    ASSERT_EQ(instance.events->size(), kMaxQueuedEvents);
    EXPECT_EQ(instance.events->back(), CASH_SUE_DRAWERCLOSED);
}

TEST(EventsPushed, APortThatPushesChangesIsNotPolledAndIsStoppedOnDisable)
{
    Rig rig;
    rig.drawer().pushes = true;
    Instance instance(rig);
    ASSERT_EQ(instance.open(), OPOS_SUCCESS);
    ASSERT_EQ(instance.enable(), OPOS_SUCCESS);
    const int reads = rig.drawer().reads;
    rig.drawer().set(Reading::Open);
    rig.world.settle();
    EXPECT_EQ(*instance.events, Events{CASH_SUE_DRAWEROPEN}) << "delivered without waiting for a poll";
    rig.world.advance(10 * kPollPeriodMs);
    EXPECT_EQ(rig.drawer().reads, reads);
    ASSERT_EQ(instance.so.set_property_number(PIDX_DeviceEnabled, 0), OPOS_SUCCESS);
    EXPECT_EQ(rig.drawer().watch_stops, 1);
    EXPECT_FALSE(rig.drawer().watcher);
}

TEST(PowerEvents, ReportOnlineAndOffOfflineOnlyWhenNotifyIsEnabled)
{
    Rig rig;
    Instance instance(rig);
    ASSERT_EQ(instance.open(), OPOS_SUCCESS);
    ASSERT_EQ(instance.so.set_property_number(PIDX_PowerNotify, OPOS_PN_ENABLED), OPOS_SUCCESS);
    ASSERT_EQ(instance.enable(), OPOS_SUCCESS);
    rig.world.settle();
    EXPECT_EQ(instance.number(PIDX_PowerState), OPOS_PS_ONLINE);
    rig.drawer().set(Reading::NotReachable);
    rig.world.advance(kPollPeriodMs);
    EXPECT_EQ(instance.number(PIDX_PowerState), OPOS_PS_OFF_OFFLINE);
    rig.drawer().set(Reading::RequestFailed);
    rig.world.advance(kPollPeriodMs);
    rig.drawer().set(Reading::Open);
    rig.world.advance(kPollPeriodMs);
    EXPECT_EQ(*instance.events, (Events{OPOS_SUE_POWER_ONLINE, OPOS_SUE_POWER_OFF_OFFLINE, OPOS_SUE_POWER_ONLINE,
                                        CASH_SUE_DRAWEROPEN}));
    ASSERT_EQ(instance.so.set_property_number(PIDX_DeviceEnabled, 0), OPOS_SUCCESS);
    EXPECT_EQ(instance.number(PIDX_PowerState), OPOS_PS_UNKNOWN);

    // Without notification: the same changes, no power updates.
    Instance quiet(rig);
    rig.drawer().set(Reading::Closed);
    ASSERT_EQ(quiet.open(), OPOS_SUCCESS);
    ASSERT_EQ(quiet.enable(), OPOS_SUCCESS);
    rig.drawer().set(Reading::NotReachable);
    rig.world.advance(kPollPeriodMs);
    rig.drawer().set(Reading::Closed);
    rig.world.advance(kPollPeriodMs);
    EXPECT_TRUE(quiet.events->empty());
    EXPECT_EQ(quiet.number(PIDX_PowerState), OPOS_PS_UNKNOWN);
}

TEST(PowerEvents, AnUnreachableDrawerEnablesOnlyWithNotification)
{
    Rig rig;
    rig.drawer().state = Reading::NotReachable;
    Instance instance(rig);
    ASSERT_EQ(instance.open(), OPOS_SUCCESS);
    EXPECT_EQ(instance.enable(), OPOS_E_NOHARDWARE);
    EXPECT_EQ(instance.number(PIDX_DeviceEnabled), 0);
    ASSERT_EQ(instance.so.set_property_number(PIDX_PowerNotify, OPOS_PN_ENABLED), OPOS_SUCCESS);
    EXPECT_EQ(instance.enable(), OPOS_SUCCESS);
    rig.world.settle();
    EXPECT_EQ(*instance.events, Events{OPOS_SUE_POWER_OFF_OFFLINE});
    rig.drawer().set(Reading::Closed);
    rig.world.advance(kPollPeriodMs);
    EXPECT_EQ(*instance.events, (Events{OPOS_SUE_POWER_OFF_OFFLINE, OPOS_SUE_POWER_ONLINE}));
}

TEST(PowerEvents, AFailedStatusRequestRefusesTheEnable)
{
    Rig rig;
    rig.drawer().state = Reading::RequestFailed;
    Instance instance(rig);
    ASSERT_EQ(instance.open(), OPOS_SUCCESS);
    EXPECT_EQ(instance.enable(), OPOS_E_FAILURE);
    EXPECT_EQ(instance.number(PIDX_DeviceEnabled), 0);
}

} // namespace
} // namespace kav::opos::testing
