#include "serial_drawer_model.h"

#include <gtest/gtest.h>

namespace kav::sim {
namespace {

constexpr uint64_t kCloseUs = 500000;

TEST(SerialDrawerModel, PulseOpensAndDropsCarrierUntilTheCloseTime)
{
    SerialDrawerModel drawer(kCloseUs);
    EXPECT_TRUE(drawer.carrier());
    EXPECT_EQ(drawer.closes_at_us(), 0u);

    const uint8_t message[] = {0x55, 0x00};
    EXPECT_TRUE(drawer.receive(message, sizeof message, 1000));
    EXPECT_TRUE(drawer.open());
    EXPECT_FALSE(drawer.carrier());
    EXPECT_EQ(drawer.closes_at_us(), 1000 + kCloseUs);

    EXPECT_FALSE(drawer.advance(1000 + kCloseUs - 1));
    EXPECT_FALSE(drawer.carrier());
    EXPECT_TRUE(drawer.advance(1000 + kCloseUs));
    EXPECT_TRUE(drawer.carrier());
    EXPECT_FALSE(drawer.advance(1000 + 2 * kCloseUs)) << "a closed drawer changes nothing";
    EXPECT_EQ(drawer.openings(), 1u);
}

TEST(SerialDrawerModel, OnlyThePulseByteMovesTheDrawer)
{
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        bool opens;
    } cases[] = {
        {"nothing", {}, false},
        {"zero", {0x00}, false},
        {"other letters", {'u', 'V', 0xAA, 0xD5}, false},
        {"pulse among others", {0x01, 0x55, 0x02}, true},
        {"two pulses, one opening", {0x55, 0x55}, true},
    };
    for (const auto& c : cases) {
        SerialDrawerModel drawer(kCloseUs);
        EXPECT_EQ(drawer.receive(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), 0), c.opens) << c.name;
        EXPECT_EQ(drawer.open(), c.opens) << c.name;
        EXPECT_EQ(drawer.openings(), c.opens ? 1u : 0u) << c.name;
    }
}

TEST(SerialDrawerModel, PulseWhileOpenDoesNotRestartTheCloseTime)
{
    SerialDrawerModel drawer(kCloseUs);
    const uint8_t pulse = 0x55;
    drawer.receive(&pulse, 1, 0);
    EXPECT_FALSE(drawer.receive(&pulse, 1, kCloseUs / 2));
    EXPECT_EQ(drawer.closes_at_us(), kCloseUs);
}

TEST(SerialDrawerModel, DrawerDueToCloseClosesBeforeTheNextPulse)
{
    SerialDrawerModel drawer(kCloseUs);
    const uint8_t pulse = 0x55;
    drawer.receive(&pulse, 1, 0);
    // The timer was late: the close and the new opening are both changes.
    EXPECT_TRUE(drawer.receive(&pulse, 1, kCloseUs + 10));
    EXPECT_TRUE(drawer.open());
    EXPECT_EQ(drawer.openings(), 2u);
    EXPECT_EQ(drawer.closes_at_us(), 2 * kCloseUs + 10);
}

} // namespace
} // namespace kav::sim
