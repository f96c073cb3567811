// The simulated receipt printer: its answer to DLE EOT 1 for either open
// level, ESC p on the drawer's pin and on the other, and everything else
// ignored without losing the commands around it.
#include "receipt_printer_model.h"

#include <gtest/gtest.h>

#include <vector>

namespace kav::sim {
namespace {

constexpr uint64_t kCloseUs = 400000;

struct Printer {
    explicit Printer(PrinterSetup setup = {}) : model(setup, kCloseUs) {}
    PrinterHeard send(std::vector<uint8_t> bytes, bool line_matches = true)
    {
        return model.receive(bytes.data(), static_cast<uint32_t>(bytes.size()), line_matches, now);
    }
    std::vector<uint8_t> answers()
    {
        uint8_t out[ReceiptPrinterModel::kAnswerQueue + 1];
        return {out, out + model.read(out, sizeof out)};
    }
    ReceiptPrinterModel model;
    uint64_t now = 1000;
};

TEST(ReceiptPrinterModel, AnswersTheSwitchLevelForEitherOpenLevel)
{
    for (const bool open_low : {false, true}) {
        Printer printer({2, open_low, 9600});
        const uint8_t closed = open_low ? 0x16 : 0x12; // closed: pin 3 at the other level
        const uint8_t open = open_low ? 0x12 : 0x16;
        EXPECT_EQ(printer.send({0x10, 0x04, 0x01}).status_requests, 1u);
        EXPECT_EQ(printer.answers(), std::vector<uint8_t>{closed}) << open_low;

        EXPECT_EQ(printer.send({0x1B, 0x70, 0x00, 25, 250}).kicks, 1u);
        EXPECT_TRUE(printer.model.drawer().open());
        printer.send({0x10, 0x04, 0x01});
        EXPECT_EQ(printer.answers(), std::vector<uint8_t>{open}) << open_low;

        printer.now += kCloseUs; // closes by itself, and the answer says so
        printer.send({0x10, 0x04, 0x01});
        EXPECT_EQ(printer.answers(), std::vector<uint8_t>{closed}) << open_low;
        EXPECT_EQ(printer.model.drawer().openings(), 1u);
    }
}

TEST(ReceiptPrinterModel, KickSpringsTheDrawerOnlyOnItsPin)
{
    struct Case {
        uint8_t drawer_pin;
        uint8_t m;
        bool springs;
        bool other_pin;
    };
    const Case cases[] = {
        {2, 0, true, false},  {2, '0', true, false}, {2, 1, false, true},  {2, '1', false, true},
        {5, 1, true, false},  {5, '1', true, false}, {5, 0, false, true},  {5, 2, false, false},
        {2, 0x30 + 2, false, false}, {2, 0xFF, false, false},
    };
    for (const Case& c : cases) {
        Printer printer({c.drawer_pin, false, 9600});
        const PrinterHeard heard = printer.send({0x1B, 0x70, c.m, 25, 250});
        EXPECT_EQ(printer.model.drawer().open(), c.springs) << int{c.drawer_pin} << " m " << int{c.m};
        EXPECT_EQ(heard.other_pin_kicks, c.other_pin ? 1u : 0u) << int{c.m};
        EXPECT_EQ(heard.ignored, c.springs || c.other_pin ? 0u : 5u) << "an m no printer knows: all five ignored";
        EXPECT_EQ(printer.answers(), std::vector<uint8_t>{}) << "a kick has no answer";
    }
}

TEST(ReceiptPrinterModel, IgnoresWhatItDoesNotKnowAndKeepsCommandsSplitAcrossWrites)
{
    Printer printer;
    // Text, an ESC that starts no kick, a DLE EOT with another n, then the
    // two commands, the kick split over three writes and with 0x10 and 0x1B
    // among its parameters.
    PrinterHeard heard = printer.send({'H', 'i', 0x1B, 0x40, 0x10, 0x04, 0x02, 0x1B, 0x1B});
    EXPECT_EQ(heard.ignored, 2u + 2u + 3u + 1u) << "text, ESC @, DLE EOT 2, the first ESC of two";
    EXPECT_EQ(heard.status_requests, 0u);
    printer.send({0x70, 0x00});
    printer.send({0x1B});
    heard = printer.send({0x10, 0x10, 0x04, 0x01});
    EXPECT_EQ(heard.ignored, 0u);
    EXPECT_EQ(heard.kicks, 1u) << "ESC p 0, t1 0x1B, t2 0x10";
    EXPECT_EQ(heard.status_requests, 1u);
    EXPECT_TRUE(printer.model.drawer().open());
    EXPECT_EQ(printer.answers(), std::vector<uint8_t>{0x16});

    // A DLE that is not followed by EOT is ignored, and the next byte read afresh.
    printer.now += kCloseUs;
    heard = printer.send({0x10, 0x1B, 0x70, 0x00, 25, 250});
    EXPECT_EQ(heard.ignored, 1u);
    EXPECT_EQ(heard.kicks, 1u);
    EXPECT_TRUE(printer.model.drawer().open());
}

TEST(ReceiptPrinterModel, GarbledLineIsIgnoredAndAnswersQueueUpToTheirLimit)
{
    Printer printer;
    const PrinterHeard garbled = printer.send({0x10, 0x04, 0x01, 0x1B, 0x70, 0x00, 25, 250}, false);
    EXPECT_TRUE(garbled.garbled);
    EXPECT_EQ(garbled.ignored, 8u);
    EXPECT_EQ(printer.model.queued(), 0u);
    EXPECT_FALSE(printer.model.drawer().open());
    // Half a command before the noise is lost with it.
    printer.send({0x10, 0x04});
    printer.send({0x00}, false);
    EXPECT_EQ(printer.send({0x01}).ignored, 1u);

    for (uint32_t i = 0; i < ReceiptPrinterModel::kAnswerQueue + 3; ++i) printer.send({0x10, 0x04, 0x01});
    EXPECT_EQ(printer.model.queued(), ReceiptPrinterModel::kAnswerQueue) << "overrun: later answers are lost";
    uint8_t two[2];
    EXPECT_EQ(printer.model.read(two, 2), 2u);
    EXPECT_EQ(printer.model.queued(), ReceiptPrinterModel::kAnswerQueue - 2);
    printer.model.discard_answers();
    EXPECT_EQ(printer.answers(), std::vector<uint8_t>{});
}

} // namespace
} // namespace kav::sim
