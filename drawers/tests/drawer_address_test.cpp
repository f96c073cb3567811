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
}

} // namespace
} // namespace kav::drawers
