// The About window under Wine: its texts and places, the link's look under
// the mouse, and the browser it starts (a recording stand-in for the
// browser's file) or the message when there is none.
#include "gui_driver.h"
#include "wine_service_control.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

using kavgui::MessageBoxInfo;
using kavgui::Utility;

constexpr const char* kBrowser = "C:\\Program Files\\Internet Explorer\\iexplore.exe";
constexpr const char* kStarts = "C:\\kav_gui\\browser_starts.txt";
constexpr const char* kPlain = "underline\t0\tcolour\t0,0,0";
constexpr const char* kLit = "underline\t1\tcolour\t0,0,255";

std::string read_file(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Moves the pointer to a point of the window's client area, as a person would.
void point_at(HWND window, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
}

void click(HWND control)
{
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

TEST(About, ShowsTheProductAndOpensTheMakersPage)
{
    ASSERT_TRUE(kavgui::remove_service());
    ASSERT_EQ(kavgui::prepare_stopped_service(), 0u);
    const std::string stand_in = kavwine::beside_this_program("record_start.exe");
    ASSERT_TRUE(CopyFileA(stand_in.c_str(), kBrowser, FALSE)) << "the browser's stand-in, error " << GetLastError();
    DeleteFileA(kStarts);

    Utility utility;
    std::string error;
    ASSERT_TRUE(utility.start("about", std::string(), &error)) << error;
    const HWND main = utility.wait_for_window(kavgui::kMainCaption);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(utility.choose_menu(main, {"&Help", "&About"}, &error)) << error;
    const HWND about = utility.wait_for_window("About");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(kavgui::layout_text(about), "client\t314x171\n"
                                          "Button\t\"&OK\"\t240,8 65x25\n"
                                          "Static\t\"\"\t8,8 48x61\n"
                                          "Static\t\"Product:   Cash Drawer\"\t72,8 137x17\n"
                                          "Static\t\"Version:    1.11-20051223\"\t72,72 137x25\n"
                                          "Static\t\"Website:\"\t72,136 57x25\n"
                                          "Static\t\"www.kav.example\"\t128,136 89x17\n");
    const LONG style = GetWindowLongA(about, GWL_STYLE);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

    const HWND link = kavgui::find_child(about, "Static", "www.kav.example");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(utility.text_look(link), kPlain) << "plain and black when it opens";
    point_at(about, 130, 140);
    EXPECT_TRUE(kavgui::wait_until([&] { return utility.text_look(link) == kLit; }, 5000))
        << "under the mouse: " << utility.text_look(link);
    const std::string shot = kavgui::screenshot("about");
    EXPECT_FALSE(shot.empty()) << "no screenshot";
    std::printf("screenshot of the About window: %s\n", shot.c_str());
    point_at(about, 100, 14); // a label: the link stays lit
    ASSERT_TRUE(utility.settle(about));
    EXPECT_EQ(utility.text_look(link), kLit);
    point_at(about, 30, 120); // the bare background
    EXPECT_TRUE(kavgui::wait_until([&] { return utility.text_look(link) == kPlain; }, 5000))
        << "over the background: " << utility.text_look(link);

    click(link);
    click(link);
    EXPECT_TRUE(kavgui::wait_until([] {
        const std::string starts = read_file(kStarts);
        return std::count(starts.begin(), starts.end(), '\n') == 2;
    })) << "two clicks start the browser twice";
    const std::string starts = read_file(kStarts);
    EXPECT_NE(starts.find("\\Internet Explorer\\IEXPLORE.EXE\" http://www.kav.example\tshow=3"), std::string::npos)
        << "the address, maximised (3); got: " << starts;

    // No browser on any drive: the message, and the window stays.
    ASSERT_TRUE(DeleteFileA(kBrowser));
    click(link);
    const std::optional<MessageBoxInfo> box = utility.wait_for_message_box();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "Open IE Browser Failed");
    EXPECT_EQ(box->title, "Error");
    EXPECT_EQ(box->buttons, std::vector<std::string>{"OK"});
    ASSERT_TRUE(kavgui::press_ok(*box));
    EXPECT_TRUE(IsWindow(about));

    ASSERT_TRUE(kavgui::click(kavgui::find_child(about, "Button", "&OK")));
    EXPECT_TRUE(kavgui::wait_until([&] { return !IsWindow(about); }));
    ASSERT_TRUE(utility.choose_menu(main, {"&File", "&exit"}, &error)) << error;
    EXPECT_TRUE(utility.wait_for_exit());
}

} // namespace
