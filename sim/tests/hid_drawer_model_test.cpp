#include "hid_drawer_model.h"

#include <gtest/gtest.h>

#include <string>

namespace kav::sim {
namespace {

constexpr uint64_t kCloseUs = 500000;

std::string state(HidDrawerModel& device, uint64_t now_us)
{
    const HidStringReply reply = device.string_request(kHidStateString, now_us);
    return reply.answered ? reply.text : "refused";
}

TEST(HidDrawerModel, StringOpenSpringsTheDrawerUntilTheCloseTime)
{
    HidDrawerModel drawer(HidKind::Drawer, kCloseUs);
    EXPECT_EQ(state(drawer, 0), "1");

    EXPECT_TRUE(drawer.string_request(kHidOpenString, 1000).answered);
    EXPECT_EQ(state(drawer, 1000), "0");
    EXPECT_EQ(state(drawer, 1000 + kCloseUs - 1), "0");
    EXPECT_EQ(state(drawer, 1000 + kCloseUs), "1");

    // Asking an open drawer to open again does not keep it out longer.
    drawer.string_request(kHidOpenString, 2 * kCloseUs);
    drawer.string_request(kHidOpenString, 2 * kCloseUs + kCloseUs / 2);
    EXPECT_EQ(state(drawer, 3 * kCloseUs), "1");
    EXPECT_EQ(drawer.openings(), 2u);
}

TEST(HidDrawerModel, RefusesOtherStringsAndADeviceThatIsNoDrawerRefusesAll)
{
    HidDrawerModel drawer(HidKind::Drawer, kCloseUs);
    HidDrawerModel other(HidKind::Other, kCloseUs);
    for (uint32_t index : {0u, 1u, 105u, 108u, 0xFFFFFFFFu})
        EXPECT_FALSE(drawer.string_request(index, 0).answered) << index;
    for (uint32_t index : {kHidOpenString, kHidStateString, 1u})
        EXPECT_FALSE(other.string_request(index, 0).answered) << index;
    EXPECT_EQ(other.openings(), 0u);
    EXPECT_EQ(drawer.openings(), 0u) << "a refused string moves nothing";
}

} // namespace
} // namespace kav::sim
