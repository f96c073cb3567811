#include "main_menu.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace kav::gui {
namespace {

// One line per menu entry, depth first: path of names | caption | command id.
void flatten(std::span<const MenuEntry> entries, const std::string& parent, std::vector<std::string>& lines)
{
    for (const MenuEntry& entry : entries) {
        const std::string path = parent.empty() ? std::string(entry.name) : parent + "/" + std::string(entry.name);
        std::string line = path + "|" + std::string(entry.caption);
        if (entry.command != Command::None) line += "|" + std::to_string(static_cast<int>(entry.command));
        lines.push_back(line);
        flatten(entry.items, path, lines);
    }
}

std::vector<std::string> board(const std::string& path, const std::string& caption, const char* const names[5],
                               const char* status1, const char* status2, int first_id)
{
    return {
        path + "|" + caption,
        path + "/" + names[0] + "|Open Cash Drawer &1|" + std::to_string(first_id),
        path + "/" + names[1] + "|" + status1 + "|" + std::to_string(first_id + 1),
        path + "/" + names[2] + "|-",
        path + "/" + names[3] + "|Open Cash Drawer &2|" + std::to_string(first_id + 2),
        path + "/" + names[4] + "|" + status2 + "|" + std::to_string(first_id + 3),
    };
}

std::vector<std::string> expected_menu()
{
    std::vector<std::string> lines = {
        "File|&File",
        "File/exit|&exit|100",
        "Action|&Action",
        "Action/DIO|&DIO",
    };
    const auto add = [&lines](const std::vector<std::string>& more) { lines.insert(lines.end(), more.begin(), more.end()); };
    const char* const advantech[] = {"AdvantechOpenCashDrawer", "AdvantechGetStatus", "sepadvan", "AdvantechOpenCashDrawer2", "AdvantechGetStatus2"};
    const char* const iei9613[] = {"Open9613CashDrawer1", "Get9613Status1", "seo9613", "Open9613CashDrawer2", "Get9613Status2"};
    const char* const portwell[] = {"Open", "Status", "sep9623", "Open9623Cash", "Get9623Cashstatus"};
    const char* const bastra[] = {"Open8613CashDrawer1", "Bastra8613Status1", "seplll", "Open8613CashDrawer2", "Bastra8613Status2"};
    const char* const iei8623[] = {"IEIOpen1", "IEIStatus1", "sepbbb", "IEIOpen2", "IEIStatus2"};
    const char* const thin[] = {"ThinClientOpen1", "GetThinClientStatus1", "seprrr", "ThinClientOpen2", "GetThinClientStatus2"};
    add(board("Action/DIO/Advantech9842", "VOLX-9842", advantech, "&Status", "S&tatus", 200));
    add(board("Action/DIO/IEI9613", "VOLX-9613", iei9613, "&Status 1", "S&tatus 2", 210));
    add(board("Action/DIO/Portwell9623", "VOLX-9623", portwell, "&Status 1", "S&tatus 2", 220));
    add(board("Action/DIO/Bastra8613", "VOLX-8613", bastra, "&Status 1", "S&tatus 2", 230));
    add(board("Action/DIO/IEI8623", "VOLX-8623", iei8623, "&Status 1", "S&tatus 2", 240));
    add(board("Action/DIO/ThinClient", "Pellor (x86)", thin, "&Status 1", "S&tatus 2", 250));

    lines.push_back("Action/UsbCashDraweraaa|&USB ");
    for (int n = 1; n <= 8; ++n) {
        const std::string digit = n == 1 ? "" : std::to_string(n);
        const std::string usb = "Action/UsbCashDraweraaa/";
        lines.push_back(usb + "UsbOpenCashDrawer" + digit + "|Open Cash Drawer &" + std::to_string(n) + "|" +
                        std::to_string(298 + 2 * n));
        lines.push_back(usb + "GetUsbCashDrawerStatus" + digit + "|Status &" + std::to_string(n) + "|" +
                        std::to_string(299 + 2 * n));
        if (n < 8) lines.push_back(usb + "sepusb" + std::to_string(n) + "|-");
    }
    add({
        "Action/RS232|&RS232",
        "Action/RS232/RS232CashDrawerOpenStatus|&Open and Status|400",
        "Action/USB2RS232|USB to R&S232",
        "Action/USB2RS232/USB2RS232OpenStatus|&Open and Status|410",
        "Settings|&Settings",
        "Settings/ThinClientDIOAddress|Thin Client/VOLX-8623 DIO &Address|500",
        "Settings/Looptest|&Loop Test|510",
        "Help|&Help",
        "Help/About|&About|600",
    });
    return lines;
}

TEST(MainWindowData, MenuTreeHasEveryNameCaptionSeparatorAndId)
{
    std::vector<std::string> lines;
    flatten(menu_bar(), "", lines);
    EXPECT_EQ(lines, expected_menu());
}

TEST(MainWindowData, EveryCommandItemIsFoundByItsIdAndNoIdRepeats)
{
    std::set<Command> seen;
    const auto walk = [&seen](auto&& self, std::span<const MenuEntry> entries) -> void {
        for (const MenuEntry& entry : entries) {
            const int kinds = int(entry.is_submenu()) + int(entry.is_separator()) + int(entry.command != Command::None);
            EXPECT_EQ(kinds, 1) << "submenu, separator or command: " << entry.name;
            if (entry.command != Command::None) {
                EXPECT_TRUE(seen.insert(entry.command).second) << "id used twice: " << entry.name;
                EXPECT_EQ(find_menu_item(entry.command), &entry) << entry.name;
            }
            self(self, entry.items);
        }
    };
    walk(walk, menu_bar());
    EXPECT_EQ(find_menu_item(Command::None), nullptr);
    EXPECT_EQ(find_menu_item(static_cast<Command>(9999)), nullptr);
}

TEST(MainWindowData, ToolbarButtonsInBarOrder)
{
    struct Expected {
        int16_t index;
        const char* tool_tip;
        int icon;
        const char* same_as;
    };
    const Expected expected[] = {
        {1, "Open Cash Drawer 1 for VOLX-9623", 1, "Open"},
        {2, "Open Cash Drawer 2 for VOLX-9623", 2, "Open9623Cash"},
        {3, "Open Cash Drawer 1 for VOLX-9842", 3, "AdvantechOpenCashDrawer"},
        {4, "Open Cash Drawer 2 for VOLX-9842", 4, "AdvantechOpenCashDrawer2"},
        {5, "Open Cash Drawer 1 for Thin Client(x86)", 7, "ThinClientOpen1"},
        {6, "Open Cash Drawer 2 for Thin Client(x86)", 8, "ThinClientOpen2"},
        {7, "Open USB Cash Drawer 1", 5, "UsbOpenCashDrawer"},
        {8, "Open USB Cash Drawer 2", 6, "UsbOpenCashDrawer2"},
    };
    const auto buttons = toolbar_buttons();
    ASSERT_EQ(buttons.size(), std::size(expected));
    for (size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i].index, expected[i].index);
        EXPECT_EQ(buttons[i].tool_tip, expected[i].tool_tip);
        EXPECT_EQ(buttons[i].icon, expected[i].icon);
        const MenuEntry* item = find_menu_item(buttons[i].same_as);
        ASSERT_NE(item, nullptr) << "button " << expected[i].index;
        EXPECT_EQ(item->name, expected[i].same_as);
    }
}

} // namespace
} // namespace kav::gui
