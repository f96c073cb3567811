#include "loop_test_window.h"

#include "fakes.h"
#include "memory_log_sink.h"
#include "serial_fakes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kav::gui {
namespace {

using testing::CallLog;
using testing::FakeLibrary;
using testing::FakeSerialLine;
using testing::FakeSystem;
using C = SettingControl;

// The settings window as the user sees it, and every modal step it took.
class FakeSettingView final : public SettingView {
public:
    explicit FakeSettingView(CallLog& log) : log_(log) {}

    std::map<C, std::string> texts;
    std::map<C, std::vector<std::string>> items;
    std::set<C> disabled;
    std::vector<std::string> list;
    int selected = -1;
    int timer_ms = 0; // 0: off
    bool pass_answer = true;
    // Run while a message box is up, as a timer tick arriving then would.
    std::function<void()> during_message;

    void add_item(C combo, const std::string& text) override { items[combo].push_back(text); }
    std::string text(C control) const override
    {
        const auto found = texts.find(control);
        return found == texts.end() ? "" : found->second;
    }
    void set_text(C control, const std::string& text) override { texts[control] = text; }
    void enable(C control, bool enabled) override
    {
        if (enabled) disabled.erase(control);
        else disabled.insert(control);
    }
    void list_add(const std::string& line) override { list.push_back(line); }
    void list_remove_first(int lines) override { list.erase(list.begin(), list.begin() + lines); }
    void list_clear() override { list.clear(); }
    void list_select(int index) override
    {
        ASSERT_GE(index, 0);
        ASSERT_LT(index, static_cast<int>(list.size()));
        ASSERT_LE(index, 32767) << "a 16-bit line number";
        selected = index;
    }
    void start_timer(int32_t period_ms) override
    {
        log_.push_back("start_timer(" + std::to_string(period_ms) + ")");
        timer_ms = period_ms;
    }
    void stop_timer() override { timer_ms = 0; }
    void show_running_notice() override { log_.push_back("frmRun"); }
    bool ask_running_normally() override
    {
        log_.push_back("ask(Running normally ?|Status)");
        return pass_answer;
    }
    void show_result(bool pass) override { log_.push_back(pass ? "frmShowPass" : "frmShowFail"); }
    void message(const std::string& text, const std::string& title) override
    {
        log_.push_back("message(" + text + "|" + title + ")");
        if (during_message) during_message();
    }
    void close_window() override { log_.push_back("close_window"); }
    void end_program() override { log_.push_back("end_program"); }

private:
    CallLog& log_;
};

struct SettingFixture {
    CallLog log;
    FakeSystem system{log};
    FakeLibrary library;
    FakeSettingView view{log};
    FakeSerialLine line1{log, "MSComm"};
    FakeSerialLine line2{log, "MSComm2"};
    SerialPort comm1{line1, line1};
    SerialPort comm2{line2, line2};
    drawers::testing::MemoryLogSink sink{"2026-12-10 05:55:01"};
    drawers::RunLog run_log{sink};
    ProgramState module;
    FormSetting form{module, system, view, comm1, comm2, run_log};

    SettingFixture() { module.library = library.bind(log); }

    // Loads attended, with the settings a user would pick, and presses OK.
    void start(const std::string& board, const std::string& type, const std::string& interval,
               const std::string& amount)
    {
        form.load();
        view.texts[C::ComboMB] = board;
        view.texts[C::ComboLT] = type;
        view.texts[C::ComboInterval] = interval;
        view.texts[C::txtnumtime] = amount;
        form.cmdOK_Click();
        log.clear();
    }
    // Only the calls a test is about: no ini reads or file checks.
    CallLog shown() const
    {
        CallLog kept;
        for (const std::string& call : log)
            if (call.rfind("ini ", 0) != 0 && call.rfind("FileExists", 0) != 0) kept.push_back(call);
        return kept;
    }
};

TEST(FormSetting, OkTurnsTheTextsIntoATimerPeriodAndLoopTotal)
{
    struct Case {
        const char* type;
        const char* interval;
        const char* amount;
        int32_t period;
        int32_t total;
    };
    const Case cases[] = {
        {"Count", "2", "5", 2000, 5},   {"Count", "1", "2.5", 1000, 2}, {"Count", "1", "3.5", 1000, 4},
        {"Time", "7", "1", 7000, 9},    {"Time", "10", "0.05", 10000, 0}, {"Count", "1", "12abc", 1000, 12},
        {"Count", "1", "abc", 1000, 0}, {"Time", "2.5", "1", 2500, 24},
    };
    for (const Case& c : cases) {
        const std::optional<drawers::RunPlan> plan = drawers::plan_run(c.type, c.interval, c.amount);
        ASSERT_TRUE(plan.has_value()) << c.interval << " / " << c.amount;
        EXPECT_EQ(plan->period_ms, c.period) << c.interval << " / " << c.amount;
        EXPECT_EQ(plan->total, c.total) << c.interval << " / " << c.amount;
    }
    // A period below a millisecond or past 32 bits, a total past 32 bits.
    const Case refused[] = {
        {"Count", "0", "5", 0, 0},      {"Time", "0", "5", 0, 0},          {"Count", "abc", "5", 0, 0},
        {"Count", "-1", "5", 0, 0},     {"Count", "0.0004", "5", 0, 0},    {"Count", "2147484", "5", 0, 0},
        {"Count", "1", "3e9", 0, 0},    {"Time", "0.001", "1e9", 0, 0},
    };
    for (const Case& c : refused) EXPECT_FALSE(drawers::plan_run(c.type, c.interval, c.amount).has_value()) << c.interval << " / " << c.amount;
}

TEST(FormSetting, OkStartsARunOnlyFromAFilledAndSoundForm)
{
    {
        SettingFixture f;
        f.form.load();
        f.view.list = {"a line of an earlier run"};
        f.view.texts[C::ComboMB] = "VOLX-8613";
        f.view.texts[C::ComboInterval] = "2";
        f.view.texts[C::txtnumtime] = "3";
        f.log.clear();
        f.form.cmdOK_Click();
        EXPECT_EQ(f.shown(), (CallLog{"frmRun", "start_timer(2000)"}));
        EXPECT_TRUE(f.view.list.empty());
        EXPECT_EQ(f.form.LoopTotal(), 3);
        EXPECT_EQ(f.view.disabled, (std::set<C>{C::cmdOK, C::txtnumtime, C::ComboMB, C::ComboLT, C::ComboInterval}));
        EXPECT_EQ(f.sink.lines.back(), "2026-12-10 05:55:01 run started: VOLX-8613, Count, interval 2 sec, count 3");
    }
    for (const char* key : {"ok", "enter"}) {
        SettingFixture f;
        f.form.load();
        f.log.clear();
        if (key == std::string("ok")) f.form.cmdOK_Click();
        else EXPECT_TRUE(f.form.txtnumtime_KeyPress(13));
        EXPECT_EQ(f.shown(), CallLog{"message(Please keyin figure in the edit box|Error)"}) << key;
        EXPECT_TRUE(f.view.disabled.empty());
        EXPECT_EQ(f.view.timer_ms, 0);
    }
    {
        SettingFixture f;
        f.form.load();
        f.view.texts[C::txtnumtime] = "5";
        f.view.texts[C::ComboInterval] = "0";
        f.log.clear();
        EXPECT_FALSE(f.form.txtnumtime_KeyPress('a'));
        f.form.cmdOK_Click();
        EXPECT_EQ(f.shown(), CallLog{"message(Keyin Error|Error)"}) << "nothing starts on a refused interval";
        EXPECT_TRUE(f.view.disabled.empty());
        EXPECT_TRUE(f.sink.lines.empty());
    }
}

TEST(FormSetting, LoadingFillsTheListsAndTheLoopTypeSetsItsLabels)
{
    SettingFixture f;
    f.system.set(kAutoKey, "0");
    f.form.load();
    EXPECT_EQ(f.view.items[C::ComboMB],
              (std::vector<std::string>{"VOLX-9842", "VOLX-9613", "VOLX-9623", "VOLX-8613", "VOLX-8623", "Pellor (x86)",
                                        "USB Cash Drawer", "RS232 Cash Drawer", "USB to RS232 Cash Drawer"}));
    EXPECT_EQ(f.view.items[C::ComboLT], (std::vector<std::string>{"Count", "Time"}));
    EXPECT_EQ(f.view.items[C::ComboInterval].size(), 10u);
    EXPECT_EQ(f.view.text(C::ComboMB), "VOLX-9842");
    EXPECT_EQ(f.view.text(C::ComboInterval), "1");
    EXPECT_EQ(f.view.text(C::Lab_counttime), "Count") << "auto 0 sets the labels";
    EXPECT_EQ(f.view.text(C::Labmin), "");

    f.view.texts[C::ComboLT] = "Time";
    f.form.ComboLT_Click();
    EXPECT_EQ(f.view.text(C::Lab_counttime), "Time");
    EXPECT_EQ(f.view.text(C::Labmin), "(minutes)");
    f.view.texts[C::ComboLT] = "Count";
    f.form.ComboLT_Click();
    EXPECT_EQ(f.view.text(C::Lab_counttime), "Count");
    EXPECT_EQ(f.view.text(C::Labmin), "");

    SettingFixture missing;
    missing.form.load();
    EXPECT_EQ(missing.view.text(C::Lab_counttime), "") << "no auto key: both labels stay empty";
    EXPECT_EQ(missing.view.text(C::Labmin), "");
}

TEST(FormSetting, UnattendedLoadingCopiesAutoIniAndStartsTheRun)
{
    SettingFixture f;
    f.system.set(kAutoKey, "1");
    f.system.set(kBoardKey, "VOLX-8613");
    f.system.set(kLoopTypeKey, "Time");
    f.system.set(kIntervalKey, "2");
    f.system.set(kCountTimeKey, "1");
    f.form.load();
    EXPECT_EQ(f.view.text(C::ComboMB), "VOLX-8613");
    EXPECT_EQ(f.view.text(C::txtnumtime), "1");
    EXPECT_EQ(f.shown(), (CallLog{"frmRun", "start_timer(2000)"}));
    EXPECT_EQ(f.form.LoopTotal(), 30);
    EXPECT_EQ(f.view.text(C::Labmin), "(minutes)");
}

TEST(FormSetting, EachTickOpensDrawerOneOfTheBoard)
{
    const std::pair<const char*, const char*> boards[] = {
        {"VOLX-9842", "DeviceControl(\\\\.\\KAV_cash,26)"}, {"VOLX-9613", "DeviceControl(\\\\.\\KAV_cash,30)"},
        {"VOLX-9623", "DeviceControl(\\\\.\\KAV_cash,10)"}, {"VOLX-8613", "DeviceControl(\\\\.\\KAV_cash,12)"},
        {"VOLX-8623", "DeviceControl(\\\\.\\KAV_cash,660)"}, {"Pellor (x86)", "DeviceControl(\\\\.\\KAV_cash,656)"},
        {"USB Cash Drawer", "UsbCashDrawer(1)"},
    };
    for (const auto& [board, call] : boards) {
        SettingFixture f;
        f.start(board, "Count", "1", "2");
        f.form.Timer_Timer();
        EXPECT_EQ(f.shown(), CallLog{call}) << board;
        EXPECT_EQ(f.view.list.size(), 6u) << board;
    }
    SettingFixture f;
    f.module.DioBaseAddress = 0x200;
    f.start("Pellor (x86)", "Count", "1", "2");
    f.form.Timer_Timer();
    EXPECT_EQ(f.shown(), CallLog{"DeviceControl(\\\\.\\KAV_cash,528)"}) << "the address at the moment of the tick";
}

TEST(FormSetting, ARunOfThreeTicksListsEighteenLinesAndEnds)
{
    SettingFixture f;
    f.start("VOLX-8613", "Count", "1", "3");
    for (int i = 0; i < 3; ++i) f.form.Timer_Timer();
    ASSERT_EQ(f.view.list.size(), 18u);
    EXPECT_EQ(f.view.selected, 16);
    EXPECT_EQ(std::vector<std::string>(f.view.list.begin(), f.view.list.begin() + 6),
              (std::vector<std::string>{"MB Type: VOLX-8613", "Loop Type: Count", "Interval: 1 sec", "Test Count: 3",
                                        "Current:  1", ""}));
    EXPECT_EQ(f.view.list[16], "Current:  3");
    EXPECT_EQ(f.view.timer_ms, 0);
    EXPECT_TRUE(f.view.disabled.empty()) << "the settings are enabled again";
    EXPECT_EQ(f.form.LoopCount(), 0);
    EXPECT_EQ(f.sink.lines, (std::vector<std::string>{
                                "2026-12-10 05:55:01 run started: VOLX-8613, Count, interval 1 sec, count 3",
                                "2026-12-10 05:55:01 tick 1: VOLX-8613, DeviceControl(12) = 0",
                                "2026-12-10 05:55:01 tick 2: VOLX-8613, DeviceControl(12) = 0",
                                "2026-12-10 05:55:01 tick 3: VOLX-8613, DeviceControl(12) = 0",
                                "2026-12-10 05:55:01 run ended: completed"}));

    SettingFixture time;
    time.start("VOLX-8613", "Time", "10", "0.05");
    time.form.Timer_Timer();
    EXPECT_EQ(time.shown(), CallLog{"message(Keyin Error|Error)"}) << "a total of 0 opens nothing";
    EXPECT_EQ(time.view.text(C::txtnumtime), "");
    EXPECT_TRUE(time.view.list.empty());
    EXPECT_TRUE(time.view.disabled.empty());
    EXPECT_EQ(time.sink.lines.back(), "2026-12-10 05:55:01 run ended: Keyin Error");
}

TEST(FormSetting, AFailedDrawerCallStopsTheRunAndClosesTheWindow)
{
    const std::pair<int32_t, const char*> driver[] = {
        {-1, "Create File Failed"}, {-2, "Device Control Failed"}, {-3, "Device Control ID not Defined"}};
    for (const auto& [result, text] : driver) {
        SettingFixture f;
        f.start("VOLX-9623", "Count", "1", "3");
        f.form.Timer_Timer();
        f.library.drawer_result = result;
        f.log.clear();
        f.form.Timer_Timer();
        EXPECT_EQ(f.shown(), (CallLog{"DeviceControl(\\\\.\\KAV_cash,10)", "message(" + std::string(text) + "|Error)",
                                      "close_window"}));
        EXPECT_TRUE(f.view.list.empty());
        EXPECT_EQ(f.view.timer_ms, 0);
        EXPECT_EQ(f.form.LoopCount(), 0);
        EXPECT_EQ(f.sink.lines.back(), "2026-12-10 05:55:01 run ended: " + std::string(text));
        f.form.Timer_Timer();
        EXPECT_EQ(f.log.back(), "close_window") << "no tick after the window closed";
    }
    SettingFixture f;
    f.library.usb_open_result = 0;
    f.start("USB Cash Drawer", "Count", "1", "3");
    f.form.Timer_Timer();
    EXPECT_EQ(f.shown(), (CallLog{"UsbCashDrawer(1)", "message(Open USB Cash Drawer Failed|Error)", "close_window"}));
}

TEST(FormSetting, ATickArrivingWhileAMessageIsUpIsDropped)
{
    SettingFixture f;
    f.library.drawer_result = -1;
    f.start("VOLX-8613", "Count", "1", "3");
    int nested = 0;
    f.view.during_message = [&] {
        ++nested;
        f.form.Timer_Timer();
    };
    f.form.Timer_Timer();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(f.shown(), (CallLog{"DeviceControl(\\\\.\\KAV_cash,12)", "message(Create File Failed|Error)", "close_window"}));
}

TEST(FormSetting, SerialTicksScanTheControllersAndFireThem)
{
    struct Case {
        const char* what;
        std::set<int> ports;
        CallLog fired;
    };
    const Case cases[] = {
        {"ports 2 and 5", {2, 5},
         {"MSComm.open(COM2)", "MSComm.watch", "MSComm.write(U)", "MSComm2.open(COM5)", "MSComm2.watch",
          "MSComm2.write(U)"}},
        {"only port 3", {3}, {"MSComm.open(COM3)", "MSComm.watch", "MSComm.write(U)"}},
        {"three: the first and the last", {1, 4, 6},
         {"MSComm.open(COM1)", "MSComm.watch", "MSComm.write(U)", "MSComm2.open(COM6)", "MSComm2.watch",
          "MSComm2.write(U)"}},
    };
    for (const Case& c : cases) {
        SettingFixture f;
        std::vector<int> checked;
        f.module.library.CheckRS232Controller = [&](int32_t port) {
            checked.push_back(port);
            return c.ports.count(port) ? 0 : -1;
        };
        f.start("RS232 Cash Drawer", "Count", "1", "2");
        f.form.Timer_Timer();
        EXPECT_EQ(f.shown(), c.fired) << c.what;
        EXPECT_EQ(f.form.RS232Count(), static_cast<int32_t>(c.ports.size())) << c.what;
        EXPECT_EQ(f.view.list.size(), 6u) << c.what;
        if (c.ports == std::set<int>{2, 5}) {
            EXPECT_EQ(checked, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5})) << c.what;
        }
        // The next tick closes both ports before it scans again.
        f.log.clear();
        f.form.Timer_Timer();
        ASSERT_FALSE(f.log.empty());
        EXPECT_EQ(f.log.front(), "MSComm.join") << c.what;
    }

    SettingFixture none;
    none.module.library.CheckRS232Controller = [](int32_t) { return -1; };
    none.start("RS232 Cash Drawer", "Count", "1", "2");
    none.form.Timer_Timer();
    EXPECT_EQ(none.shown(), (CallLog{"message(No RS232 Controller Found or broken|Error)", "close_window"}));

    // Counted twice, gone at the opening pass: the trailing blank.
    SettingFixture gone;
    int calls = 0;
    gone.module.library.CheckRS232Controller = [&](int32_t port) { return ++calls <= 8 && (port == 2 || port == 5) ? 0 : -1; };
    gone.start("RS232 Cash Drawer", "Count", "1", "2");
    gone.form.Timer_Timer();
    EXPECT_EQ(gone.shown(), (CallLog{"message(No RS232 Controller found or broken |Error)", "close_window"}));
    EXPECT_EQ(gone.form.RS232Count(), 0);
}

TEST(FormSetting, AdapterTicksFireTheFirstAndLastAdapterPort)
{
    SettingFixture f;
    f.module.library.EnumUsbToComNum = [](char* list) {
        std::strcpy(list, "COM9 COM4 ");
        return 2;
    };
    f.module.library.GetUsbToComToken = [](char* list, char* token) {
        std::string rest(list);
        std::strcpy(token, rest.substr(0, rest.find(' ')).c_str());
        std::strcpy(list, rest.substr(rest.find(' ') + 1).c_str());
        return 0;
    };
    f.module.library.StringTrim = [](char* text, const char*) {
        std::string s(text);
        std::strcpy(text, s.substr(3).c_str());
        return 1;
    };
    f.start("USB to RS232 Cash Drawer", "Count", "1", "2");
    f.form.Timer_Timer();
    EXPECT_EQ(f.shown(), (CallLog{"MSComm.open(COM9)", "MSComm.watch", "MSComm.write(U)", "MSComm2.open(COM4)",
                                  "MSComm2.watch", "MSComm2.write(U)"}));
    EXPECT_EQ(f.sink.lines.back(), "2026-12-10 05:55:01 tick 1: USB to RS232 Cash Drawer, COM9 U, COM4 U");

    SettingFixture none;
    none.module.library.EnumUsbToComNum = [](char*) { return -10; };
    none.start("USB to RS232 Cash Drawer", "Count", "1", "2");
    none.form.Timer_Timer();
    EXPECT_EQ(none.shown(), (CallLog{"message(USB to COM Controller not found|Error)", "close_window"}));
}

TEST(FormSetting, TheEndOfARunAsksReportsAndClosesAsAutoIniSays)
{
    struct Case {
        const char* what;
        bool ini_exists;
        const char* mode;
        const char* run;
        bool pass;
        CallLog shown;
        const char* ended;
    };
    const Case cases[] = {
        {"attended, no question", true, "0", "0", true, {"DeviceControl(\\\\.\\KAV_cash,12)"}, "completed"},
        {"attended, Yes", true, "0", "1", true,
         {"DeviceControl(\\\\.\\KAV_cash,12)", "ask(Running normally ?|Status)", "frmShowPass"}, "PASS"},
        {"unattended, No", true, "1", "1", false,
         {"DeviceControl(\\\\.\\KAV_cash,12)", "ask(Running normally ?|Status)", "frmShowFail", "close_window"},
         "FAIL"},
        {"unattended, no question", true, "1", "Default", true,
         {"DeviceControl(\\\\.\\KAV_cash,12)", "close_window"}, "completed"},
        {"auto.ini gone", false, "1", "1", true,
         {"DeviceControl(\\\\.\\KAV_cash,12)", "message(auto.ini file not found|Error)", "close_window",
          "end_program"},
         "auto.ini file not found"},
    };
    for (const Case& c : cases) {
        SettingFixture f;
        f.start("VOLX-8613", "Count", "1", "1");
        f.system.set(kAutoKey, c.mode);
        f.system.set(kShowPassFailKey, c.run);
        f.system.ini_exists = c.ini_exists;
        f.view.pass_answer = c.pass;
        f.form.Timer_Timer();
        EXPECT_EQ(f.shown(), c.shown) << c.what;
        EXPECT_EQ(f.view.list.size(), 6u) << c.what << ": the list stays";
        EXPECT_EQ(f.sink.lines.back(), "2026-12-10 05:55:01 run ended: " + std::string(c.ended)) << c.what;
    }
}

TEST(FormSetting, ClosingStopsTheRunAndLogsItCancelled)
{
    SettingFixture f;
    f.start("RS232 Cash Drawer", "Count", "1", "5");
    f.module.library.CheckRS232Controller = [](int32_t port) { return port == 3 ? 0 : -1; };
    f.form.Timer_Timer();
    f.log.clear();
    f.form.cmdCancel_Click();
    EXPECT_EQ(f.shown(), (CallLog{"MSComm.join", "MSComm.close", "close_window"}));
    EXPECT_EQ(f.view.timer_ms, 0);
    EXPECT_EQ(f.form.LoopCount(), 0);
    EXPECT_EQ(f.sink.lines.back(), "2026-12-10 05:55:01 run ended: cancelled");
    f.form.closing(); // the window's own close after Cancel
    EXPECT_EQ(f.sink.lines.size(), 3u) << "one end per run";
}

TEST(FormSetting, ALongRunKeepsTheLatestTicksLines)
{
    SettingFixture f;
    f.start("VOLX-8613", "Count", "1", "6000");
    for (int tick = 1; tick <= kTicksKept + 1; ++tick) f.form.Timer_Timer();
    ASSERT_EQ(f.view.list.size(), static_cast<size_t>(kTicksKept * kLinesPerTick));
    EXPECT_EQ(f.view.list.front(), "MB Type: VOLX-8613");
    EXPECT_EQ(f.view.list[4], "Current:  2") << "tick 1's lines went";
    EXPECT_EQ(f.view.selected, (kTicksKept - 1) * kLinesPerTick + 4);
    EXPECT_EQ(f.view.list[static_cast<size_t>(f.view.selected)], "Current:  5462");
}

} // namespace
} // namespace kav::gui
