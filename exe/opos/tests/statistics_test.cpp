// The statistics as applications see them: counted by the drawer methods,
// kept in the device's shared record across processes, reset and set all or
// nothing, and never lost when a write fails.
#include "service_object_rig.h"

#include <gtest/gtest.h>

namespace kav::opos::testing {
namespace {

class Statistics : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(first.open(), OPOS_SUCCESS);
        ASSERT_EQ(first.enable(), OPOS_SUCCESS);
    }
    void open_shut_drawer(Instance& instance)
    {
        ASSERT_EQ(instance.so.open_drawer(), OPOS_SUCCESS);
        rig.drawer().set(Reading::Closed);
    }
    Rig rig;
    Instance first{rig};
};

TEST_F(Statistics, CountsReachTheSharedRecordSoonAfterAndAddUpAcrossProcesses)
{
    open_shut_drawer(first);
    open_shut_drawer(first);
    rig.world.settle();
    auto record = rig.statistics.record(kDevice);
    ASSERT_TRUE(record) << "written by the watch, before any statistics call or close";
    EXPECT_EQ(record->good_opens, 2);

    Instance second(rig);
    ASSERT_EQ(second.open(), OPOS_SUCCESS);
    ASSERT_EQ(second.enable(), OPOS_SUCCESS);
    open_shut_drawer(second);
    rig.drawer().opens_on_pulse = false;
    EXPECT_EQ(second.so.open_drawer(), OPOS_E_FAILURE);
    rig.world.settle();
    EXPECT_EQ(first.statistic("DrawerGoodOpenCount"), 3);
    EXPECT_EQ(first.statistic("DrawerFailedOpenCount"), 1);
}

TEST_F(Statistics, SurviveCloseAndANewServiceObject)
{
    open_shut_drawer(first);
    ASSERT_EQ(first.so.close_service(), OPOS_SUCCESS);
    Instance later(rig);
    ASSERT_EQ(later.open(), OPOS_SUCCESS);
    ASSERT_EQ(later.enable(), OPOS_SUCCESS);
    EXPECT_EQ(later.statistic("DrawerGoodOpenCount"), 1);
}

TEST_F(Statistics, HoursPoweredCountsEachHourOnceHoweverManyProcessesHaveTheDrawer)
{
    Instance second(rig);
    ASSERT_EQ(second.open(), OPOS_SUCCESS);
    ASSERT_EQ(second.enable(), OPOS_SUCCESS);
    rig.world.advance(2 * kMsPerHour + kMsPerHour / 2);
    EXPECT_EQ(first.statistic("HoursPoweredCount"), 2);
    EXPECT_EQ(second.statistic("HoursPoweredCount"), 2);
    ASSERT_EQ(second.so.close_service(), OPOS_SUCCESS);
    // Unreachable time is not powered time.
    rig.drawer().set(Reading::NotReachable);
    rig.world.advance(3 * kMsPerHour);
    EXPECT_EQ(first.statistic("HoursPoweredCount"), 2);
    rig.drawer().set(Reading::Closed);
    rig.world.advance(kMsPerHour);
    EXPECT_EQ(first.statistic("HoursPoweredCount"), 3);
}

TEST_F(Statistics, ResetAndUpdateChangeAllNamedOrNothing)
{
    open_shut_drawer(first);
    ASSERT_EQ(first.so.update_statistics("HoursPoweredCount=7, CommunicationErrorCount=4"), OPOS_SUCCESS);
    EXPECT_EQ(first.statistic("HoursPoweredCount"), 7);
    EXPECT_EQ(first.statistic("CommunicationErrorCount"), 4);

    struct Refused {
        const char* request;
        bool reset;
    } const refused[] = {
        {"DrawerGoodOpenCount,Bogus", true},
        {"ModelName", true},
        {"DrawerGoodOpenCount,,DrawerFailedOpenCount", true},
        {"DrawerGoodOpenCount=0,Bogus=0", false},
        {"DrawerGoodOpenCount", false},
        {"DrawerGoodOpenCount=", false},
        {"DrawerGoodOpenCount=-1", false},
        {"DrawerGoodOpenCount=1x", false},
        {"DrawerGoodOpenCount=2147483648", false},
        {"", false},
    };
    for (const Refused& r : refused) {
        const int32_t result = r.reset ? first.so.reset_statistics(r.request) : first.so.update_statistics(r.request);
        EXPECT_EQ(result, OPOS_E_EXTENDED) << r.request;
        EXPECT_EQ(first.number(PIDX_ResultCodeExtended), OPOS_ESTATS_ERROR) << r.request;
        EXPECT_EQ(first.statistic("DrawerGoodOpenCount"), 1) << r.request << " changed nothing";
    }

    ASSERT_EQ(first.so.reset_statistics("DrawerGoodOpenCount"), OPOS_SUCCESS);
    EXPECT_EQ(first.number(PIDX_ResultCodeExtended), 0);
    EXPECT_EQ(first.statistic("DrawerGoodOpenCount"), 0);
    EXPECT_EQ(first.statistic("HoursPoweredCount"), 7);
    ASSERT_EQ(first.so.update_statistics("U_=5"), OPOS_SUCCESS);
    EXPECT_EQ(first.statistic("DrawerFailedOpenCount"), 5);
    ASSERT_EQ(first.so.reset_statistics("M_"), OPOS_SUCCESS) << "there are no maker's statistics to reset";
    ASSERT_EQ(first.so.reset_statistics(""), OPOS_SUCCESS);
    for (const char* name : {"HoursPoweredCount", "CommunicationErrorCount", "DrawerGoodOpenCount",
                             "DrawerFailedOpenCount"}) {
        EXPECT_EQ(first.statistic(name), 0) << name;
    }
}

TEST_F(Statistics, AFailedWriteKeepsTheCountsForTheNext)
{
    rig.statistics.fail_writes = true;
    open_shut_drawer(first);
    rig.world.advance(kPollPeriodMs);
    std::string xml;
    EXPECT_EQ(first.so.retrieve_statistics(xml), OPOS_E_FAILURE);
    EXPECT_EQ(first.so.reset_statistics(""), OPOS_E_FAILURE);
    rig.statistics.fail_writes = false;
    rig.world.advance(kStatisticsRetryMs);
    auto record = rig.statistics.record(kDevice);
    ASSERT_TRUE(record) << "the watch tried again";
    EXPECT_EQ(record->good_opens, 1);
}

TEST_F(Statistics, HugeRequestsAreRefused)
{
    std::string huge(kMaxStatisticsText + 1, 'A');
    EXPECT_EQ(first.so.retrieve_statistics(huge), OPOS_E_ILLEGAL);
    EXPECT_EQ(first.so.reset_statistics(huge), OPOS_E_ILLEGAL);
    EXPECT_EQ(first.so.update_statistics(huge), OPOS_E_ILLEGAL);
}

} // namespace
} // namespace kav::opos::testing
