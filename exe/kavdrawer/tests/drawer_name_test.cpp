#include "drawer_name.h"

#include <gtest/gtest.h>

namespace kav::cli {
namespace {

struct NameCase {
    const char* text;
    const char* printed; // the name it reads as; null when it is refused
    ExitCode error;
};

const NameCase kNames[] = {
    {"VOLX-8613:1", "VOLX-8613:1", ExitCode::Ok},
    {"volx-8613:2", "VOLX-8613:2", ExitCode::Ok},
    {"VOLX-9842:2", "VOLX-9842:2", ExitCode::Ok},
    {"thin-client:2@0x200", "thin-client:2@0x200", ExitCode::Ok},
    {"Thin-Client:1", "thin-client:1@0x280", ExitCode::Ok}, // the utility's default base
    {"Pellor (x86):1", "thin-client:1@0x280", ExitCode::Ok}, // the menu's caption
    {"VOLX-8623:1@512", "VOLX-8623:1@0x200", ExitCode::Ok},
    {"VOLX-8623:2@0x2a0", nullptr, ExitCode::NoSuchDrawer}, // not one of the five bases
    {"VOLX-8623:2@0x210", nullptr, ExitCode::NoSuchDrawer},
    {"VOLX-8613:1@0x200", nullptr, ExitCode::NoSuchDrawer}, // no DIO board
    {"VOLX-8623:1@", nullptr, ExitCode::Usage},
    {"VOLX-8623:1@0x", nullptr, ExitCode::Usage},
    {"VOLX-8623:1@0xzz", nullptr, ExitCode::Usage},
    {"VOLX-8613:3", nullptr, ExitCode::NoSuchDrawer},
    {"VOLX-8613:0", nullptr, ExitCode::NoSuchDrawer},
    {"VOLX-8613:", nullptr, ExitCode::Usage},
    {"VOLX-8613:-1", nullptr, ExitCode::Usage},
    {"VOLX-8613:1x", nullptr, ExitCode::Usage},
    {"VOLX-8613", nullptr, ExitCode::Usage},
    {"VOLX-1234:1", nullptr, ExitCode::NoSuchDrawer},
    {":1", nullptr, ExitCode::Usage},
    {"", nullptr, ExitCode::Usage},
    {"usb:1", "usb:1", ExitCode::Ok},
    {"USB:5", "usb:5", ExitCode::Ok},
    {"usb:6", nullptr, ExitCode::NoSuchDrawer},
    {"usb:0", nullptr, ExitCode::NoSuchDrawer},
    {"usb:99999999999", nullptr, ExitCode::Usage},
    {"usb:", nullptr, ExitCode::Usage},
    {"usb:+1", nullptr, ExitCode::Usage},
    {"com3", "com3", ExitCode::Ok},
    {"COM12", "com12", ExitCode::Ok},
    {"com255", "com255", ExitCode::Ok},
    {"com256", nullptr, ExitCode::NoSuchDrawer},
    {"com0", nullptr, ExitCode::NoSuchDrawer},
    {"com", nullptr, ExitCode::Usage},
    {"com 3", nullptr, ExitCode::Usage},
    {"com3:1", nullptr, ExitCode::NoSuchDrawer}, // a board named com3
};

TEST(DrawerName, ReadsWhatTheUserWritesAndPrintsOneSpelling)
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

TEST(DrawerName, EveryPrintedNameReadsBackAsTheSameDrawer)
{
    for (const Board& board : boards()) {
        for (int number = 1; number <= 2; ++number) {
            const Drawer drawer{DrawerKind::Board, &board, number, board.dio ? 0x240 : 0};
            const DrawerParse parse = parse_drawer(drawer_name(drawer));
            ASSERT_TRUE(parse.drawer.has_value()) << drawer_name(drawer) << ": " << parse.message;
            EXPECT_EQ(parse.drawer->board, &board);
            EXPECT_EQ(parse.drawer->number, number);
            EXPECT_EQ(parse.drawer->dio_base, drawer.dio_base);
        }
    }
}

} // namespace
} // namespace kav::cli
