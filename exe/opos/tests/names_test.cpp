// Names derived from a device name, and the placeholder shape check of drawer
// names that stands until the drawer library's parser takes its place.
#include "device_names.h"
#include "unwired_drawers.h"

#include <gtest/gtest.h>

namespace kav::opos {
namespace {

TEST(DeviceNames, OneDeviceWhateverTheCaseDistinctDevicesApartAndEveryNameUsable)
{
    EXPECT_EQ(device_tag("Drawer1"), device_tag("DRAWER1"));
    EXPECT_NE(device_tag("Drawer1"), device_tag("Drawer2"));
    // Same readable part, told apart by the hash.
    EXPECT_NE(device_tag("a/b"), device_tag("a:b"));
    EXPECT_NE(device_tag(std::string(60, 'x') + "1"), device_tag(std::string(60, 'x') + "2"));
    for (const std::string& name : {std::string("Front till"), std::string(255, 'z'), std::string("\xc3\xa9t\\a*?")}) {
        const std::string tag = device_tag(name);
        EXPECT_LE(tag.size(), 48u + 1 + 16) << name;
        EXPECT_EQ(tag.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_.abcdef"), std::string::npos) << tag;
    }
    EXPECT_EQ(claim_mutex_name("Drawer1").rfind("Global\\", 0), 0u);
    EXPECT_NE(claim_mutex_name("Drawer1"), statistics_mutex_name("Drawer1"));
    EXPECT_NE(claim_mutex_name("Drawer1"), claim_flag_name("Drawer1"));
    EXPECT_EQ(statistics_file_name("Drawer1"), device_tag("Drawer1") + ".stat");
}

TEST(PlaceholderDrawerNames, AcceptsTheFourShapesOnly)
{
    struct Case {
        const char* text;
        const char* name; // nullptr: refused
        DrawerKind kind;
    } const cases[] = {
        {"VOLX-8613:1", "VOLX-8613:1", DrawerKind::Board},
        {"thin-client:2@0x200", "thin-client:2@0x200", DrawerKind::Board},
        {"usb:1", "usb:1", DrawerKind::UsbHid},
        {"USB:5", "usb:5", DrawerKind::UsbHid},
        {"com3", "com3", DrawerKind::Serial},
        {"COM255", "com255", DrawerKind::Serial},
        {"", nullptr, DrawerKind::Board},
        {"VOLX-8613:3", nullptr, DrawerKind::Board},
        {"VOLX-8613", nullptr, DrawerKind::Board},
        {":1", nullptr, DrawerKind::Board},
        {"thin-client:2@200", nullptr, DrawerKind::Board},
        {"thin-client:2@0x", nullptr, DrawerKind::Board},
        {"usb:0", nullptr, DrawerKind::Board},
        {"usb:6", nullptr, DrawerKind::Board},
        {"com0", nullptr, DrawerKind::Board},
        {"com256", nullptr, DrawerKind::Board},
        {"com", nullptr, DrawerKind::Board},
        {"com3x", nullptr, DrawerKind::Board},
        {"board with space:1", nullptr, DrawerKind::Board},
    };
    for (const Case& c : cases) {
        const auto identity = placeholder_drawer_identity(c.text);
        if (!c.name) {
            EXPECT_FALSE(identity) << c.text;
            continue;
        }
        ASSERT_TRUE(identity) << c.text;
        EXPECT_EQ(identity->name, c.name);
        EXPECT_EQ(identity->kind, c.kind) << c.text;
    }
    UnwiredDrawerPorts ports;
    std::string why;
    EXPECT_FALSE(ports.port_for("nonsense", why));
    EXPECT_FALSE(why.empty());
    auto port = ports.port_for("com3", why);
    ASSERT_TRUE(port);
    EXPECT_EQ(port->read(), Reading::NotReachable);
    EXPECT_EQ(port->open_drawer(), OpenOutcome::NotReachable);
}

} // namespace
} // namespace kav::opos
