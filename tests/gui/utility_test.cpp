// The drawer utility under Wine, driven from this second process: start-up
// messages, the main window's menus and toolbar, the DIO address window and
// the driver service around each run. The emulation driver's trace shows
// which port a drawer command reached.
#include "gui_driver.h"
#include "wine_service_control.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>

namespace {

using kavgui::MessageBoxInfo;
using kavgui::plain_box;
using kavgui::Utility;

constexpr const char* kDioWindowCaption = "Thin Client/VOLX-8623 DIO Address Setting";

void note_service_prepared()
{
    kavwine::known_wine_difference("the KAV_cash service is made beforehand with a \\SystemRoot\\ image path; "
                                   "the utility's relative path does not load under Wine (error 1114)");
}

// Start-up ends at a message box: the box, the service while it is shown, and
// the service once the utility has gone.
struct StartUpCase {
    const char* name;
    std::optional<std::string> auto_ini;
    const char* message;
};

void PrintTo(const StartUpCase& c, std::ostream* os) { *os << c.name; }

class StartUp : public ::testing::TestWithParam<StartUpCase> {};

TEST_P(StartUp, ShowsItsErrorThenRemovesTheService)
{
    const StartUpCase& c = GetParam();
    ASSERT_TRUE(kavgui::remove_service());
    ASSERT_EQ(kavgui::prepare_stopped_service(), 0u);
    note_service_prepared();

    Utility utility;
    std::string error;
    ASSERT_TRUE(utility.start(c.name, c.auto_ini, &error)) << error;
    const std::optional<MessageBoxInfo> box = utility.wait_for_message_box();
    EXPECT_TRUE(plain_box(box, c.message, "Error"));
    EXPECT_EQ(kavgui::service_state(), DWORD(SERVICE_RUNNING)) << "the utility starts the driver before this check";
    const HWND main = utility.find_window(kavgui::kMainCaption);
    EXPECT_FALSE(main != nullptr && IsWindowVisible(main)) << "the main window is never shown";
    if (box) {
        ASSERT_TRUE(kavgui::press_ok(*box));
    }

    EXPECT_TRUE(utility.wait_for_exit()) << "the utility ends after its start-up error";
    EXPECT_TRUE(kavgui::wait_until([] { return !kavgui::service_exists(); }))
        << "the KAV_cash service is stopped and deleted when the utility closes";
}

const char kLowerCaseLoopType[] = "[Application]\r\nauto=1\r\n"
                                  "[Board Type]\r\nMB=VOLX-8613\r\n"
                                  "[Loop Type]\r\nLT=count\r\n"
                                  "[Interval]\r\nInterval=2\r\n"
                                  "[Edit Box]\r\nCount_Time=3\r\n";

INSTANTIATE_TEST_SUITE_P(Utility, StartUp,
                         ::testing::Values(StartUpCase{"auto_ini_missing", std::nullopt, "auto.ini file not found"},
                                           StartUpCase{"loop_type_lower_case", kLowerCaseLoopType,
                                                       "auto.ini Error 2"}),
                         [](const auto& test) { return std::string(test.param.name); });

// Run with tillio.dll left out of the system directory.
TEST(LibraryMissing, ReportsLoadFailureAndMakesNoService)
{
    ASSERT_FALSE(kavgui::service_exists());
    Utility utility;
    std::string error;
    ASSERT_TRUE(utility.start("library_missing", std::string(), &error)) << error;
    const std::optional<MessageBoxInfo> box = utility.wait_for_message_box();
    EXPECT_TRUE(plain_box(box, "tillio.dll Load Failed.", "Error"));
    EXPECT_FALSE(kavgui::service_exists()) << "the library check comes before the driver's start";
    if (box) {
        ASSERT_TRUE(kavgui::press_ok(*box));
    }
    EXPECT_TRUE(utility.wait_for_exit()) << "the utility ends when the library does not load";
    EXPECT_FALSE(kavgui::service_exists());
}

// A tillio.dll planted in the utility's own folder (here a copy of a system
// DLL that has none of the library's exports) is never the one loaded: the
// utility loads the library by its full path in the system directory, so it
// starts as usual.
TEST(PlantedLibrary, TheSystemDirectorysLibraryIsLoadedNotOneBesideTheProgram)
{
    ASSERT_TRUE(kavgui::remove_service());
    ASSERT_EQ(kavgui::prepare_stopped_service(), 0u);
    char system[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    CreateDirectoryA("C:\\kav_gui", nullptr);
    CreateDirectoryA("C:\\kav_gui\\planted_library", nullptr);
    ASSERT_TRUE(CopyFileA((std::string(system) + "\\version.dll").c_str(),
                          "C:\\kav_gui\\planted_library\\tillio.dll", FALSE))
        << GetLastError();

    Utility utility;
    std::string error;
    ASSERT_TRUE(utility.start("planted_library", std::string(), &error)) << error;
    const HWND main = utility.wait_for_window(kavgui::kMainCaption);
    ASSERT_NE(main, nullptr) << "the main window did not appear";
    ASSERT_TRUE(utility.settle(main));
    const auto box = utility.find_message_box();
    EXPECT_FALSE(box) << ::testing::PrintToString(*box);
    ASSERT_TRUE(utility.choose_menu(main, {"&File", "&exit"}, &error)) << error;
    EXPECT_TRUE(utility.wait_for_exit());
}

// One interactive run, shared by the cases below in their order; each case
// leaves the main window without a message box for the next.
class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(kavgui::remove_service());
        ASSERT_EQ(kavgui::prepare_stopped_service(), 0u);
        utility_ = std::make_unique<Utility>();
        std::string error;
        // Empty: interactive use needs the file, not any key in it.
        ASSERT_TRUE(utility_->start("main_window", std::string(), &error)) << error;
        main_ = utility_->wait_for_window(kavgui::kMainCaption);
    }
    static void TearDownTestSuite()
    {
        utility_.reset();
        kavgui::remove_service();
    }

    void SetUp() override
    {
        ASSERT_TRUE(utility_ != nullptr && main_ != nullptr) << "the main window did not appear";
        ASSERT_TRUE(utility_->running());
    }
    void TearDown() override
    {
        // A box left by a failed case would block every later one.
        if (utility_->running()) {
            if (auto box = utility_->find_message_box()) kavgui::press_ok(*box);
        }
    }

    void choose(const std::vector<std::string>& path)
    {
        std::string error;
        ASSERT_TRUE(utility_->choose_menu(main_, path, &error)) << error;
    }
    std::optional<MessageBoxInfo> box_after(const std::vector<std::string>& path)
    {
        choose(path);
        return utility_->wait_for_message_box();
    }
    // The command has run to its end and left nothing on the screen.
    void expect_silent(const std::vector<std::string>& path)
    {
        choose(path);
        ASSERT_TRUE(utility_->settle(main_));
        const auto box = utility_->find_message_box();
        EXPECT_FALSE(box) << ::testing::PrintToString(*box);
    }

    static std::unique_ptr<Utility> utility_;
    static HWND main_;
    kavwine::TraceLog trace_;
};

std::unique_ptr<Utility> MainWindow::utility_;
HWND MainWindow::main_ = nullptr;

const std::vector<std::string> k8613{"&Action", "&DIO", "VOLX-8613"};
const std::vector<std::string> k9842{"&Action", "&DIO", "VOLX-9842"};
const std::vector<std::string> kThinClient{"&Action", "&DIO", "Pellor (x86)"};

std::vector<std::string> item(std::vector<std::string> board, const char* caption)
{
    board.push_back(caption);
    return board;
}

TEST_F(MainWindow, OpensWithAnEmptyAutoIni)
{
    note_service_prepared();
    EXPECT_TRUE(IsWindowVisible(main_));
    EXPECT_FALSE(utility_->find_message_box());
    EXPECT_EQ(kavgui::service_state(), DWORD(SERVICE_RUNNING));
    const std::string shot = kavgui::screenshot("main_window");
    EXPECT_FALSE(shot.empty()) << "no screenshot";
    std::printf("screenshot of the main window: %s\n", shot.c_str());
    RecordProperty("screenshot", shot);
}

// The menu as an outline: two blanks per level, "-" for a separator.
std::string outline(const std::string& menu_text)
{
    std::string out;
    std::istringstream lines(menu_text);
    for (std::string line; std::getline(lines, line);) {
        const size_t kind = line.rfind('\t');
        const size_t caption = line.rfind('\t', kind - 1);
        const size_t start = caption == std::string::npos ? 0 : caption + 1;
        const size_t depth = static_cast<size_t>(std::count(line.begin(), line.begin() + static_cast<long>(start), '\t'));
        const bool separator = line.compare(kind + 1, std::string::npos, "-") == 0;
        out += std::string(2 * depth, ' ') + (separator ? "-" : line.substr(start, kind - start)) + "\n";
    }
    return out;
}

std::string board_menu(const char* board, const char* status1, const char* status2)
{
    return std::string("    ") + board + "\n      Open Cash Drawer &1\n      " + status1 +
           "\n      -\n      Open Cash Drawer &2\n      " + status2 + "\n";
}

std::string expected_menu()
{
    std::string usb = "  &USB \n";
    for (int n = 1; n <= 8; ++n) {
        if (n > 1) usb += "    -\n";
        usb += "    Open Cash Drawer &" + std::to_string(n) + "\n    Status &" + std::to_string(n) + "\n";
    }
    return "&File\n  &exit\n&Action\n  &DIO\n" + board_menu("VOLX-9842", "&Status", "S&tatus") +
           board_menu("VOLX-9613", "&Status 1", "S&tatus 2") + board_menu("VOLX-9623", "&Status 1", "S&tatus 2") +
           board_menu("VOLX-8613", "&Status 1", "S&tatus 2") + board_menu("VOLX-8623", "&Status 1", "S&tatus 2") +
           board_menu("Pellor (x86)", "&Status 1", "S&tatus 2") + usb +
           "  &RS232\n    &Open and Status\n  USB to R&S232\n    &Open and Status\n"
           "&Settings\n  Thin Client/VOLX-8623 DIO &Address\n  &Loop Test\n&Help\n  &About\n";
}

TEST_F(MainWindow, MenuTreeHasEveryItemInItsPlace)
{
    EXPECT_EQ(outline(utility_->menu_text(main_)), expected_menu());
}

// Eight image buttons of 39 by 38 with eight icons, each with its tip and its
// image, asked of the window the way the tool tip control asks it.
TEST_F(MainWindow, ToolbarButtonsCarryTheirIconsAndToolTips)
{
    const std::string expected =
        "size\t39x38\ticons\t8\n"
        "1001\t0\tOpen Cash Drawer 1 for VOLX-9623\n"
        "1002\t1\tOpen Cash Drawer 2 for VOLX-9623\n"
        "1003\t2\tOpen Cash Drawer 1 for VOLX-9842\n"
        "1004\t3\tOpen Cash Drawer 2 for VOLX-9842\n"
        "1005\t6\tOpen Cash Drawer 1 for Thin Client(x86)\n"
        "1006\t7\tOpen Cash Drawer 2 for Thin Client(x86)\n"
        "1007\t4\tOpen USB Cash Drawer 1\n"
        "1008\t5\tOpen USB Cash Drawer 2\n";
    EXPECT_EQ(utility_->toolbar_text(main_), expected);
}

TEST_F(MainWindow, Volx8613OpenIsSilentAndStatusShowsTheDrawerOpen)
{
    const std::string opened = "simulated terminal: VOLX-8613 drawer 1 opened (port 0x408)";
    const size_t mark = trace_.mark();
    expect_silent(item(k8613, "Open Cash Drawer &1"));
    EXPECT_TRUE(kavwine::has_line(trace_.wait_for(mark, opened), opened));
    const auto box = box_after(item(k8613, "&Status 1"));
    EXPECT_TRUE(plain_box(box, "Cash Drawer 1 is Open", "Status"));
    if (box) {
        EXPECT_TRUE(kavgui::press_ok(*box));
    }
}

TEST_F(MainWindow, ThinClientDrawersUseTheAddressChosenInTheDioWindow)
{
    choose({"&Settings", "Thin Client/VOLX-8623 DIO &Address"});
    const HWND dio = utility_->wait_for_window(kDioWindowCaption);
    ASSERT_NE(dio, nullptr);
    const std::string shot = kavgui::screenshot("dio_window");
    EXPECT_FALSE(shot.empty()) << "no screenshot";
    std::printf("screenshot of the DIO address window: %s\n", shot.c_str());
    RecordProperty("screenshot", shot);
    // The closed drop-down list is as high as its font makes it.
    EXPECT_EQ(kavgui::layout_text(dio), "client\t271x161\n"
                                        "ComboBox\t\"0x280\"\t56,40 161x21\n"
                                        "Button\t\"&Cancel\"\t56,88 73x41\n"
                                        "Button\t\"&OK\"\t144,88 73x41\n"
                                        "Static\t\"DIO Address\"\t8,16 89x17\n");
    const HWND combo = kavgui::find_child(dio, "ComboBox");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(kavgui::combo_items(combo), (std::vector<std::string>{"0x280", "0x200", "0x220", "0x240", "0x260"}));
    EXPECT_EQ(kavgui::combo_shown(combo), "0x280");
    ASSERT_TRUE(kavgui::combo_choose(combo, "0x200"));
    ASSERT_TRUE(kavgui::click(kavgui::find_child(dio, "Button", "&OK")));
    ASSERT_TRUE(kavgui::wait_until([&] { return !IsWindow(dio); })) << "OK closes the window";

    const std::string opened = "simulated terminal: DIO drawer 1 opened (port 0x200)";
    const size_t mark = trace_.mark();
    expect_silent(item(kThinClient, "Open Cash Drawer &1"));
    EXPECT_TRUE(kavwine::has_line(trace_.wait_for(mark, opened), opened)) << "the menu command";
    // Toolbar button 5 is the same command.
    std::string error;
    ASSERT_TRUE(utility_->click_toolbar_button(main_, 5, &error)) << error;
    ASSERT_TRUE(utility_->settle(main_));
    const std::string lines = trace_.wait_for(mark, opened, 2);
    const size_t first = lines.find(opened);
    EXPECT_NE(lines.find(opened, first + 1), std::string::npos) << "toolbar button 5; trace:\n" << lines;
    EXPECT_FALSE(kavwine::has_line_starting(lines, "simulated terminal: DIO drawer 1 opened (port 0x280)"));
}

// No USB drawer here: Wine's own HID devices take the numbers and refuse
// the request, and toolbar buttons 7 and 8 say so as their menu items do.
TEST_F(MainWindow, WithoutAUsbDrawerToolbarButtons7And8FailAsTheirMenuItemsDo)
{
    const std::vector<std::string> usb{"&Action", "&USB "};
    const struct {
        int button;
        const char* item;
        const char* message;
    } cases[] = {
        {7, "Open Cash Drawer &1", "Open USB Cash Drawer 1 Failed"},
        {8, "Open Cash Drawer &2", "Open USB Cash Drawer 2 Failed"},
    };
    for (const auto& c : cases) {
        auto box = box_after(item(usb, c.item));
        EXPECT_TRUE(plain_box(box, c.message, "Error")) << c.item;
        if (box) {
            EXPECT_TRUE(kavgui::press_ok(*box));
        }
        std::string error;
        ASSERT_TRUE(utility_->click_toolbar_button(main_, c.button, &error)) << error;
        box = utility_->wait_for_message_box();
        EXPECT_TRUE(plain_box(box, c.message, "Error")) << "toolbar button " << c.button;
        if (box) {
            EXPECT_TRUE(kavgui::press_ok(*box));
        }
    }
}

TEST_F(MainWindow, WithTheDriverStoppedFullStatusReportsAndShortStatusIsSilent)
{
    ASSERT_EQ(kavwine::stop_service(kavwine::kServiceName), 0u);
    const auto box = box_after(item(k8613, "&Status 1"));
    EXPECT_TRUE(plain_box(box, "Create File Failed", "Error"));
    if (box) {
        EXPECT_TRUE(kavgui::press_ok(*box));
    }
    expect_silent(item(k9842, "&Status"));
    // Running again, so that exit has a service to stop and delete.
    EXPECT_EQ(kavwine::start_service(kavwine::kServiceName), 0u);
    EXPECT_EQ(kavwine::wait_for_dos_device(kavwine::kServiceName), 0u);
}

TEST_F(MainWindow, ExitEndsTheProgramAndRemovesTheService)
{
    choose({"&File", "&exit"});
    EXPECT_TRUE(utility_->wait_for_exit()) << "exit ends the utility";
    EXPECT_TRUE(kavgui::wait_until([] { return !kavgui::service_exists(); })) << "no KAV_cash service is left";
}

} // namespace
