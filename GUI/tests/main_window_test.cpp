// Start-up and closing of the main window, and its menu items that are not
// board commands.
#include "fakes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kav::gui {
namespace {

using testing::CallLog;
using testing::CashFixture;

const std::string kGetSystemDirectory = "GetSystemDirectoryA(80)";
const std::string kLoadLibrary = "LoadLibraryA(C:\\WINDOWS\\system32\\tillio.dll)";
const std::string kFreeLibrary = "FreeLibrary";
const std::string kOSVersion = "OSVersion";
const std::string kLoadService = "LoadService(KAV_cash,system32\\drivers\\KAV_cash.sys)";
const std::string kFileExists = "FileExists(C:\\KAV\\auto.ini)";
const std::string kReadAuto = "ini Application.auto";
const std::string kUnloadService = "UnloadService(KAV_cash,-1)";

std::string error(const std::string& text) { return "message(" + text + "|Error)"; }

struct StartupCase {
    const char* what;
    bool library_loads = true;
    int32_t free_result = 1;
    int32_t os_version = 2000;
    int32_t load_service_result = 0;
    bool ini_exists = true;
    std::optional<std::string> auto_value = {}; // nothing: key missing
    StartupOutcome outcome;
    CallLog calls;
};

TEST(FormCashStartup, RunsItsStepsInOrderAndLeavesByEachPath)
{
    const StartupCase cases[] = {
        {.what = "library missing: ends at once, no closing steps",
         .library_loads = false,
         .outcome = StartupOutcome::Ended,
         .calls = {kGetSystemDirectory, kLoadLibrary, error("tillio.dll Load Failed.")}},
        {.what = "library not freed: ends at once, no closing steps",
         .free_result = 0,
         .outcome = StartupOutcome::Ended,
         .calls = {kGetSystemDirectory, kLoadLibrary, kFreeLibrary, error("Free tillio.dllFailed.")}},
        {.what = "FreeLibrary's result is read as 16 bits",
         .free_result = 0x10000,
         .outcome = StartupOutcome::Ended,
         .calls = {kGetSystemDirectory, kLoadLibrary, kFreeLibrary, error("Free tillio.dllFailed.")}},
        {.what = "driver start fails (service already running): closes",
         .load_service_result = 1056,
         .outcome = StartupOutcome::Ended,
         .calls = {kGetSystemDirectory, kLoadLibrary, kFreeLibrary, kOSVersion, kLoadService,
                   error("Load Driver Failed"), kUnloadService}},
        {.what = "auto.ini missing: closes",
         .ini_exists = false,
         .outcome = StartupOutcome::Ended,
         .calls = {kGetSystemDirectory, kLoadLibrary, kFreeLibrary, kOSVersion, kLoadService, kFileExists,
                   error("auto.ini file not found"), kUnloadService}},
        {.what = "empty auto.ini: interactive",
         .outcome = StartupOutcome::Interactive,
         .calls = {kGetSystemDirectory, kLoadLibrary, kFreeLibrary, kOSVersion, kLoadService, kFileExists,
                   kReadAuto}},
        {.what = "Windows 98: no service, then as usual",
         .os_version = 98,
         .outcome = StartupOutcome::Interactive,
         .calls = {kGetSystemDirectory, kLoadLibrary, kFreeLibrary, kOSVersion, kFileExists, kReadAuto}},
        {.what = "auto.ini missing on Windows 98 still runs the closing call",
         .os_version = 98,
         .ini_exists = false,
         .outcome = StartupOutcome::Ended,
         .calls = {kGetSystemDirectory, kLoadLibrary, kFreeLibrary, kOSVersion, kFileExists,
                   error("auto.ini file not found"), kUnloadService}},
        {.what = "auto 0: interactive", .auto_value = "0", .outcome = StartupOutcome::Interactive,
         .calls = {kGetSystemDirectory, kLoadLibrary, kFreeLibrary, kOSVersion, kLoadService, kFileExists, kReadAuto}},
        {.what = "auto 1.0 is not 1", .auto_value = "1.0", .outcome = StartupOutcome::Interactive,
         .calls = {kGetSystemDirectory, kLoadLibrary, kFreeLibrary, kOSVersion, kLoadService, kFileExists, kReadAuto}},
    };
    for (const StartupCase& c : cases) {
        CashFixture f;
        f.module.DioBaseAddress = 0x200; // as chosen in an earlier run's window
        f.system.library_loads = c.library_loads;
        f.system.free_result = c.free_result;
        f.library.os_version = c.os_version;
        f.library.load_service_result = c.load_service_result;
        f.library.unload_service_result = 1062; // not started: ignored, never shown
        f.system.ini_exists = c.ini_exists;
        if (c.auto_value) f.system.set(kAutoKey, *c.auto_value);

        const StartupResult result = f.form.startup();
        EXPECT_EQ(result.outcome, c.outcome) << c.what;
        EXPECT_EQ(f.log, c.calls) << c.what;
        EXPECT_EQ(f.module.DioBaseAddress, 0x280) << c.what;
    }
}

TEST(FormCashStartup, ALibraryThatLacksAnExportEndsItAtOnceAfterTheCheck)
{
    using Status = drawers::LibraryLoad::Status;
    const std::pair<drawers::LibraryLoad, std::string> cases[] = {
        {{Status::MissingExport, "UsbCashDrawerStaus"}, error(kMissingExportMessage)},
        {{Status::NotLoaded, nullptr}, error("tillio.dll Load Failed.")},
    };
    for (const auto& [binding, message] : cases) {
        CashFixture f;
        f.system.binding = binding;
        EXPECT_EQ(f.form.startup().outcome, StartupOutcome::Ended) << message;
        // Bound after the library was checked; no call into it, no closing steps.
        EXPECT_EQ(f.log, (CallLog{kGetSystemDirectory, kLoadLibrary, kFreeLibrary, message}));
    }
}

TEST(FormCashStartup, KeepsOnlyTheSystemDirectoryLengthReported)
{
    CashFixture f;
    f.system.system_dir = "D:\\WINNT\\System32";
    f.form.startup();
    ASSERT_GE(f.log.size(), 2u);
    EXPECT_EQ(f.log[1], "LoadLibraryA(D:\\WINNT\\System32\\tillio.dll)");
}

// Unattended start: every row starts from four valid values and changes one.
struct UnattendedCase {
    const char* what;
    IniKey key;
    std::optional<std::string> value; // nothing: key missing
    int error;                        // 0: all four pass
};

TEST(FormCashStartup, UnattendedChecksTheFourValuesInOrder)
{
    const UnattendedCase cases[] = {
        {"board missing reads Default", kBoardKey, std::nullopt, 1},
        {"board in lower case", kBoardKey, "volx-8613", 1},
        {"board with blanks around", kBoardKey, "  VOLX-8613 ", 0},
        {"board USB to RS232", kBoardKey, "USB to RS232 Cash Drawer", 0},
        {"loop type in lower case", kLoopTypeKey, "count", 2},
        {"loop type missing", kLoopTypeKey, std::nullopt, 2},
        {"loop type Time", kLoopTypeKey, "Time", 0},
        {"interval 10", kIntervalKey, "10", 0},
        {"interval 1", kIntervalKey, "1", 0},
        {"interval 10.5", kIntervalKey, "10.5", 3},
        {"interval 0.9", kIntervalKey, "0.9", 3},
        {"interval of letters", kIntervalKey, "abc", 3},
        {"interval missing", kIntervalKey, std::nullopt, 3},
        {"interval 2.5 passes as text", kIntervalKey, "2.5", 0},
        {"interval 3 and a word passes as text", kIntervalKey, "3 seconds", 0},
        {"interval &HA is 10", kIntervalKey, "&HA", 0},
        {"interval 1E1 is 10", kIntervalKey, "1E1", 0},
        {"count 0", kCountTimeKey, "0", 4},
        {"count empty", kCountTimeKey, "", 4},
        {"count of blanks", kCountTimeKey, "   ", 4},
        {"count missing reads Default, 0", kCountTimeKey, std::nullopt, 4},
        {"count 0.0", kCountTimeKey, "0.0", 4},
        {"count 5x passes unchanged", kCountTimeKey, "5x", 0},
        {"count -3 is not 0", kCountTimeKey, "-3", 0},
    };
    const IniKey order[] = {kBoardKey, kLoopTypeKey, kIntervalKey, kCountTimeKey};

    for (const UnattendedCase& c : cases) {
        CashFixture f;
        f.system.set(kAutoKey, " 1 ");
        f.system.set(kBoardKey, "VOLX-8613");
        f.system.set(kLoopTypeKey, "Count");
        f.system.set(kIntervalKey, "2");
        f.system.set(kCountTimeKey, "5");
        if (c.value) f.system.set(c.key, *c.value);
        else f.system.erase(c.key);

        const StartupResult result = f.form.startup();
        if (c.error == 0) {
            EXPECT_EQ(result.outcome, StartupOutcome::Unattended) << c.what;
            UnattendedSettings expected{"VOLX-8613", "Count", "2", "5"};
            std::string trimmed = c.value.value_or("");
            trimmed.erase(0, trimmed.find_first_not_of(' '));
            trimmed.erase(trimmed.find_last_not_of(' ') + 1);
            if (c.key.key == kBoardKey.key) expected.MB = trimmed;
            if (c.key.key == kLoopTypeKey.key) expected.LT = trimmed;
            if (c.key.key == kIntervalKey.key) expected.Interval = trimmed;
            if (c.key.key == kCountTimeKey.key) expected.Count_Time = trimmed;
            EXPECT_EQ(result.settings, expected) << c.what;
            EXPECT_EQ(f.log.back(), "ini Edit Box.Count_Time") << c.what << ": no message, no closing";
        } else {
            // The failing value is the last one read; its message, then closing.
            EXPECT_EQ(result.outcome, StartupOutcome::Ended) << c.what;
            const IniKey failing = order[c.error - 1];
            const CallLog tail{std::string("ini ") + failing.section + "." + failing.key,
                               error("auto.ini Error " + std::to_string(c.error)), kUnloadService};
            ASSERT_GE(f.log.size(), tail.size());
            EXPECT_EQ(CallLog(f.log.end() - 3, f.log.end()), tail) << c.what;
        }
    }
}

TEST(FormCashStartup, EveryBoardTextPassesTheBoardCheck)
{
    for (const char* board : {"VOLX-9842", "VOLX-9613", "VOLX-9623", "VOLX-8613", "VOLX-8623", "Pellor (x86)",
                              "USB Cash Drawer", "RS232 Cash Drawer", "USB to RS232 Cash Drawer"}) {
        CashFixture f;
        f.system.set(kAutoKey, "1");
        f.system.set(kBoardKey, board);
        f.system.set(kLoopTypeKey, "Time");
        f.system.set(kIntervalKey, "7");
        f.system.set(kCountTimeKey, "1");
        const StartupResult result = f.form.startup();
        EXPECT_EQ(result.outcome, StartupOutcome::Unattended) << board;
        EXPECT_EQ(result.settings.MB, board);
    }
}

TEST(FormCashClosing, AnUnattendedStartShowsTheLoopTestThenRunsTheClosingSteps)
{
    CashFixture f;
    f.system.set(kAutoKey, "1");
    f.system.set(kBoardKey, "VOLX-8613");
    f.system.set(kLoopTypeKey, "Count");
    f.system.set(kIntervalKey, "1");
    f.system.set(kCountTimeKey, "3");
    ASSERT_EQ(f.form.startup().outcome, StartupOutcome::Unattended);
    f.log.clear();
    f.form.RunAutoLoopTest();
    EXPECT_EQ(f.log, (CallLog{"show_loop_test", kUnloadService}));
}

TEST(FormCashClosing, ExitStopsTheServiceItselfThenClosesTheWindow)
{
    CashFixture f;
    ASSERT_EQ(f.form.startup().outcome, StartupOutcome::Interactive);
    f.log.clear();
    f.library.unload_service_result = 1062; // the second call finds nothing: not shown
    f.form.on_command(Command::exit);
    EXPECT_EQ(f.log, (CallLog{kUnloadService, kUnloadService, "end_program"}));
}

TEST(FormCashClosing, CloseBoxRunsTheClosingStepsOnce)
{
    CashFixture f;
    f.library.os_version = 98; // no service: the closing call fails silently
    f.library.unload_service_result = 1060;
    ASSERT_EQ(f.form.startup().outcome, StartupOutcome::Interactive);
    f.log.clear();
    f.form.on_close_box();
    EXPECT_EQ(f.log, (CallLog{kUnloadService, "end_program"}));
}

TEST(FormCashClosing, AStartUpThatClosedDoesNotCloseAgain)
{
    CashFixture f;
    f.system.ini_exists = false;
    ASSERT_EQ(f.form.startup().outcome, StartupOutcome::Ended);
    EXPECT_EQ(f.log.back(), kUnloadService) << "start-up ran the closing steps";
    f.log.clear();
    f.form.on_close_box();
    EXPECT_EQ(f.log, CallLog{"end_program"});
}

TEST(FormCashMenu, OpensItsWindowsAndIgnoresIdsOfNoItem)
{
    CashFixture f;
    f.form.on_command(Command::ThinClientDIOAddress);
    EXPECT_EQ(f.log, CallLog{"show_dio_address_window"});
    f.log.clear();
    f.form.on_command(Command::RS232CashDrawerOpenStatus);
    EXPECT_EQ(f.log, CallLog{"show_rs232_window"});
    f.log.clear();
    f.form.on_command(Command::USB2RS232OpenStatus);
    EXPECT_EQ(f.log, CallLog{"show_usb2rs232_window"});
    f.log.clear();
    f.form.on_command(Command::Looptest);
    EXPECT_EQ(f.log, CallLog{"show_loop_test"});
    f.log.clear();
    f.form.on_command(Command::About);
    EXPECT_EQ(f.log, CallLog{"show_about"});

    // Ids that are no item, just outside the USB menu among them, call
    // nothing and show nothing.
    const Command idle[] = {Command::None,
                            static_cast<Command>(static_cast<int>(Command::UsbOpenCashDrawer) - 1),
                            static_cast<Command>(static_cast<int>(Command::GetUsbCashDrawerStatus8) + 1),
                            static_cast<Command>(9999)};
    for (const Command command : idle) {
        f.log.clear();
        f.form.on_command(command);
        EXPECT_EQ(f.log, CallLog{}) << static_cast<int>(command);
    }
}

} // namespace
} // namespace kav::gui
