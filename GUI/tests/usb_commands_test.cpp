#include "usb_commands.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <string>

namespace kav::gui {
namespace {

using testing::CallLog;
using testing::CashFixture;

Command open_item(int drawer) { return static_cast<Command>(static_cast<int>(Command::UsbOpenCashDrawer) + 2 * (drawer - 1)); }
Command status_item(int drawer) { return static_cast<Command>(static_cast<int>(Command::GetUsbCashDrawerStatus) + 2 * (drawer - 1)); }

std::string box(const std::string& text, const char* title) { return "message(" + text + "|" + title + ")"; }

TEST(UsbCommands, OpenReadsTheLow16BitsAndReportsOnlyFailure)
{
    const std::pair<int32_t, bool> results[] = {
        {0, true}, {1, false}, {-1, false}, {0x10000, true} /* low half 0 */, {0x10001, false}, {49, false}};
    for (int drawer = 1; drawer <= 8; ++drawer) {
        for (const auto& [result, fails] : results) {
            CashFixture f;
            f.library.usb_open_result = result;
            f.form.on_command(open_item(drawer));
            CallLog expected{"UsbCashDrawer(" + std::to_string(drawer) + ")"};
            if (fails) expected.push_back(box("Open USB Cash Drawer " + std::to_string(drawer) + " Failed", "Error"));
            EXPECT_EQ(f.log, expected) << "drawer " << drawer << " answered " << result;
        }
    }
}

TEST(UsbCommands, StatusShowsTheDrawersStateInItsOwnWording)
{
    for (int drawer = 1; drawer <= 8; ++drawer) {
        const std::string n = std::to_string(drawer);
        const std::string open = drawer == 1 ? "Cash Drawer 1 Is Open" : "Cash Drawer Is " + n + " Open";
        const std::string closed = drawer == 1 ? "Cash Drawer 1 Is Closed" : "Cash Drawer Is " + n + " Closed";
        const std::pair<int32_t, std::string> results[] = {
            {0, box("Get Status for USB Cash Drawer " + n + " Failed", "Error")},
            {48, box(open, "Status")},
            {49, box(closed, "Status")},
            {1, ""}, {50, ""}, {-1, ""}, {48 + 0x10000, ""}};
        for (const auto& [result, message] : results) {
            CashFixture f;
            f.library.usb_status_result = result;
            f.form.on_command(status_item(drawer));
            CallLog expected{"UsbCashDrawerStaus(" + n + ")"};
            if (!message.empty()) expected.push_back(message);
            EXPECT_EQ(f.log, expected) << "drawer " << drawer << " answered " << result;
        }
    }
}

TEST(UsbCommands, EveryItemOfTheUsbMenuIsOneOfThem)
{
    for (int drawer = 1; drawer <= 8; ++drawer) {
        for (const Command item : {open_item(drawer), status_item(drawer)}) {
            const MenuEntry* entry = find_menu_item(item);
            ASSERT_NE(entry, nullptr);
            const std::optional<UsbCommand> usb = find_usb_command(item);
            ASSERT_TRUE(usb.has_value()) << entry->name;
            EXPECT_EQ(usb->drawer, drawer) << entry->name;
            const bool is_open = entry->caption.starts_with("Open Cash Drawer &");
            EXPECT_EQ(usb->kind, is_open ? UsbCommandKind::Open : UsbCommandKind::Status) << entry->name;
            EXPECT_EQ(entry->caption.back(), static_cast<char>('0' + drawer)) << entry->name;
        }
    }
}

} // namespace
} // namespace kav::gui
