// The catalogue as one table: every board's names, command numbers and
// status export as users and the driver know them.
#include "catalogue.h"

#include "ioctl_codes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace kav::drawers {
namespace {

struct BoardRow {
    const char* name;
    const char* caption;
    bool dio;
    int32_t open1, status1, open2, status2;
    const char* status_export;
    StatusReport report;
};

// The menu's command table, board by board; DIO numbers are offsets.
const BoardRow kExpected[] = {
    {"VOLX-9842", "VOLX-9842", false, 26, 27, 28, 29, "AdvantechGetCashDrawerStatus", StatusReport::Short},
    {"VOLX-9613", "VOLX-9613", false, 30, 31, 32, 33, "Bastra9613GetCashDrawerStatus", StatusReport::Full},
    {"VOLX-9623", "VOLX-9623", false, 10, 11, 24, 25, "PortwellGetCashDrawerStatus", StatusReport::Short},
    {"VOLX-8613", "VOLX-8613", false, 12, 13, 14, 15, "Bastra8613GetCashDrawerStatus", StatusReport::Full},
    {"VOLX-8623", "VOLX-8623", true, 20, 21, 22, 23, "IEIGetCashDrawerStatus", StatusReport::Full},
    {"thin-client", "Pellor (x86)", true, 16, 17, 18, 19, "ThinClientGetCashDrawerStatus", StatusReport::Full},
};

TEST(Catalogue, EveryBoardAsUsersAndTheDriverKnowIt)
{
    ASSERT_EQ(boards().size(), std::size(kExpected));
    const Library library;
    std::set<int32_t> numbers;
    for (size_t i = 0; i < std::size(kExpected); ++i) {
        const BoardRow& row = kExpected[i];
        const Board& board = boards()[i];
        EXPECT_EQ(board.name, row.name);
        EXPECT_EQ(board.caption, row.caption) << row.name;
        EXPECT_EQ(board.dio, row.dio) << row.name;
        EXPECT_EQ(board.open[0], row.open1) << row.name;
        EXPECT_EQ(board.status[0], row.status1) << row.name;
        EXPECT_EQ(board.open[1], row.open2) << row.name;
        EXPECT_EQ(board.status[1], row.status2) << row.name;
        EXPECT_STREQ((library.*board.status_export).name(), row.status_export) << row.name;
        EXPECT_EQ(board.status_report, row.report) << row.name;
        EXPECT_EQ(board_by_caption(row.caption), &board);

        // Each number is one of the driver's drawer commands, used once, and a
        // DIO board's numbers are exactly the driver's DIO commands.
        for (const int32_t number : {row.open1, row.status1, row.open2, row.status2}) {
            EXPECT_GE(number, kFirstCommand) << row.name;
            EXPECT_LE(number, kLastCommand) << row.name;
            EXPECT_EQ(is_dio_command(number), row.dio) << row.name << " " << number;
            EXPECT_TRUE(numbers.insert(number).second) << number << " is used twice";
        }
    }
    EXPECT_EQ(board_by_caption("volx-8613"), nullptr) << "captions are compared exactly";
    EXPECT_EQ(board_by_caption("USB Cash Drawer"), nullptr);
}

TEST(Catalogue, DioNumbersAreSentAsTheBasePlusTheCommand)
{
    EXPECT_EQ(command_number(16, 0x280), 656);
    EXPECT_EQ(command_number(23, 0x280), 663);
    EXPECT_EQ(command_number(16, 0x200), 528);
    EXPECT_EQ(command_number(12, 0x200), 12) << "fixed numbers stay put";
    EXPECT_EQ(command_number(27, 0x260), 27);
    EXPECT_EQ(kDefaultDioBaseAddress, 0x280);
}

TEST(Catalogue, TheLoopTestsListIsTheBoardsThenTheKindsOnNoBoard)
{
    const std::array<std::string_view, 9> expected{
        "VOLX-9842", "VOLX-9613", "VOLX-9623", "VOLX-8613", "VOLX-8623",
        "Pellor (x86)", "USB Cash Drawer", "RS232 Cash Drawer", "USB to RS232 Cash Drawer",
    };
    EXPECT_EQ(kBoardTypes, expected);
    EXPECT_EQ(numbered_kind(DrawerKind::Usb)->last, 5) << "the library numbers five USB drawers";
    EXPECT_EQ(numbered_kind(DrawerKind::Com)->last, 255);
    EXPECT_EQ(numbered_kind(DrawerKind::Board), nullptr);
    EXPECT_EQ(numbered_kind(DrawerKind::Printer)->prefix, "printer:com");
    EXPECT_EQ(numbered_kind(DrawerKind::Printer)->last, 255);
    EXPECT_EQ(std::find(kBoardTypes.begin(), kBoardTypes.end(), numbered_kind(DrawerKind::Printer)->caption),
              kBoardTypes.end())
        << "the loop test offers no printer drawer";
}

} // namespace
} // namespace kav::drawers
