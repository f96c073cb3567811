// Each kind of drawer through the library: which export is called with which
// number, and what its result means.
#include "drawer_access.h"

#include "drawer_list.h"
#include "fake_printer_port.h"
#include "recording_library.h"

#include <gtest/gtest.h>

#include <map>

namespace kav::drawers {
namespace {

// The recording library, with the USB, serial and adapter entries answering
// per drawer or port.
struct FakeLibrary {
    testing::CallLog calls;
    testing::FakeLibrary utility;
    std::map<int32_t, int32_t> usb_open, usb_state, rs232_open, check; // by drawer or port; default below
    int32_t adapter_count = 0;
    std::string adapter_list;

    Library bind()
    {
        Library library = utility.bind(calls);
        const auto by_number = [this](const char* name, std::map<int32_t, int32_t>& table, int32_t otherwise) {
            return [this, name, &table, otherwise](int32_t n) {
                calls.push_back(std::string(name) + "(" + std::to_string(n) + ")");
                const auto found = table.find(n);
                return found == table.end() ? otherwise : found->second;
            };
        };
        library.UsbCashDrawer = by_number("UsbCashDrawer", usb_open, 0);
        library.UsbCashDrawerStaus = by_number("UsbCashDrawerStaus", usb_state, 0);
        library.RS232OpenCashDrawer = by_number("RS232OpenCashDrawer", rs232_open, -1);
        library.CheckRS232Controller = by_number("CheckRS232Controller", check, -1);
        library.EnumUsbToComNum = [this](char* list) {
            if (adapter_count > 0) std::snprintf(list, 51, "%s", adapter_list.c_str());
            return adapter_count;
        };
        library.GetUsbToComToken = [](char* list, char* token) {
            std::string text(list);
            const size_t blank = text.find(' ');
            std::snprintf(token, 11, "%s", text.substr(0, blank).c_str());
            std::snprintf(list, 51, "%s", blank == std::string::npos ? "" : text.substr(blank + 1).c_str());
            return 0;
        };
        library.StringTrim = [](char* text, const char* characters) {
            std::string value(text);
            const size_t first = value.find_first_not_of(characters);
            value = first == std::string::npos ? "" : value.substr(first);
            std::snprintf(text, value.size() + 1, "%s", value.c_str());
            return 1;
        };
        return library;
    }
};

DrawerAddress named(const char* name) { return *parse_drawer(name).drawer; }

TEST(DrawerAccess, BoardDrawersCallTheUtilitysCommandNumbers)
{
    struct Case {
        const char* drawer;
        bool open;
        const char* call;
    };
    const Case cases[] = {
        {"VOLX-8613:1", true, "DeviceControl(12)"},
        {"VOLX-8613:2", false, "Bastra8613GetCashDrawerStatus(15)"},
        {"VOLX-9842:2", false, "AdvantechGetCashDrawerStatus(29)"},
        {"VOLX-9623:2", true, "DeviceControl(24)"},
        {"VOLX-9613:1", false, "Bastra9613GetCashDrawerStatus(31)"},
        {"VOLX-8623:1", true, "DeviceControl(660)"},              // 0x280 + 20
        {"thin-client:2@0x200", false, "ThinClientGetCashDrawerStatus(531)"}, // 0x200 + 19
        {"thin-client:1@0x260", true, "DeviceControl(624)"},
    };
    for (const Case& c : cases) {
        FakeLibrary fake;
        const Library library = fake.bind();
        LibraryDrawers drawers(library, {});
        const Reply reply = c.open ? drawers.open(named(c.drawer)) : drawers.status(named(c.drawer));
        std::string call = c.call;
        call.insert(call.find('(') + 1, "\\\\.\\KAV_cash,"); // the device path comes first
        EXPECT_EQ(fake.calls, std::vector<std::string>{call}) << c.drawer;
        EXPECT_EQ(reply.call.substr(0, reply.call.find(')') + 1), c.call) << "the log names the export and number";
        EXPECT_EQ(reply.outcome, c.open ? Outcome::Done : Outcome::Closed) << c.drawer;
    }
}

TEST(DrawerAccess, ResultsMapToOutcomesAndTheUtilitysMessages)
{
    struct Case {
        int32_t result;
        bool open;
        Outcome outcome;
        const char* failure;
    };
    const Case cases[] = {
        {1, false, Outcome::Open, ""},
        {0, false, Outcome::Closed, ""},
        {-1, false, Outcome::NotReachable, "Create File Failed"},
        {-2, false, Outcome::RequestFailed, "Device Control Failed"},
        {-3, true, Outcome::RequestFailed, "Device Control ID not Defined"},
        {2, false, Outcome::RequestFailed, "Device Control Failed"}, // a status byte that is no state
        {7, true, Outcome::RequestFailed, "Device Control Failed"},
    };
    for (const Case& c : cases) {
        FakeLibrary fake;
        fake.utility.drawer_result = c.result;
        const Library library = fake.bind();
        LibraryDrawers drawers(library, {});
        const Reply reply = c.open ? drawers.open(named("VOLX-8613:1")) : drawers.status(named("VOLX-8613:1"));
        EXPECT_EQ(reply.outcome, c.outcome) << c.result;
        EXPECT_EQ(reply.failure, c.failure) << c.result;
        EXPECT_EQ(reply.call, std::string(c.open ? "DeviceControl(12) = " : "Bastra8613GetCashDrawerStatus(13) = ") +
                                  std::to_string(c.result));
    }
}

TEST(DrawerAccess, UsbAndComDrawers)
{
    FakeLibrary fake;
    fake.usb_state = {{1, 48}, {2, 49}, {3, 50}};
    fake.usb_open = {{1, 0x10000}, {2, 0x10001}}; // only the low 16 bits count
    fake.rs232_open = {{3, 0}, {5, -4}};
    const Library library = fake.bind();
    std::map<int, bool> carrier = {{3, true}, {5, false}};
    LibraryDrawers drawers(library, [&](int port) -> std::optional<bool> {
        const auto found = carrier.find(port);
        if (found == carrier.end()) return std::nullopt;
        return found->second;
    });
    EXPECT_EQ(drawers.status(named("usb:1")).outcome, Outcome::Open);
    EXPECT_EQ(drawers.status(named("usb:2")).outcome, Outcome::Closed);
    EXPECT_EQ(drawers.status(named("usb:3")).outcome, Outcome::RequestFailed);
    EXPECT_EQ(drawers.status(named("usb:4")).outcome, Outcome::NotReachable);

    // A refused open is told apart by whether the drawer reports a state.
    const Reply refused = drawers.open(named("usb:1"));
    EXPECT_EQ(refused.outcome, Outcome::RequestFailed);
    EXPECT_EQ(refused.failure, "Open USB Cash Drawer Failed");
    EXPECT_EQ(refused.call, "UsbCashDrawer(1) = 0");
    EXPECT_EQ(drawers.open(named("usb:2")).outcome, Outcome::Done);
    EXPECT_EQ(drawers.open(named("usb:4")).outcome, Outcome::NotReachable);

    EXPECT_EQ(drawers.open(named("com3")).outcome, Outcome::Done);
    EXPECT_EQ(drawers.open(named("com5")).outcome, Outcome::RequestFailed);
    const Reply absent = drawers.open(named("com7"));
    EXPECT_EQ(absent.outcome, Outcome::NotReachable);
    EXPECT_EQ(absent.failure, "Open COM7 Failed");
    EXPECT_EQ(drawers.status(named("com3")).outcome, Outcome::Closed) << "carrier high: closed";
    EXPECT_EQ(drawers.status(named("com5")).outcome, Outcome::Open);
    EXPECT_EQ(drawers.status(named("com7")).outcome, Outcome::NotReachable);
}

TEST(DrawerAccess, PrinterDrawersByTheirNamesOptions)
{
    FakeLibrary fake;
    const Library library = fake.bind();
    testing::FakePrinterPort port;
    port.devices[6] = {0x16, false};        // pin 3 high
    port.devices[3] = {std::nullopt, false}; // a serial drawer, no printer
    port.devices[4] = {0x16, true};         // the kick does not get out
    LibraryDrawers drawers(library, {}, &port);

    struct Case {
        const char* drawer;
        bool open;
        Outcome outcome;
        const char* call;
        const char* failure;
    };
    const Case cases[] = {
        {"printer:com6", false, Outcome::Open, "COM6 DLE EOT 1 = 0x16", ""},
        {"printer:com6/low", false, Outcome::Closed, "COM6 DLE EOT 1 = 0x16", ""},
        {"printer:com6/pin5", true, Outcome::Done, "COM6 ESC p 1 25 250", ""},
        {"printer:com3", false, Outcome::NotReachable, "COM3 DLE EOT 1: no answer", "No printer answers on COM3"},
        {"printer:com3", true, Outcome::NotReachable, "COM3 DLE EOT 1: no answer", "No printer answers on COM3"},
        {"printer:com9", true, Outcome::NotReachable, "COM9 did not open", "Open COM9 Failed"},
        {"printer:com4", true, Outcome::RequestFailed, "COM4 ESC p 0 25 250 not written",
         "Drawer kick to the printer on COM4 failed"},
    };
    for (const Case& c : cases) {
        const Reply reply = c.open ? drawers.open(named(c.drawer)) : drawers.status(named(c.drawer));
        EXPECT_EQ(reply.outcome, c.outcome) << c.drawer;
        EXPECT_EQ(reply.call, c.call) << c.drawer;
        EXPECT_EQ(reply.failure, c.failure) << c.drawer;
    }
    EXPECT_EQ(fake.calls, std::vector<std::string>{}) << "no library call for a printer";

    LibraryDrawers without_port(library, {});
    EXPECT_EQ(without_port.status(named("printer:com6")).outcome, Outcome::NotReachable);
}

TEST(DrawerAccess, ListShowsWhatAnswersAndEachPortOnce)
{
    FakeLibrary fake;
    fake.usb_state = {{2, 49}};
    fake.check = {{3, 0}, {5, 0}, {16, 0}, {17, 0}};
    fake.adapter_count = 1;
    fake.adapter_list = "COM5 ";
    const Library library = fake.bind();
    LibraryDrawers drawers(library, {});
    std::vector<std::string> names;
    for (const ListedDrawer& drawer : list_drawers(drawers, library)) names.push_back(drawer.name + " " + drawer.kind);
    ASSERT_EQ(names.size(), 12u + 4u);
    EXPECT_EQ(names[0], "VOLX-9842:1 board");
    EXPECT_EQ(names[11], "thin-client:2@0x280 board");
    EXPECT_EQ(std::vector<std::string>(names.begin() + 12, names.end()),
              (std::vector<std::string>{"usb:2 usb", "com5 usb-to-rs232", "com3 com", "com16 com"}));

    fake.utility.drawer_result = -1; // no driver: no board drawers
    fake.adapter_count = -10; // no adapter: COM5 is a port like any other
    const Library without_driver = fake.bind();
    LibraryDrawers no_board(without_driver, {});
    names.clear();
    for (const ListedDrawer& drawer : list_drawers(no_board, without_driver)) names.push_back(drawer.name + " " + drawer.kind);
    EXPECT_EQ(names, (std::vector<std::string>{"usb:2 usb", "com3 com", "com5 com", "com16 com"}));
}

TEST(DrawerAccess, ListShowsAPortWhoseDeviceAnswersAsAPrinterAsItsDrawer)
{
    FakeLibrary fake;
    fake.utility.drawer_result = -1;
    fake.check = {{3, 0}, {5, 0}, {6, 0}, {7, 0}, {16, 0}, {17, 0}};
    fake.adapter_count = 1;
    fake.adapter_list = "COM7 ";
    const Library library = fake.bind();
    testing::FakePrinterPort port;
    port.devices[3] = {std::nullopt, false}; // a serial drawer: silent
    port.devices[5] = {0x55, false};         // answers, but no printer's byte
    port.devices[6] = {0x12, false};
    port.devices[7] = {0x1E, false}; // a printer on the adapter's port
    port.devices[16] = {std::nullopt, false};
    port.devices[17] = {0x12, false}; // beyond the ports list looks at
    LibraryDrawers drawers(library, {}, &port);
    std::vector<std::string> lines;
    for (const ListedDrawer& drawer : list_drawers(drawers, library))
        lines.push_back(drawer.name + "\t" + drawer.kind + "\t" + drawer.detail);
    EXPECT_EQ(lines, (std::vector<std::string>{"printer:com7\tprinter\tCOM7, pin 3 high", "com3\tcom\tCOM3",
                                               "com5\tcom\tCOM5", "printer:com6\tprinter\tCOM6, pin 3 low",
                                               "com16\tcom\tCOM16"}));
    int asked = 0;
    for (const std::string& call : port.calls) asked += call == "write 10 04 01";
    EXPECT_EQ(asked, 5) << "each port that opens is asked once; a port that does not open never";
}

} // namespace
} // namespace kav::drawers
