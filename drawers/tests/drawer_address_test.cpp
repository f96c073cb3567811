#include "drawer_address.h"

#include <gtest/gtest.h>

namespace kav::drawers {
namespace {

struct NameCase {
    const char* text;
    const char* printed; // the name it reads as; null when it is refused
    NameError error;
};

const NameCase kNames[] = {
    {"VOLX-8613:1", "VOLX-8613:1", NameError::None},
    {"volx-8613:2", "VOLX-8613:2", NameError::None},
    {"VOLX-9842:2", "VOLX-9842:2", NameError::None},
    {"thin-client:2@0x200", "thin-client:2@0x200", NameError::None},
    {"Thin-Client:1", "thin-client:1@0x280", NameError::None}, // the utility's default base
    {"Pellor (x86):1", "thin-client:1@0x280", NameError::None}, // the menu's caption
    {"VOLX-8623:1@512", "VOLX-8623:1@0x200", NameError::None},
    {"VOLX-8623:2@0x2a0", nullptr, NameError::NoSuchDrawer}, // not one of the five bases
    {"VOLX-8623:2@0x210", nullptr, NameError::NoSuchDrawer},
    {"VOLX-8613:1@0x200", nullptr, NameError::NoSuchDrawer}, // no DIO board
    {"VOLX-8623:1@", nullptr, NameError::NotAName},
    {"VOLX-8623:1@0x", nullptr, NameError::NotAName},
    {"VOLX-8623:1@0xzz", nullptr, NameError::NotAName},
    {"VOLX-8613:3", nullptr, NameError::NoSuchDrawer},
    {"VOLX-8613:0", nullptr, NameError::NoSuchDrawer},
    {"VOLX-8613:", nullptr, NameError::NotAName},
    {"VOLX-8613:-1", nullptr, NameError::NotAName},
    {"VOLX-8613:1x", nullptr, NameError::NotAName},
    {"VOLX-8613", nullptr, NameError::NotAName},
    {"VOLX-1234:1", nullptr, NameError::NoSuchDrawer},
    {":1", nullptr, NameError::NotAName},
    {"", nullptr, NameError::NotAName},
    {"usb:1", "usb:1", NameError::None},
    {"USB:5", "usb:5", NameError::None},
    {"usb:6", nullptr, NameError::NoSuchDrawer},
    {"usb:0", nullptr, NameError::NoSuchDrawer},
    {"usb:99999999999", nullptr, NameError::NotAName},
    {"usb:", nullptr, NameError::NotAName},
    {"usb:+1", nullptr, NameError::NotAName},
    {"com3", "com3", NameError::None},
    {"COM12", "com12", NameError::None},
    {"com255", "com255", NameError::None},
    {"com256", nullptr, NameError::NoSuchDrawer},
    {"com0", nullptr, NameError::NoSuchDrawer},
    {"com", nullptr, NameError::NotAName},
    {"com 3", nullptr, NameError::NotAName},
    {"com3:1", nullptr, NameError::NoSuchDrawer}, // a board named com3
    {"printer:com6", "printer:com6", NameError::None},
    {"Printer:COM6/PIN5", "printer:com6/pin5", NameError::None},
    {"printer:com6/low", "printer:com6/low", NameError::None},
    {"printer:com6/low/pin5@19200", "printer:com6/pin5/low@19200", NameError::None},
    {"printer:com255@115200", "printer:com255@115200", NameError::None},
    {"printer:com6@9600", "printer:com6", NameError::None}, // the default speed
    {"printer:com0", nullptr, NameError::NoSuchDrawer},
    {"printer:com256/pin5", nullptr, NameError::NoSuchDrawer},
    {"printer:com6@19201", nullptr, NameError::NoSuchDrawer}, // no speed a printer offers
    {"printer:com6@0", nullptr, NameError::NoSuchDrawer},
    {"printer:com6@", nullptr, NameError::NotAName},
    {"printer:com6@fast", nullptr, NameError::NotAName},
    {"printer:com6@19200/low", nullptr, NameError::NotAName}, // the speed comes last
    {"printer:com6/pin2", nullptr, NameError::NotAName},
    {"printer:com6/pin5/pin5", nullptr, NameError::NotAName},
    {"printer:com6/low/low", nullptr, NameError::NotAName},
    {"printer:com6/", nullptr, NameError::NotAName},
    {"printer:com6//low", nullptr, NameError::NotAName},
    {"printer:com0/high", nullptr, NameError::NotAName}, // a bad option before a bad number
    {"printer:com", nullptr, NameError::NotAName},
    {"printer:6", nullptr, NameError::NotAName},
    {"printer:", nullptr, NameError::NotAName},
    {"printer:com6:1", nullptr, NameError::NotAName},
};

TEST(DrawerAddress, ReadsWhatTheUserWritesAndPrintsOneSpelling)
{
    for (const NameCase& c : kNames) {
        const DrawerParse parse = parse_drawer(c.text);
        if (c.printed != nullptr) {
            ASSERT_TRUE(parse.drawer.has_value()) << c.text << ": " << parse.message;
            EXPECT_EQ(drawer_name(*parse.drawer), c.printed) << c.text;
        } else {
            EXPECT_FALSE(parse.drawer.has_value()) << c.text;
            EXPECT_EQ(parse.error, c.error) << c.text;
            EXPECT_NE(parse.message.find(c.text), std::string::npos) << "the message names the input: " << parse.message;
        }
    }
}

TEST(DrawerAddress, EveryPrintedNameReadsBackAsTheSameDrawer)
{
    for (const Board& board : boards()) {
        for (int number = 1; number <= 2; ++number) {
            const DrawerAddress drawer{DrawerKind::Board, &board, number, board.dio ? 0x240 : 0};
            const DrawerParse parse = parse_drawer(drawer_name(drawer));
            ASSERT_TRUE(parse.drawer.has_value()) << drawer_name(drawer) << ": " << parse.message;
            EXPECT_EQ(parse.drawer->board, &board);
            EXPECT_EQ(parse.drawer->number, number);
            EXPECT_EQ(parse.drawer->dio_base, drawer.dio_base);
        }
    }
    for (const int pin : {2, 5}) {
        for (const bool open_low : {false, true}) {
            for (const uint32_t baud : kPrinterBaudRates) {
                DrawerAddress drawer{DrawerKind::Printer, nullptr, 12, 0};
                drawer.printer = {pin, open_low, baud};
                const DrawerParse parse = parse_drawer(drawer_name(drawer));
                ASSERT_TRUE(parse.drawer.has_value()) << drawer_name(drawer) << ": " << parse.message;
                EXPECT_EQ(parse.drawer->kind, DrawerKind::Printer);
                EXPECT_EQ(parse.drawer->number, 12);
                EXPECT_EQ(parse.drawer->printer, drawer.printer) << drawer_name(drawer);
            }
        }
    }
}

} // namespace
} // namespace kav::drawers
