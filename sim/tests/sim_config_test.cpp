#include "sim_config.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kav::sim {
namespace {

std::vector<int> numbers(const SerialPortList& list)
{
    return {list.numbers, list.numbers + list.count};
}

TEST(ParsePortList, ReadsNumbersApartByBlanksOrCommas)
{
    const struct {
        const char* text;
        std::vector<int> ports;
    } cases[] = {
        {"", {}},
        {"3", {3}},
        {"3,5", {3, 5}},
        {" 1 2\t12 ", {1, 2, 12}},
        {"5,3,5", {5, 3}},
        {"255", {255}},
        {"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}},
    };
    for (const auto& c : cases) {
        SerialPortList list;
        EXPECT_TRUE(parse_port_list(c.text, list)) << c.text;
        EXPECT_EQ(numbers(list), c.ports) << c.text;
    }
    SerialPortList none;
    EXPECT_TRUE(parse_port_list(nullptr, none));
    EXPECT_EQ(none.count, 0);
}

TEST(ParsePortList, RefusesAnythingElseAndLeavesTheListEmpty)
{
    for (const char* text : {"0", "256", "99999999999", "-3", "COM3", "3;5", "3x", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17"}) {
        SerialPortList list;
        list.count = 1;
        EXPECT_FALSE(parse_port_list(text, list)) << text;
        EXPECT_EQ(list.count, 0) << text;
    }
}

} // namespace
} // namespace kav::sim

namespace kav::sim {
namespace {

TEST(ParseHidDevices, ReadsKindsInListingOrderOrRefusesTheWholeList)
{
    const struct {
        const char* text;
        bool good;
        std::vector<HidKind> kinds;
    } cases[] = {
        {"", true, {}},
        {"d", true, {HidKind::Drawer}},
        {"oDd", true, {HidKind::Other, HidKind::Drawer, HidKind::Drawer}},
        {"d, o d", true, {HidKind::Drawer, HidKind::Other, HidKind::Drawer}},
        {"dddddddd", true, std::vector<HidKind>(8, HidKind::Drawer)},
        {"ddddddddd", false, {}},
        {"dx", false, {}},
        {"2", false, {}},
    };
    for (const auto& c : cases) {
        HidDeviceList list;
        list.count = 1;
        EXPECT_EQ(parse_hid_devices(c.text, list), c.good) << c.text;
        EXPECT_EQ(std::vector<HidKind>(list.kinds, list.kinds + list.count), c.kinds) << c.text;
    }
}

} // namespace
} // namespace kav::sim

namespace kav::sim {
namespace {

TEST(AddPorts, JoinsTwoListsWithEachNumberOnceUpToTheLimit)
{
    SerialPortList serial;
    SerialPortList adapters;
    ASSERT_TRUE(parse_port_list("3,5", serial));
    ASSERT_TRUE(parse_port_list("5,7,12", adapters));
    add_ports(serial, adapters);
    EXPECT_EQ(std::vector<int>(serial.numbers, serial.numbers + serial.count), (std::vector<int>{3, 5, 7, 12}));

    SerialPortList full;
    SerialPortList more;
    ASSERT_TRUE(parse_port_list("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16", full));
    ASSERT_TRUE(parse_port_list("17", more));
    add_ports(full, more);
    EXPECT_EQ(full.count, kMaxSerialPorts);
    EXPECT_EQ(full.numbers[kMaxSerialPorts - 1], 16);
}

} // namespace
} // namespace kav::sim

namespace kav::sim {
namespace {

// "6/pin5/low@19200", as the list was given.
std::string described(const PrinterList& list)
{
    std::string text;
    for (int i = 0; i < list.count; ++i) {
        const PrinterEntry& entry = list.printers[i];
        text += (i ? "," : "") + std::to_string(entry.number);
        if (entry.setup.pin != 2) text += "/pin" + std::to_string(entry.setup.pin);
        if (entry.setup.open_low) text += "/low";
        if (entry.setup.baud != 9600) text += "@" + std::to_string(entry.setup.baud);
    }
    return text;
}

TEST(ParsePrinterList, ReadsPortsWithTheirDrawersPinLevelAndSpeedOrRefusesTheWholeList)
{
    const struct {
        const char* text;
        bool good;
        const char* read;
    } cases[] = {
        {"", true, ""},
        {"6", true, "6"},
        {"6, 8/pin5/low@19200", true, "6,8/pin5/low@19200"},
        {"8/low/pin5", true, "8/pin5/low"},
        {"6@115200 6/low", true, "6@115200"}, // a number given twice counts as first given
        {"6@0", false, ""},
        {"6@115201", false, ""},
        {"6@", false, ""},
        {"6/pin2", false, ""},
        {"6/pin5/pin5", false, ""},
        {"6/lowx", false, ""},
        {"6/", false, ""},
        {"6@9600/low", false, ""},
        {"0", false, ""},
        {"256", false, ""},
        {"/low", false, ""},
        {"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17", false, ""},
    };
    for (const auto& c : cases) {
        PrinterList list;
        list.count = 1;
        EXPECT_EQ(parse_printer_list(c.text, list), c.good) << c.text;
        EXPECT_EQ(described(list), c.read) << c.text;
    }
}

} // namespace
} // namespace kav::sim
