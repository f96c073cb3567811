// The RS232 window under Wine, over simulated serial drawers on COM3 and COM5
// (KAV_sim.sys): the port lists, firing each drawer and its indicator
// following the carrier line; and the window with no port at all.
#include "gui_driver.h"
#include "wine_service_control.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using kavgui::MessageBoxInfo;
using kavgui::Utility;

constexpr const char* kCaption = "RS232 Cash Drawer";
constexpr const char* kOpenLook = "fill\t0,0,255";
constexpr const char* kClosedLook = "fill\t0,255,0";

// The status row's places: drawer 2 on the left, drawer 1 on the right.
struct StatusRow {
    HWND text;
    HWND indicator;
};

HWND child_at(HWND window, int x, int y)
{
    POINT p{x, y};
    return ChildWindowFromPointEx(window, p, CWP_SKIPTRANSPARENT);
}

class Rs232Window : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kavgui::remove_service());
        ASSERT_EQ(kavgui::prepare_stopped_service(), 0u);
        std::string error;
        ASSERT_TRUE(utility_.start(::testing::UnitTest::GetInstance()->current_test_info()->name(), std::string(),
                                   &error))
            << error;
        main_ = utility_.wait_for_window(kavgui::kMainCaption);
        ASSERT_NE(main_, nullptr);
        ASSERT_TRUE(utility_.choose_menu(main_, {"&Action", "&RS232", "&Open and Status"}, &error)) << error;
    }
    void TearDown() override
    {
        std::string error;
        if (utility_.running() && main_ != nullptr && IsWindow(main_)) {
            utility_.choose_menu(main_, {"&File", "&exit"}, &error);
            utility_.wait_for_exit();
        }
    }
    // "Open", "Closed" or "" and the indicator's fill, as the user sees them.
    std::string look(const StatusRow& row)
    {
        if (!IsWindowVisible(row.indicator)) return "hidden";
        const std::string look = utility_.text_look(row.indicator);
        const size_t fill = look.find("fill\t");
        return kavgui::window_text(row.text) + " " + (fill == std::string::npos ? "no fill" : look.substr(fill));
    }

    Utility utility_;
    HWND main_ = nullptr;
};

TEST_F(Rs232Window, FiresEachDrawerAndFollowsTheOneFiredLast)
{
    const HWND window = utility_.wait_for_window(kCaption);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(kavgui::layout_text(window).substr(0, 14), "client\t355x213");
    HWND combos[2] = {child_at(window, 160, 20), child_at(window, 160, 84)};
    for (HWND combo : combos) EXPECT_EQ(kavgui::combo_items(combo), (std::vector<std::string>{"COM3", "COM5"}));
    EXPECT_EQ(kavgui::combo_shown(combos[0]), "COM3");
    EXPECT_EQ(kavgui::combo_shown(combos[1]), "COM5");

    const StatusRow drawer1{child_at(window, 150, 172), child_at(window, 230, 172)};
    const StatusRow drawer2{child_at(window, 12, 172), child_at(window, 92, 172)};
    EXPECT_EQ(look(drawer1), "hidden") << "nothing shows before the first change";

    const HWND fire1 = kavgui::find_child(window, "Button", " Open Cash       Drawer &1");
    const HWND fire2 = kavgui::find_child(window, "Button", " Open Cash       Drawer &2");
    ASSERT_TRUE(fire1 && fire2);
    ASSERT_TRUE(kavgui::click(fire1));
    const std::string open = std::string("Open ") + kOpenLook;
    const std::string closed = std::string("Closed ") + kClosedLook;
    EXPECT_TRUE(kavgui::wait_until([&] { return look(drawer1) == open; })) << look(drawer1);
    const std::string shot = kavgui::screenshot("rs232_open");
    EXPECT_FALSE(shot.empty()) << "no screenshot";
    std::printf("screenshot of the RS232 window with drawer 1 open: %s\n", shot.c_str());
    EXPECT_TRUE(kavgui::wait_until([&] { return look(drawer1) == closed; })) << look(drawer1);

    ASSERT_TRUE(kavgui::click(fire2));
    EXPECT_TRUE(kavgui::wait_until([&] { return look(drawer2) == open; })) << look(drawer2);
    EXPECT_EQ(look(drawer1), closed) << "drawer 1 keeps its last look";
    EXPECT_TRUE(kavgui::wait_until([&] { return look(drawer2) == closed; })) << look(drawer2);

    ASSERT_TRUE(kavgui::click(kavgui::find_child(window, "Button", "&Cancel")));
    EXPECT_TRUE(kavgui::wait_until([&] { return !IsWindow(window); }));
}

TEST_F(Rs232Window, WithoutAPortSaysSoAndGoes)
{
    const std::optional<MessageBoxInfo> box = utility_.wait_for_message_box();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "No RS232 Controller Found or broken");
    EXPECT_EQ(box->title, "Error");
    ASSERT_TRUE(kavgui::press_ok(*box));
    EXPECT_TRUE(kavgui::wait_until([&] { return utility_.find_window(kCaption) == nullptr; })) << "the window is gone";
}

} // namespace
