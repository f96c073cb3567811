// The 24 board drawer commands and the toolbar's board buttons, driven through
// FormCash as the view drives them.
#include "fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kav::gui {
namespace {

using testing::CallLog;
using testing::CashFixture;

enum class Kind { Open, Full, Short };

struct BoardRow {
    Command command;
    const char* function;
    int32_t number_at_0x280;
    Kind kind;
    int drawer;
};

const BoardRow kBoardRows[] = {
    {Command::AdvantechOpenCashDrawer, "DeviceControl", 26, Kind::Open, 1},
    {Command::AdvantechGetStatus, "AdvantechGetCashDrawerStatus", 27, Kind::Short, 1},
    {Command::AdvantechOpenCashDrawer2, "DeviceControl", 28, Kind::Open, 2},
    {Command::AdvantechGetStatus2, "AdvantechGetCashDrawerStatus", 29, Kind::Short, 2},
    {Command::Open9613CashDrawer1, "DeviceControl", 30, Kind::Open, 1},
    {Command::Get9613Status1, "Bastra9613GetCashDrawerStatus", 31, Kind::Full, 1},
    {Command::Open9613CashDrawer2, "DeviceControl", 32, Kind::Open, 2},
    {Command::Get9613Status2, "Bastra9613GetCashDrawerStatus", 33, Kind::Full, 2},
    {Command::Open, "DeviceControl", 10, Kind::Open, 1},
    {Command::Status, "PortwellGetCashDrawerStatus", 11, Kind::Short, 1},
    {Command::Open9623Cash, "DeviceControl", 24, Kind::Open, 2},
    {Command::Get9623Cashstatus, "PortwellGetCashDrawerStatus", 25, Kind::Short, 2},
    {Command::Open8613CashDrawer1, "DeviceControl", 12, Kind::Open, 1},
    {Command::Bastra8613Status1, "Bastra8613GetCashDrawerStatus", 13, Kind::Full, 1},
    {Command::Open8613CashDrawer2, "DeviceControl", 14, Kind::Open, 2},
    {Command::Bastra8613Status2, "Bastra8613GetCashDrawerStatus", 15, Kind::Full, 2},
    {Command::IEIOpen1, "DeviceControl", 660, Kind::Open, 1},
    {Command::IEIStatus1, "IEIGetCashDrawerStatus", 661, Kind::Full, 1},
    {Command::IEIOpen2, "DeviceControl", 662, Kind::Open, 2},
    {Command::IEIStatus2, "IEIGetCashDrawerStatus", 663, Kind::Full, 2},
    {Command::ThinClientOpen1, "DeviceControl", 656, Kind::Open, 1},
    {Command::GetThinClientStatus1, "ThinClientGetCashDrawerStatus", 657, Kind::Full, 1},
    {Command::ThinClientOpen2, "DeviceControl", 658, Kind::Open, 2},
    {Command::GetThinClientStatus2, "ThinClientGetCashDrawerStatus", 659, Kind::Full, 2},
};

const std::string kCreateFileFailed = "message(Create File Failed|Error)";
const std::string kDeviceControlFailed = "message(Device Control Failed|Error)";

std::string drawer_state(int drawer, const char* state)
{
    return "message(Cash Drawer " + std::to_string(drawer) + " is " + state + "|Status)";
}

// The message each kind shows for a library result; "" for none.
std::string expected_message(Kind kind, int drawer, int32_t result)
{
    switch (result) {
    case 1: return kind == Kind::Open ? "" : drawer_state(drawer, "Open");
    case 0: return kind == Kind::Open ? "" : drawer_state(drawer, "Closed");
    case -1: return kind == Kind::Short ? "" : kCreateFileFailed;
    case -2: return kind == Kind::Short ? "" : kDeviceControlFailed;
    default: return ""; // -3, and status bytes other than 0 and 1
    }
}

std::string call(const char* function, int32_t number)
{
    return std::string(function) + "(\\\\.\\KAV_cash," + std::to_string(number) + ")";
}

TEST(BoardCommands, EachMakesOneCallAndReportsWhatItsKindReports)
{
    for (const BoardRow& row : kBoardRows) {
        for (const int32_t result : {1, 0, -1, -2, -3, 2}) {
            CashFixture f;
            f.library.drawer_result = result;
            f.form.on_command(row.command);

            CallLog expected{call(row.function, row.number_at_0x280)};
            if (const std::string message = expected_message(row.kind, row.drawer, result); !message.empty())
                expected.push_back(message);
            EXPECT_EQ(f.log, expected) << find_menu_item(row.command)->name << " answered " << result;
        }
    }
}

TEST(BoardCommands, AddressBasedNumbersFollowDioBaseAddressAtTheMomentOfTheCommand)
{
    struct Case {
        int32_t dio_base_address;
        Command command;
        const char* function;
        int32_t number;
    };
    const Case cases[] = {
        {0x280, Command::ThinClientOpen1, "DeviceControl", 656},
        {0x280, Command::IEIStatus2, "IEIGetCashDrawerStatus", 663},
        {0x200, Command::ThinClientOpen1, "DeviceControl", 528},
        {0x200, Command::IEIStatus2, "IEIGetCashDrawerStatus", 535},
        {0x240, Command::GetThinClientStatus2, "ThinClientGetCashDrawerStatus", 0x240 + 19},
        {0x260, Command::IEIOpen1, "DeviceControl", 0x260 + 20},
        {0x200, Command::Open, "DeviceControl", 10}, // fixed numbers stay put
        {0x200, Command::AdvantechGetStatus2, "AdvantechGetCashDrawerStatus", 29},
    };
    CashFixture f; // one window: the address is read afresh by every command
    f.library.drawer_result = 5;
    for (const Case& c : cases) {
        f.log.clear();
        f.module.DioBaseAddress = c.dio_base_address;
        f.form.on_command(c.command);
        EXPECT_EQ(f.log, CallLog{call(c.function, c.number)}) << find_menu_item(c.command)->name;
    }
}

TEST(Toolbar, BoardButtonsDoWhatTheirMenuItemsDo)
{
    struct Button {
        int16_t index;
        Command same_as;
        int32_t number_at_0x220;
    };
    const Button buttons[] = {
        {1, Command::Open, 10},
        {2, Command::Open9623Cash, 24},
        {3, Command::AdvantechOpenCashDrawer, 26},
        {4, Command::AdvantechOpenCashDrawer2, 28},
        {5, Command::ThinClientOpen1, 0x220 + 16},
        {6, Command::ThinClientOpen2, 0x220 + 18},
    };
    for (const Button& button : buttons) {
        for (const int32_t result : {0, -1, -2, -3}) {
            CashFixture f;
            f.library.drawer_result = result;
            f.module.DioBaseAddress = 0x220;
            f.form.on_toolbar_click(button.index);
            const CallLog clicked = f.log;

            f.log.clear();
            f.form.on_command(button.same_as);
            EXPECT_EQ(clicked, f.log) << "button " << button.index << " answered " << result;
            ASSERT_FALSE(clicked.empty());
            EXPECT_EQ(clicked.front(), call("DeviceControl", button.number_at_0x220)) << "button " << button.index;
        }
    }
}

TEST(Toolbar, UsbButtonsDoWhatTheirMenuItemsDo)
{
    const std::pair<int16_t, Command> buttons[] = {{7, Command::UsbOpenCashDrawer}, {8, Command::UsbOpenCashDrawer2}};
    for (const auto& [index, same_as] : buttons) {
        for (const int32_t result : {0, 1}) {
            CashFixture f;
            f.library.usb_open_result = result;
            f.form.on_toolbar_click(index);
            const CallLog clicked = f.log;
            f.log.clear();
            f.form.on_command(same_as);
            EXPECT_EQ(clicked, f.log) << "button " << index << " answered " << result;
            EXPECT_EQ(clicked.front(), "UsbCashDrawer(" + std::to_string(index - 6) + ")");
        }
    }
}

TEST(Toolbar, UnknownIndicesDoNothing)
{
    for (const int16_t index : std::initializer_list<int16_t>{0, 9, -1, 32767, -32768}) {
        CashFixture f;
        f.library.drawer_result = -1;
        f.form.on_toolbar_click(index);
        EXPECT_EQ(f.log, CallLog{}) << "button " << index;
    }
}

} // namespace
} // namespace kav::gui
