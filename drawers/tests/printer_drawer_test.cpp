// A receipt printer's drawer: the kick's bytes, the status byte read for
// either open level, and the requests on the port, over a recording port.
#include "printer_drawer.h"

#include "fake_printer_port.h"

#include <gtest/gtest.h>

namespace kav::drawers {
namespace {

using testing::FakePrinterPort;

TEST(PrinterDrawer, KickIsEscPWithThePinsMAndFiftyMillisecondsOn)
{
    EXPECT_EQ(kick_command(2), (std::array<uint8_t, 5>{0x1B, 0x70, 0x00, 25, 250}));
    EXPECT_EQ(kick_command(5), (std::array<uint8_t, 5>{0x1B, 0x70, 0x01, 25, 250}));
    EXPECT_EQ(std::vector<uint8_t>(std::begin(kStatusRequest), std::end(kStatusRequest)),
              (std::vector<uint8_t>{0x10, 0x04, 0x01}));
}

TEST(PrinterDrawer, StatusByteReadsTheSwitchForEitherOpenLevel)
{
    struct Case {
        uint8_t answer;
        bool well_formed;
        bool open_when_high; // the default: open while pin 3 is high
        bool open_when_low;  // "/low"
        bool off_line;
    };
    const Case cases[] = {
        {0x12, true, false, true, false},  // pin 3 low
        {0x16, true, true, false, false},  // pin 3 high
        {0x1A, true, false, true, true},   // low, off line
        {0x1E, true, true, false, true},   // high, off line
        {0x72, true, false, true, false},  // bits 5 and 6 are not fixed
        {0x00, false, false, false, false}, // bits 1 and 4 must be set
        {0x10, false, false, false, false}, // bit 1 missing
        {0x02, false, false, false, false}, // bit 4 missing
        {0x13, false, false, false, false}, // bit 0 set
        {0x96, false, false, false, false}, // bit 7 set
        {0xFF, false, false, false, false},
        {0x55, false, false, false, false}, // a serial drawer's pulse echoed
    };
    PrinterOptions high;
    PrinterOptions low;
    low.open_low = true;
    for (const Case& c : cases) {
        const std::optional<PrinterStatus> status = decode_printer_status(c.answer);
        ASSERT_EQ(status.has_value(), c.well_formed) << int{c.answer};
        if (!status) continue;
        EXPECT_EQ(drawer_open(*status, high), c.open_when_high) << int{c.answer};
        EXPECT_EQ(drawer_open(*status, low), c.open_when_low) << int{c.answer};
        EXPECT_EQ(status->off_line, c.off_line) << int{c.answer};
    }
}

TEST(PrinterDrawer, KickGoesOutOnlyAfterAPrinterAnswered)
{
    FakePrinterPort port;
    port.devices[6] = {0x12, false};
    port.devices[3] = {std::nullopt, false}; // a serial drawer: silence
    port.devices[4] = {0x55, false};         // something that is no printer
    PrinterOptions pin5;
    pin5.pin = 5;
    pin5.baud = 19200;

    const PrinterReply kicked = kick_printer_drawer(port, 6, pin5);
    EXPECT_EQ(kicked.result, PrinterResult::Answered);
    EXPECT_EQ(port.calls, (std::vector<std::string>{"open COM6 19200", "discard", "write 10 04 01", "read 500",
                                                    "write 1B 70 01 19 FA", "close"}));
    EXPECT_EQ(printer_call_text(6, kicked, true, pin5), "COM6 ESC p 1 25 250");

    struct Case {
        int port;
        PrinterResult result;
        const char* call;
    };
    const Case refused[] = {
        {3, PrinterResult::Silent, "COM3 DLE EOT 1: no answer"},
        {4, PrinterResult::Malformed, "COM4 DLE EOT 1 = 0x55, no printer's status"},
        {9, PrinterResult::NoPort, "COM9 did not open"},
    };
    for (const Case& c : refused) {
        port.calls.clear();
        const PrinterReply reply = kick_printer_drawer(port, c.port, {});
        EXPECT_EQ(reply.result, c.result) << c.port;
        EXPECT_EQ(printer_call_text(c.port, reply, true, {}), c.call);
        const bool opened = c.result != PrinterResult::NoPort;
        EXPECT_EQ(port.calls.back(), opened ? "close" : "open COM9 9600") << "closed once, when it opened";
        EXPECT_EQ(std::count(port.calls.begin(), port.calls.end(), "close"), opened ? 1 : 0);
    }
    EXPECT_EQ(port.kicks, 1) << "no kick into silence or to something that is no printer";

    port.devices[6].kick_fails = true;
    port.calls.clear();
    const PrinterReply lost = kick_printer_drawer(port, 6, {});
    EXPECT_EQ(lost.result, PrinterResult::KickLost);
    EXPECT_EQ(port.calls.back(), "close");
    EXPECT_EQ(printer_call_text(6, lost, true, {}), "COM6 ESC p 0 25 250 not written");
}

TEST(PrinterDrawer, StatusAsksOnceAndDropsWhatCameBefore)
{
    FakePrinterPort port;
    port.devices[6] = {0x1E, false};
    const PrinterReply reply = read_printer_drawer(port, 6, {});
    ASSERT_EQ(reply.result, PrinterResult::Answered);
    EXPECT_TRUE(reply.status.switch_high);
    EXPECT_EQ(port.calls,
              (std::vector<std::string>{"open COM6 9600", "discard", "write 10 04 01", "read 500", "close"}));
    EXPECT_EQ(printer_call_text(6, reply, false, {}), "COM6 DLE EOT 1 = 0x1E, off line");
    EXPECT_EQ(port.kicks, 0) << "a status read never kicks";
}

} // namespace
} // namespace kav::drawers
