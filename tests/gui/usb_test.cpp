// The "&USB " menu and toolbar button 8 under Wine, over two simulated HID
// drawers (KAV_sim.sys) listed ahead of Wine's own mouse and keyboard, which
// take numbers 3 and 4 and answer no string. The drawers close 4 s after
// they open. The simulator's trace shows which drawer each request reached.
#include "gui_driver.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using kavgui::MessageBoxInfo;
using kavgui::plain_box;
using kavgui::Utility;

const std::vector<std::string> kUsb{"&Action", "&USB "};

std::vector<std::string> usb_item(const char* caption)
{
    std::vector<std::string> path = kUsb;
    path.push_back(caption);
    return path;
}

class UsbMenu : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(trace_.available()) << "KAV_WINE_TRACE_LOG is not set: run under the Wine harness";
        std::string error;
        main_ = utility_.start_for_this_test(&error);
        ASSERT_NE(main_, nullptr) << error;
    }
    void TearDown() override
    {
        std::string error;
        if (utility_.running() && main_ != nullptr && IsWindow(main_)) {
            if (auto box = utility_.find_message_box()) kavgui::press_ok(*box);
            utility_.choose_menu(main_, {"&File", "&exit"}, &error);
            utility_.wait_for_exit();
        }
    }

    // The box the item shows, pressed away again.
    ::testing::AssertionResult shows(const char* item, const std::string& text, const std::string& title)
    {
        std::string error;
        if (!utility_.choose_menu(main_, usb_item(item), &error)) return ::testing::AssertionFailure() << error;
        const std::optional<MessageBoxInfo> box = utility_.wait_for_message_box();
        ::testing::AssertionResult result = plain_box(box, text, title);
        if (box) kavgui::press_ok(*box);
        return result << " (" << item << ")";
    }
    // The request reached simulated drawer n and opened it, and no box came.
    ::testing::AssertionResult opened_silently(size_t mark, int n)
    {
        char line_text[64];
        std::snprintf(line_text, sizeof line_text, "KAV_sim: HID %d string 106: KAV drawer", n);
        const std::string line = line_text;
        if (!kavwine::wait_until([&] { return trace_.since(mark).find(line) != std::string::npos; }, 5000))
            return ::testing::AssertionFailure() << "no \"" << line << "\" in\n" << trace_.since(mark);
        if (!utility_.settle(main_)) return ::testing::AssertionFailure() << "the utility did not settle";
        if (auto box = utility_.find_message_box())
            return ::testing::AssertionFailure() << ::testing::PrintToString(*box);
        return ::testing::AssertionSuccess();
    }

    Utility utility_;
    HWND main_ = nullptr;
    kavwine::TraceLog trace_;
};

TEST_F(UsbMenu, OpensTheFirstDrawerSilentlyAndTellsEachDrawersState)
{
    size_t mark = trace_.mark();
    std::string error;
    ASSERT_TRUE(utility_.choose_menu(main_, usb_item("Open Cash Drawer &1"), &error)) << error;
    EXPECT_TRUE(opened_silently(mark, 1));

    EXPECT_TRUE(shows("Status &1", "Cash Drawer 1 Is Open", "Status"));
    EXPECT_TRUE(shows("Status &2", "Cash Drawer Is 2 Closed", "Status"));
    EXPECT_TRUE(shows("Status &3", "Get Status for USB Cash Drawer 3 Failed", "Error")) << "Wine's mouse is no drawer";

    // Toolbar button 8 is "Open Cash Drawer &2" of this menu.
    mark = trace_.mark();
    ASSERT_TRUE(utility_.click_toolbar_button(main_, 8, &error)) << error;
    EXPECT_TRUE(opened_silently(mark, 2));
    EXPECT_TRUE(shows("Status &2", "Cash Drawer Is 2 Open", "Status"));
}

} // namespace
