// Names derived from a device name or a serial drawer's port.
#include "device_names.h"

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

TEST(DeviceNames, ASerialDrawersRoomIsNamedByItsPortWhicheverDeviceNamesIt)
{
    EXPECT_EQ(serial_room_object(3, "Hold"), "Global\\KAV.CashDrawer.SO.COM3.Hold");
    EXPECT_NE(serial_room_object(3, "Hold"), serial_room_object(13, "Hold"));
    EXPECT_EQ(serial_room_file_name(12), "serial-COM12.room") << "not COM12.room, which names the port itself";
    // Never one of a device's files, whatever the device is called.
    EXPECT_NE(serial_room_file_name(3), statistics_file_name("COM3"));
}

} // namespace
} // namespace kav::opos
