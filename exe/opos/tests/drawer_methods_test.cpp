// OpenDrawer, WaitForDrawerClose and CheckHealth against a drawer that opens,
// does not open, cannot be reached, or is reached once its driver's service
// runs.
#include "service_object_rig.h"

#include <gtest/gtest.h>

namespace kav::opos::testing {
namespace {

class DrawerMethods : public ::testing::Test {
protected:
    void open_and_enable()
    {
        ASSERT_EQ(instance.open(), OPOS_SUCCESS);
        ASSERT_EQ(instance.so.set_property_number(PIDX_PowerNotify, OPOS_PN_ENABLED), OPOS_SUCCESS);
        ASSERT_EQ(instance.enable(), OPOS_SUCCESS);
    }
    Rig rig;
    Instance instance{rig};
};

TEST_F(DrawerMethods, OpenDrawerOpensItAndReportsItOpenAtOnce)
{
    open_and_enable();
    EXPECT_EQ(instance.so.open_drawer(), OPOS_SUCCESS);
    EXPECT_EQ(rig.drawer().pulses, 1);
    EXPECT_EQ(instance.number(PIDX_DrawerOpened), 1);
    rig.world.settle();
    EXPECT_EQ(instance.events->back(), CASH_SUE_DRAWEROPEN);
}

TEST_F(DrawerMethods, OpenDrawerAnswersForEachOutcome)
{
    struct Case {
        const char* what;
        Reading state;
        OpenOutcome pulse;
        bool opens;
        int32_t result;
        int64_t good, failed, errors;
    } const cases[] = {
        {"opens", Reading::Closed, OpenOutcome::Done, true, OPOS_SUCCESS, 1, 0, 0},
        {"stays shut", Reading::Closed, OpenOutcome::Done, false, OPOS_E_FAILURE, 0, 1, 0},
        {"request fails", Reading::Closed, OpenOutcome::RequestFailed, false, OPOS_E_FAILURE, 0, 1, 1},
        {"not reachable", Reading::NotReachable, OpenOutcome::Done, false, OPOS_E_NOHARDWARE, 0, 1, 1},
    };
    for (const Case& c : cases) {
        Rig machine;
        machine.drawer().pulse = c.pulse;
        machine.drawer().opens_on_pulse = c.opens;
        Instance subject(machine);
        ASSERT_EQ(subject.open(), OPOS_SUCCESS);
        ASSERT_EQ(subject.so.set_property_number(PIDX_PowerNotify, OPOS_PN_ENABLED), OPOS_SUCCESS);
        ASSERT_EQ(subject.enable(), OPOS_SUCCESS);
        machine.drawer().state = c.state;
        const int64_t start = machine.world.now();
        EXPECT_EQ(subject.so.open_drawer(), c.result) << c.what;
        if (c.result == OPOS_E_FAILURE && c.pulse == OpenOutcome::Done) {
            EXPECT_GE(machine.world.now() - start, kOpenConfirmMs) << c.what << ": waited for it to open";
        }
        EXPECT_EQ(subject.statistic("DrawerGoodOpenCount"), c.good) << c.what;
        EXPECT_EQ(subject.statistic("DrawerFailedOpenCount"), c.failed) << c.what;
        EXPECT_EQ(subject.statistic("CommunicationErrorCount"), c.errors) << c.what;
    }
}

TEST_F(DrawerMethods, ADrawerThatTakesAMomentToReadOpenIsAGoodOpen)
{
    rig.drawer().opens_on_pulse = false;
    open_and_enable();
    rig.world.at(rig.world.now() + 100, [&] { rig.drawer().set(Reading::Open); });
    EXPECT_EQ(instance.so.open_drawer(), OPOS_SUCCESS);
    EXPECT_LT(rig.world.now(), kOpenConfirmMs);
    EXPECT_EQ(instance.statistic("DrawerGoodOpenCount"), 1);
}

TEST_F(DrawerMethods, ABoardDrawerGetsItsDriverServiceStartedWhenNotReachable)
{
    rig.drawer().state = Reading::NotReachable;
    rig.drawer().service_reaches = true;
    ASSERT_EQ(instance.open(), OPOS_SUCCESS);
    EXPECT_EQ(instance.enable(), OPOS_SUCCESS);
    EXPECT_EQ(rig.drawer().service_starts, 1);
    EXPECT_EQ(instance.so.open_drawer(), OPOS_SUCCESS);
    EXPECT_EQ(rig.drawer().service_starts, 1) << "a reachable drawer starts nothing";
}

TEST_F(DrawerMethods, OtherKindsHaveNoServiceToStart)
{
    rig.drawer().state = Reading::NotReachable;
    rig.drawer().service_reaches = true;
    rig.drawer().kind = DrawerKind::UsbHid;
    ASSERT_EQ(instance.open(), OPOS_SUCCESS);
    EXPECT_EQ(instance.enable(), OPOS_E_NOHARDWARE);
    EXPECT_EQ(rig.drawer().service_starts, 0);
}

TEST_F(DrawerMethods, WaitForDrawerCloseBeepsInItsRhythmUntilTheDrawerCloses)
{
    open_and_enable();
    ASSERT_EQ(instance.so.open_drawer(), OPOS_SUCCESS);
    const int64_t start = rig.world.now();
    rig.world.at(start + 2600, [&] { rig.drawer().set(Reading::Closed); });
    EXPECT_EQ(instance.so.wait_for_drawer_close(1000, 880, 200, 300), OPOS_SUCCESS);
    std::vector<int64_t> offsets;
    for (const RecordedBeep& beep : instance.platform.beeps) {
        offsets.push_back(beep.at_ms - start);
        EXPECT_EQ(beep.frequency, 880);
        EXPECT_EQ(beep.duration_ms, 200);
    }
    // Silent for the timeout, then tone and pause in turn.
    EXPECT_EQ(offsets, (std::vector<int64_t>{1000, 1500, 2000, 2500}));
    EXPECT_GE(rig.world.now() - start, 2600);
    EXPECT_LE(rig.world.now() - start, 2700 + kPollPeriodMs) << "returned soon after the close";
    EXPECT_EQ(instance.number(PIDX_DrawerOpened), 0);
}

TEST_F(DrawerMethods, WaitForDrawerCloseWithoutAnAlarmOrWithAClosedDrawer)
{
    open_and_enable();
    EXPECT_EQ(instance.so.wait_for_drawer_close(0, 880, 200, 300), OPOS_SUCCESS) << "closed already";
    EXPECT_EQ(rig.world.now(), 0);
    ASSERT_EQ(instance.so.open_drawer(), OPOS_SUCCESS);
    rig.world.at(rig.world.now() + 5000, [&] { rig.drawer().set(Reading::Closed); });
    EXPECT_EQ(instance.so.wait_for_drawer_close(OPOS_FOREVER, 0, 200, 300), OPOS_SUCCESS);
    ASSERT_EQ(instance.so.open_drawer(), OPOS_SUCCESS);
    rig.world.at(rig.world.now() + 3000, [&] { rig.drawer().set(Reading::Closed); });
    EXPECT_EQ(instance.so.wait_for_drawer_close(0, 880, 0, 0), OPOS_SUCCESS) << "no tone, no pause";
    EXPECT_TRUE(instance.platform.beeps.empty());
}

TEST_F(DrawerMethods, WaitForDrawerCloseEndsWhenTheDrawerCannotBeReached)
{
    open_and_enable();
    ASSERT_EQ(instance.so.open_drawer(), OPOS_SUCCESS);
    rig.world.at(rig.world.now() + 1000, [&] { rig.drawer().set(Reading::NotReachable); });
    EXPECT_EQ(instance.so.wait_for_drawer_close(OPOS_FOREVER, 0, 0, 0), OPOS_E_NOHARDWARE);
}

TEST_F(DrawerMethods, WaitForDrawerCloseRefusesParametersItCannotKeep)
{
    open_and_enable();
    struct Case {
        int32_t timeout, frequency, duration, delay;
    } const cases[] = {
        {-2, 880, 200, 300}, {1000, 880, -1, 300}, {1000, 880, 200, -1}, {1000, 36, 200, 300}, {1000, 32768, 200, 300},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(instance.so.wait_for_drawer_close(c.timeout, c.frequency, c.duration, c.delay), OPOS_E_ILLEGAL)
            << c.timeout << " " << c.frequency << " " << c.duration << " " << c.delay;
    }
    EXPECT_EQ(instance.so.wait_for_drawer_close(OPOS_FOREVER, 0, 200, 300), OPOS_SUCCESS)
        << "a tone that never sounds needs no frequency";
}

TEST_F(DrawerMethods, CheckHealthSaysWhatItFound)
{
    open_and_enable();
    EXPECT_EQ(instance.so.check_health(OPOS_CH_INTERNAL), OPOS_SUCCESS);
    EXPECT_EQ(instance.so.get_property_string(PIDX_CheckHealthText),
              "Internal HCheck: Successful, VOLX-8613:1 (board drawer) answers, drawer closed");
    EXPECT_EQ(rig.drawer().pulses, 0) << "internal moves nothing";

    EXPECT_EQ(instance.so.check_health(OPOS_CH_EXTERNAL), OPOS_SUCCESS);
    EXPECT_EQ(instance.so.get_property_string(PIDX_CheckHealthText),
              "External HCheck: Successful, VOLX-8613:1 (board drawer) opened");
    EXPECT_EQ(rig.drawer().pulses, 1);

    rig.drawer().set(Reading::NotReachable);
    EXPECT_EQ(instance.so.check_health(OPOS_CH_INTERNAL), OPOS_E_NOHARDWARE);
    EXPECT_EQ(instance.so.get_property_string(PIDX_CheckHealthText),
              "Internal HCheck: Not reachable, VOLX-8613:1 (board drawer)");
    rig.drawer().set(Reading::RequestFailed);
    EXPECT_EQ(instance.so.check_health(OPOS_CH_INTERNAL), OPOS_E_FAILURE);
    rig.drawer().set(Reading::Closed);
    rig.drawer().opens_on_pulse = false;
    EXPECT_EQ(instance.so.check_health(OPOS_CH_EXTERNAL), OPOS_E_FAILURE);
    EXPECT_EQ(instance.so.get_property_string(PIDX_CheckHealthText),
              "External HCheck: Failed, VOLX-8613:1 (board drawer) did not open");

    const std::string before = instance.so.get_property_string(PIDX_CheckHealthText);
    EXPECT_EQ(instance.so.check_health(OPOS_CH_INTERACTIVE), OPOS_E_ILLEGAL);
    EXPECT_EQ(instance.so.get_property_string(PIDX_CheckHealthText), before);
}

} // namespace
} // namespace kav::opos::testing
