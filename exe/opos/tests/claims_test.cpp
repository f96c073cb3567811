// The claim between two service objects of one device (two processes' control
// objects): at once or waited for, and what it keeps from the other.
#include "service_object_rig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace kav::opos::testing {
namespace {

class Claims : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (Instance* instance : {&first, &second}) {
            ASSERT_EQ(instance->open(), OPOS_SUCCESS);
            ASSERT_EQ(instance->enable(), OPOS_SUCCESS);
        }
        ASSERT_EQ(first.so.claim_device(0), OPOS_SUCCESS);
    }
    Rig rig;
    Instance first{rig};
    Instance second{rig};
};

TEST_F(Claims, AHeldClaimRefusesAnotherAtOnceAndKeepsTheDrawerToItsHolder)
{
    EXPECT_EQ(first.so.claim_device(0), OPOS_SUCCESS) << "claiming again is no fault";
    EXPECT_EQ(second.so.claim_device(0), OPOS_E_TIMEOUT);
    EXPECT_EQ(second.so.claim_device(20), OPOS_E_TIMEOUT);
    EXPECT_EQ(second.number(PIDX_Claimed), 0);
    EXPECT_EQ(second.so.open_drawer(), OPOS_E_CLAIMED);
    EXPECT_EQ(second.so.wait_for_drawer_close(0, 800, 100, 100), OPOS_E_CLAIMED);
    EXPECT_EQ(rig.drawer().pulses, 0);
    // What only reads the drawer stays open to everyone.
    EXPECT_EQ(second.so.check_health(OPOS_CH_INTERNAL), OPOS_SUCCESS);
    EXPECT_EQ(second.number(PIDX_DrawerOpened), 0);
    EXPECT_EQ(first.so.open_drawer(), OPOS_SUCCESS);
    rig.world.advance(kPollPeriodMs);
    EXPECT_EQ(second.number(PIDX_DrawerOpened), 1) << "the other's watch sees the drawer too";
}

TEST_F(Claims, AClaimWithoutEndWaitsForTheRelease)
{
    std::atomic<int32_t> result{-1};
    std::thread waiter([&] { result = second.so.claim_device(OPOS_FOREVER); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(result.load(), -1) << "returned while the claim was held";
    ASSERT_EQ(first.so.release_device(), OPOS_SUCCESS);
    waiter.join();
    EXPECT_EQ(result.load(), OPOS_SUCCESS);
    EXPECT_EQ(first.so.claim_device(0), OPOS_E_TIMEOUT);
    EXPECT_EQ(first.so.open_drawer(), OPOS_E_CLAIMED);
}

TEST_F(Claims, AClaimThatCannotBeArbitratedFails)
{
    ASSERT_EQ(first.so.release_device(), OPOS_SUCCESS);
    rig.claims.fail = true;
    EXPECT_EQ(second.so.claim_device(0), OPOS_E_FAILURE);
    EXPECT_EQ(second.number(PIDX_Claimed), 0);
}

} // namespace
} // namespace kav::opos::testing
