// The loop test under Wine, driven from this second process: an unattended
// run from auto.ini that ends the program by itself, with and without the
// PASS/FAIL question, and the settings window's checks in attended use.
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

constexpr const char* kSettingCaption = "Setting";
constexpr const char* kOpened = "simulated terminal: VOLX-8613 drawer 1 opened (port 0x408)";
constexpr DWORD kRunMs = 30000;
constexpr const char* kUtilityExe = "KAV_Cash_Drawer_Utility.exe"; // the name Utility::start runs it by

std::string unattended_ini(const std::string& run)
{
    return "[Application]\r\nauto=1\r\n[Board Type]\r\nMB=VOLX-8613\r\n[Loop Type]\r\nLT=Count\r\n"
           "[Interval]\r\nInterval=1\r\n[Edit Box]\r\nCount_Time=3\r\n" +
           (run.empty() ? std::string() : "[ShowPassFail]\r\nRun=" + run + "\r\n");
}

int count_lines(const std::string& text, const std::string& message)
{
    const std::string line = kavwine::driver_line(message);
    int count = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + line.size())) ++count;
    return count;
}

std::string read_file(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The log's lines without their timestamps ("YYYY-MM-DD HH:MM:SS ").
std::vector<std::string> log_events(const std::string& text)
{
    std::vector<std::string> events;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        events.push_back(line.size() > 20 ? line.substr(20) : "?" + line);
    }
    return events;
}

// Esc pressed in the list, where the loop test's focus is; the window's
// thread has taken the key once settle returns.
bool press_escape_in_list(Utility& utility, HWND setting)
{
    const HWND list = kavgui::find_child(setting, "ListBox");
    if (list == nullptr) return false;
    PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(list, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001));
    return utility.settle(setting);
}

const std::vector<std::string> kThreeTicks{
    "run started: VOLX-8613, Count, interval 1 sec, count 3",
    "tick 1: VOLX-8613, DeviceControl(12) = 0",
    "tick 2: VOLX-8613, DeviceControl(12) = 0",
    "tick 3: VOLX-8613, DeviceControl(12) = 0",
};

class LoopTestUnattended : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kavgui::remove_service());
        ASSERT_EQ(kavgui::prepare_stopped_service(), 0u);
    }
    kavwine::TraceLog trace_;
};

TEST_F(LoopTestUnattended, OpensTheDrawerThreeTimesAndEndsByItself)
{
    const size_t mark = trace_.mark();
    Utility utility;
    std::string error;
    ASSERT_TRUE(utility.start("loop_unattended", unattended_ini(""), &error)) << error;
    const HWND setting = utility.wait_for_window(kSettingCaption);
    ASSERT_NE(setting, nullptr) << "the loop test appears in place of the main window";
    EXPECT_EQ(utility.find_window(kavgui::kMainCaption) && IsWindowVisible(utility.find_window(kavgui::kMainCaption)),
              false);
    kavwine::wait_until([&] { return count_lines(trace_.since(mark), kOpened) >= 1; });
    const std::string shot = kavgui::screenshot("loop_running");
    EXPECT_FALSE(shot.empty()) << "no screenshot";
    std::printf("screenshot of the running loop test: %s\n", shot.c_str());
    // A stray key during an overnight run does not end it.
    ASSERT_TRUE(press_escape_in_list(utility, setting)) << "the run ended at Esc (or the window did not answer)";

    EXPECT_TRUE(utility.wait_for_exit(kRunMs)) << "the program ends after the last tick";
    EXPECT_EQ(count_lines(trace_.wait_for(mark, kOpened, 3), kOpened), 3) << "three pulses at 0x408";
    EXPECT_TRUE(kavgui::wait_until([] { return !kavgui::service_exists(); })) << "no driver service is left";

    std::vector<std::string> expected = kThreeTicks;
    expected.push_back("run ended: completed");
    EXPECT_EQ(log_events(read_file("C:\\kav_gui\\loop_unattended\\LoopTest.log")), expected);
}

TEST_F(LoopTestUnattended, AsksTheOperatorAndShowsPassBeforeItEnds)
{
    Utility utility;
    std::string error;
    ASSERT_TRUE(utility.start("loop_pass", unattended_ini("1"), &error)) << error;
    const HWND setting = utility.wait_for_window(kSettingCaption);
    ASSERT_NE(setting, nullptr);
    const std::optional<MessageBoxInfo> question = utility.wait_for_message_box(kRunMs);
    ASSERT_TRUE(question.has_value()) << "no question at the end of the run";
    EXPECT_EQ(question->text, "Running normally ?");
    EXPECT_EQ(question->title, "Status");
    EXPECT_EQ(question->buttons, (std::vector<std::string>{"&Yes", "&No"}));
    EXPECT_FALSE(question->has_icon);

    // The run's lines are all there while the question is up.
    const HWND list = kavgui::find_child(setting, "ListBox");
    const std::vector<std::string> lines = kavgui::list_items(list);
    EXPECT_EQ(lines.size(), 18u);
    EXPECT_EQ(kavgui::list_selected(list), 16);
    if (lines.size() == 18) {
        EXPECT_EQ(lines[16], "Current:  3");
    }

    ASSERT_TRUE(kavgui::press_button(*question, "&Yes"));
    const HWND pass = utility.wait_for_window("PASS");
    ASSERT_NE(pass, nullptr) << "Yes shows the PASS window";
    const std::string shot = kavgui::screenshot("pass");
    EXPECT_FALSE(shot.empty()) << "no screenshot";
    std::printf("screenshot of PASS: %s\n", shot.c_str());
    EXPECT_TRUE(kavgui::wait_until([&] { return !IsWindow(pass); })) << "PASS closes by itself";
    EXPECT_TRUE(utility.wait_for_exit()) << "then the program ends";
    EXPECT_TRUE(kavgui::wait_until([] { return !kavgui::service_exists(); }));

    std::vector<std::string> expected = kThreeTicks;
    expected.push_back("run ended: PASS");
    EXPECT_EQ(log_events(read_file("C:\\kav_gui\\loop_pass\\LoopTest.log")), expected);
}

// Windows 98 loads the driver at its start (the utility starts no service
// there); the run is logged as on any other system.
TEST_F(LoopTestUnattended, LogsTheRunOnWindows98Too)
{
    ASSERT_EQ(kavwine::start_service(kavwine::kServiceName), 0u) << "the driver as Windows 98 loads it at boot";
    ASSERT_EQ(kavwine::wait_for_dos_device(kavwine::kServiceName), 0u);
    ASSERT_TRUE(kavwine::set_wine_version_for(kUtilityExe, "win98"));
    DeleteFileA("C:\\kav_gui\\loop_win98\\LoopTest.log");
    Utility utility;
    std::string error;
    const bool started = utility.start("loop_win98", unattended_ini(""), &error);
    const bool ended = started && utility.wait_for_exit(kRunMs);
    EXPECT_TRUE(kavwine::set_wine_version_for(kUtilityExe, nullptr));
    ASSERT_TRUE(started) << error;
    EXPECT_TRUE(ended) << "the program ends after the last tick";

    std::vector<std::string> expected = kThreeTicks;
    expected.push_back("run ended: completed");
    EXPECT_EQ(log_events(read_file("C:\\kav_gui\\loop_win98\\LoopTest.log")), expected);
}

TEST(LoopTestAttended, RefusesAnEmptyCountAndEndsABadOneAtTheFirstTick)
{
    ASSERT_TRUE(kavgui::remove_service());
    ASSERT_EQ(kavgui::prepare_stopped_service(), 0u);
    Utility utility;
    std::string error;
    ASSERT_TRUE(utility.start("loop_attended", std::string("[Application]\r\nauto=0\r\n"), &error)) << error;
    const HWND main = utility.wait_for_window(kavgui::kMainCaption);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(utility.choose_menu(main, {"&Settings", "&Loop Test"}, &error)) << error;
    const HWND setting = utility.wait_for_window(kSettingCaption);
    ASSERT_NE(setting, nullptr);
    EXPECT_EQ(kavgui::layout_text(setting).substr(0, 14), "client\t382x260");
    EXPECT_EQ(kavgui::window_text(kavgui::find_child(setting, "Static", "Count")), "Count") << "auto 0 sets the label";

    const HWND ok = kavgui::find_child(setting, "Button", "&OK");
    const HWND text = kavgui::find_child(setting, "Edit");
    ASSERT_TRUE(ok && text);
    ASSERT_TRUE(kavgui::click(ok));
    std::optional<MessageBoxInfo> box = utility.wait_for_message_box();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "Please keyin figure in the edit box");
    EXPECT_EQ(box->title, "Error");
    ASSERT_TRUE(kavgui::press_ok(*box));

    SendMessageA(text, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc"));
    ASSERT_TRUE(kavgui::click(ok));
    box = utility.wait_for_message_box(kRunMs);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "Keyin Error") << "abc counts as 0 ticks";
    EXPECT_FALSE(IsWindowEnabled(ok)) << "the run is on until the box is closed";
    ASSERT_TRUE(kavgui::press_ok(*box));
    EXPECT_TRUE(kavgui::wait_until([&] { return IsWindowEnabled(ok) != FALSE; })) << "back to Idle";
    EXPECT_EQ(kavgui::window_text(text), "");
    EXPECT_TRUE(kavgui::list_items(kavgui::find_child(setting, "ListBox")).empty());

    // Only Cancel and the close box close the window; Esc does nothing.
    ASSERT_TRUE(press_escape_in_list(utility, setting)) << "Esc closed the loop test (or it did not answer)";
    ASSERT_TRUE(kavgui::click(kavgui::find_child(setting, "Button", "&Cancel")));
    EXPECT_TRUE(kavgui::wait_until([&] { return !IsWindow(setting); }));
    ASSERT_TRUE(utility.choose_menu(main, {"&Settings", "&Loop Test"}, &error)) << error;
    const HWND again = utility.wait_for_window(kSettingCaption);
    ASSERT_NE(again, nullptr);
    PostMessageA(again, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(kavgui::wait_until([&] { return !IsWindow(again); })) << "the close box closes it";
    ASSERT_TRUE(utility.choose_menu(main, {"&File", "&exit"}, &error)) << error;
    EXPECT_TRUE(utility.wait_for_exit());
}

} // namespace
