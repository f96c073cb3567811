// The RS232 window under Wine, over simulated serial drawers on COM3 and COM5
// (KAV_sim.sys): the port lists, firing each drawer and its indicator
// following the carrier line; and the window with no port at all. Then its
// twin, the USB-to-RS232 window, over simulated adapters.
#include "gui_driver.h"
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

// Either serial window, opened from its menu item.
class SerialWindow : public ::testing::Test {
protected:
    explicit SerialWindow(const char* menu) : menu_(menu) {}

    void SetUp() override
    {
        std::string error;
        main_ = utility_.start_for_this_test(&error);
        ASSERT_NE(main_, nullptr) << error;
        ASSERT_TRUE(utility_.choose_menu(main_, {"&Action", menu_, "&Open and Status"}, &error)) << error;
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

    // The port lists' places, and the status row's.
    static HWND combo(HWND window, int drawer) { return child_at(window, 160, drawer == 1 ? 20 : 84); }
    static StatusRow row(HWND window, int drawer)
    {
        return drawer == 1 ? StatusRow{child_at(window, 150, 172), child_at(window, 230, 172)}
                           : StatusRow{child_at(window, 12, 172), child_at(window, 92, 172)};
    }
    static HWND fire_button(HWND window, int drawer)
    {
        return kavgui::find_child(window, "Button",
                                  std::string(" Open Cash       Drawer &") + static_cast<char>('0' + drawer));
    }

    const char* menu_;
    Utility utility_;
    HWND main_ = nullptr;
    kavwine::TraceLog trace_;
};

class Rs232Window : public SerialWindow {
protected:
    Rs232Window() : SerialWindow("&RS232") {}
};

TEST_F(Rs232Window, FiresEachDrawerAndFollowsTheOneFiredLast)
{
    const HWND window = utility_.wait_for_window(kCaption);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(kavgui::layout_text(window).substr(0, 14), "client\t355x213");
    HWND combos[2] = {combo(window, 1), combo(window, 2)};
    for (HWND combo : combos) EXPECT_EQ(kavgui::combo_items(combo), (std::vector<std::string>{"COM3", "COM5"}));
    EXPECT_EQ(kavgui::combo_shown(combos[0]), "COM3");
    EXPECT_EQ(kavgui::combo_shown(combos[1]), "COM5");

    const StatusRow drawer1 = row(window, 1);
    const StatusRow drawer2 = row(window, 2);
    EXPECT_EQ(look(drawer1), "hidden") << "nothing shows before the first change";

    const HWND fire1 = fire_button(window, 1);
    const HWND fire2 = fire_button(window, 2);
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

class UsbToRs232Window : public SerialWindow {
protected:
    UsbToRs232Window() : SerialWindow("USB to R&S232") {}
    static constexpr const char* kCaption = "USB to RS232 Cash Drawer";
};

// One adapter on COM7: both lists hold it and show it, and firing drawer 1
// opens its drawer, which the indicator follows.
TEST_F(UsbToRs232Window, ListsTheAdaptersPortAndFollowsItsDrawer)
{
    const HWND window = utility_.wait_for_window(kCaption);
    ASSERT_NE(window, nullptr);
    for (int drawer : {1, 2}) {
        EXPECT_EQ(kavgui::combo_items(combo(window, drawer)), (std::vector<std::string>{"COM7"})) << drawer;
        EXPECT_EQ(kavgui::combo_shown(combo(window, drawer)), "COM7") << drawer;
    }
    const StatusRow drawer1 = row(window, 1);
    // Loading leaves the indicators shown here, with no state yet.
    EXPECT_EQ(look(drawer1).find("hidden"), std::string::npos) << look(drawer1);
    EXPECT_NE(look(drawer1).find("no fill"), std::string::npos) << look(drawer1);

    const size_t mark = trace_.mark();
    ASSERT_TRUE(kavgui::click(fire_button(window, 1)));
    EXPECT_TRUE(kavgui::wait_until([&] { return trace_.since(mark).find("KAV_sim: COM7 drawer opened") != std::string::npos; }))
        << trace_.since(mark);
    EXPECT_TRUE(kavgui::wait_until([&] { return look(drawer1) == std::string("Open ") + kOpenLook; })) << look(drawer1);
    const std::string shot = kavgui::screenshot("usb_to_rs232_open");
    EXPECT_FALSE(shot.empty()) << "no screenshot";
    EXPECT_TRUE(kavgui::wait_until([&] { return look(drawer1) == std::string("Closed ") + kClosedLook; }))
        << look(drawer1);

    ASSERT_TRUE(kavgui::click(kavgui::find_child(window, "Button", "&Cancel")));
    EXPECT_TRUE(kavgui::wait_until([&] { return !IsWindow(window); }));
}

// An adapter on COM12: the entry's number past "COM" is the port opened.
TEST_F(UsbToRs232Window, FiresTheTwoDigitPortItLists)
{
    const HWND window = utility_.wait_for_window(kCaption);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(kavgui::combo_shown(combo(window, 1)), "COM12");
    const size_t mark = trace_.mark();
    ASSERT_TRUE(kavgui::click(fire_button(window, 1)));
    EXPECT_TRUE(kavgui::wait_until([&] { return trace_.since(mark).find("KAV_sim: COM12 drawer opened") != std::string::npos; }))
        << trace_.since(mark);
    EXPECT_TRUE(kavgui::wait_until([&] { return look(row(window, 1)) == std::string("Open ") + kOpenLook; }))
        << look(row(window, 1));
}

// A plain COM port but no adapter: the message, and the window gone.
TEST_F(UsbToRs232Window, WithoutAnAdapterSaysSoAndGoes)
{
    const std::optional<MessageBoxInfo> box = utility_.wait_for_message_box();
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(kavgui::plain_box(box, "USB to COM Controller not found", "Error"));
    ASSERT_TRUE(kavgui::press_ok(*box));
    EXPECT_TRUE(kavgui::wait_until([&] { return utility_.find_window(kCaption) == nullptr; })) << "the window is gone";
}

} // namespace
