// Logical devices' drawers through the drawer library: each name as the
// console tool reads it, with its kind; board and USB drawers asked through
// their library calls; the driver's service started for a board drawer only,
// asked afresh at each request and never removed.
#include "fake_printer_port.h"
#include "fake_serial_room.h"
#include "library_drawer_ports.h"
#include "recording_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace kav::opos::testing {
namespace {

struct Machine {
    Machine()
    {
        library = fake.bind(calls);
        // One USB-to-RS232 adapter, its port COM7.
        library.EnumUsbToComNum = [](char* list) {
            std::snprintf(list, 51, "COM7");
            return 1;
        };
        library.GetUsbToComToken = [](char* list, char* token) {
            std::snprintf(token, 11, "%s", list);
            list[0] = '\0';
            return 0;
        };
        library.StringTrim = [](char* text, const char* characters) {
            std::string value(text);
            value = value.substr(std::min(value.find_first_not_of(characters), value.size()));
            std::snprintf(text, value.size() + 1, "%s", value.c_str());
            return 1;
        };
    }
    drawers::testing::CallLog calls;
    drawers::testing::FakeLibrary fake;
    drawers::Library library;
    drawers::testing::FakePrinterPort printer;
    drawers::LibraryDrawers drawers{library, [](int) { return std::optional<bool>(true); }, &printer};
    FakeSerialParts serial;
    LibraryDrawerPorts ports{library, drawers, serial};
};

TEST(LibraryDrawerPorts, EachNameAsTheConsoleToolReadsItWithItsKind)
{
    Machine machine;
    struct Case {
        const char* text;
        const char* name;
        DrawerKind kind;
    } const cases[] = {
        {"VOLX-8613:1", "VOLX-8613:1", DrawerKind::Board},
        {"thin-client:2@0x200", "thin-client:2@0x200", DrawerKind::Board},
        {"USB:5", "usb:5", DrawerKind::UsbHid},
        {"COM3", "com3", DrawerKind::Serial},
        {"com7", "com7", DrawerKind::UsbSerialAdapter},
        {"Printer:COM6/Low", "printer:com6/low", DrawerKind::Printer},
    };
    for (const Case& c : cases) {
        std::string why;
        const auto port = machine.ports.port_for(c.text, why);
        ASSERT_TRUE(port) << c.text << ": " << why;
        EXPECT_EQ(port->identity().name, c.name);
        EXPECT_EQ(port->identity().kind, c.kind) << c.text;
        EXPECT_EQ(port->pushes_changes(), c.kind == DrawerKind::Serial || c.kind == DrawerKind::UsbSerialAdapter);
    }
    for (const char* refused : {"nonsense", "usb:9", "VOLX-8613:3", ""}) {
        std::string why;
        EXPECT_FALSE(machine.ports.port_for(refused, why)) << refused;
        EXPECT_EQ(why, drawers::parse_drawer(refused).message) << refused;
    }
}

TEST(LibraryDrawerPorts, BoardAndUsbDrawersAreAskedThroughTheirLibraryCalls)
{
    Machine machine;
    std::string why;
    const auto board = machine.ports.port_for("VOLX-8613:2", why);
    const auto usb = machine.ports.port_for("usb:2", why);
    machine.fake.drawer_result = TILLIO_BOARD_OPEN;
    machine.fake.usb_status_result = TILLIO_USB_CLOSED;
    machine.calls.clear();
    EXPECT_EQ(board->read(), Reading::Open);
    EXPECT_EQ(usb->read(), Reading::Closed);
    machine.fake.drawer_result = TILLIO_DONE;
    EXPECT_EQ(board->open_drawer(), OpenOutcome::Done);
    EXPECT_EQ(usb->open_drawer(), OpenOutcome::Done);
    EXPECT_EQ(machine.calls, (drawers::testing::CallLog{"Bastra8613GetCashDrawerStatus(\\\\.\\KAV_cash,15)",
                                                         "UsbCashDrawerStaus(2)", "DeviceControl(\\\\.\\KAV_cash,14)",
                                                         "UsbCashDrawer(2)"}));

    machine.fake.drawer_result = TILLIO_DEVICE_NOT_OPENED;
    EXPECT_EQ(board->read(), Reading::NotReachable);
    EXPECT_EQ(board->open_drawer(), OpenOutcome::NotReachable);
    machine.fake.drawer_result = 7;
    EXPECT_EQ(board->read(), Reading::RequestFailed);
    EXPECT_EQ(board->open_drawer(), OpenOutcome::RequestFailed);
}

TEST(LibraryDrawerPorts, PrinterDrawersAreAskedThroughThePrinterWithTheirNamesOptions)
{
    Machine machine;
    machine.printer.devices[6] = {0x16, false}; // pin 3 high
    std::string why;
    const auto high = machine.ports.port_for("printer:com6", why);
    const auto low = machine.ports.port_for("printer:com6/pin5/low@19200", why);
    const auto silent = machine.ports.port_for("printer:com9", why);
    ASSERT_TRUE(high && low && silent) << why;
    EXPECT_EQ(high->read(), Reading::Open);
    EXPECT_EQ(low->read(), Reading::Closed);
    EXPECT_EQ(silent->read(), Reading::NotReachable);
    EXPECT_EQ(low->open_drawer(), OpenOutcome::Done);
    EXPECT_EQ(silent->open_drawer(), OpenOutcome::NotReachable);
    EXPECT_FALSE(high->start_driver_service());
    EXPECT_EQ(machine.printer.calls[0], "open COM6 9600");
    EXPECT_NE(std::find(machine.printer.calls.begin(), machine.printer.calls.end(), "write 1B 70 01 19 FA"),
              machine.printer.calls.end())
        << "the kick on pin 5";
    EXPECT_EQ(machine.printer.kicks, 1);
    EXPECT_EQ(machine.calls, drawers::testing::CallLog{}) << "no library call for a printer";
}

TEST(LibraryDrawerPorts, OnlyABoardDrawerStartsTheDriversServiceAndLeavesItRunning)
{
    Machine machine;
    std::string why;
    const auto board = machine.ports.port_for("VOLX-8613:1", why);
    const auto usb = machine.ports.port_for("usb:1", why);
    machine.calls.clear();
    EXPECT_TRUE(board->start_driver_service());
    machine.fake.load_service_result = 1056; // runs already: nothing new to reach
    EXPECT_FALSE(board->start_driver_service()) << "asked again at the next request";
    EXPECT_FALSE(usb->start_driver_service());
    const std::string load = "LoadService(KAV_cash,system32\\drivers\\KAV_cash.sys)";
    EXPECT_EQ(machine.calls, (drawers::testing::CallLog{"OSVersion", load, "OSVersion", load}));

    machine.fake.os_version = 98; // the driver loads at boot: no service
    machine.fake.load_service_result = 0;
    machine.calls.clear();
    EXPECT_FALSE(board->start_driver_service());
    EXPECT_EQ(machine.calls, drawers::testing::CallLog{"OSVersion"});
}

} // namespace
} // namespace kav::opos::testing
