// kavdrawer.exe on the simulated terminal (the emulation driver: board
// drawers spring open on a pulse and close 3 s later) and on the simulated
// peripherals of KAV_sim.sys (CMakeLists.txt): serial drawers on COM3 and
// COM5, a drawer on a USB-to-RS232 adapter's COM7, receipt printers on COM6
// (9600 baud, its drawer on pin 2, open while pin 3 is high) and COM8 (19200
// baud, its drawer on pin 5, open while pin 3 is low), and two HID devices, a
// drawer (usb:1) and one that answers no drawer request (usb:2); each drawer
// closes 4 s after a pulse. The tool runs as a separate process, as a script
// runs it: exit codes, standard output and error, JSON read back.
#include "run_tool.h"
#include "wine_service_control.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

using kavcli::json_text;
using kavcli::parse_json_object;
using kavcli::run_tool;
using kavcli::ToolRun;

constexpr DWORD kBoardCloseMs = 3000;
constexpr DWORD kSimCloseMs = 4000; // SIM_CLOSE_MS in CMakeLists.txt
constexpr const char* kSimService = "KAV_sim";

enum Exit : DWORD { kOk = 0, kClosed = 1, kUsage = 2, kNoSuchDrawer = 3, kNotReachable = 4, kTimedOut = 6 };

std::string describe(const std::string& arguments, const ToolRun& run)
{
    char exit[16];
    std::snprintf(exit, sizeof exit, "0x%lX", static_cast<unsigned long>(run.exit_code));
    return "kavdrawer " + arguments + "\n  exit " + exit + " after " + std::to_string(run.elapsed_ms) +
           " ms\n  out: " + run.out + "\n  err: " + run.err;
}

// A drawer after it has closed again, so each case starts from a closed drawer.
void wait_closed(const std::string& drawer)
{
    EXPECT_TRUE(kavwine::wait_until([&] { return run_tool("status " + drawer).exit_code == kClosed; }, 10000))
        << drawer << " did not close again";
}

// One drawer of each kind the terminal offers.
struct DrawerKind {
    const char* drawer;
    DWORD closes_after_ms;
};
const DrawerKind kDrawers[] = {
    {"VOLX-8613:1", kBoardCloseMs},
    {"thin-client:2@0x200", kBoardCloseMs},
    {"usb:1", kSimCloseMs},
    {"com3", kSimCloseMs},
    {"com7", kSimCloseMs}, // on the adapter
    {"printer:com6", kSimCloseMs},
    {"printer:com8/pin5/low@19200", kSimCloseMs},
};

// The simulator's trace since mark, once it holds the line (or after 5 s).
std::string sim_trace(const kavwine::TraceLog& trace, size_t mark, const std::string& line)
{
    std::string text;
    kavwine::wait_until([&] { return (text = trace.since(mark)).find("KAV_sim: " + line + "\n") != std::string::npos; },
                        5000);
    return text;
}
bool traced(const std::string& text, const std::string& line)
{
    return text.find("KAV_sim: " + line + "\n") != std::string::npos;
}

TEST(KavDrawer, ListShowsWhatTheSimulatedTerminalOffers)
{
    const ToolRun text = run_tool("list");
    ASSERT_EQ(text.exit_code, kOk) << describe("list", text);
    for (const char* line : {"VOLX-8613:1\tboard\tVOLX-8613", "thin-client:2@0x280\tboard\tPellor (x86)",
                             "usb:1\tusb\tclosed", "com7\tusb-to-rs232\tCOM7", "com3\tcom\tCOM3", "com5\tcom\tCOM5",
                             "printer:com6\tprinter\tCOM6, pin 3 low", "com8\tcom\tCOM8"})
        EXPECT_NE(text.out.find(line), std::string::npos) << line << "\n" << text.out;
    EXPECT_EQ(text.out.find("usb:2"), std::string::npos) << "a HID device that is no drawer is not listed";
    EXPECT_EQ(text.out.find("com7\tcom"), std::string::npos) << "the adapter's port is listed once";
    EXPECT_EQ(text.out.find("com6\tcom"), std::string::npos) << "a printer's port is listed as the printer";
    for (const char* port : {"printer:com3", "printer:com5", "printer:com7"})
        EXPECT_EQ(text.out.find(port), std::string::npos) << "a serial drawer answers no printer's status: " << port;
    // The list asks at 9600 baud: a printer at 19200 hears noise and stays a port.
    EXPECT_EQ(text.out.find("printer:com8"), std::string::npos) << text.out;

    const ToolRun json = run_tool("list --json");
    ASSERT_EQ(json.exit_code, kOk) << describe("list --json", json);
    const auto lines = json.out_lines();
    ASSERT_EQ(lines.size(), 1u) << json.out;
    const auto object = parse_json_object(lines[0]);
    ASSERT_TRUE(object) << lines[0];
    EXPECT_EQ(json_text(object->at("command")), "list");
    EXPECT_NE(object->at("drawers").find(R"({"drawer":"com5","kind":"com","detail":"COM5"})"), std::string::npos);
}

TEST(KavDrawer, OpenAndStatusOfEachKindWithTheirExitCodes)
{
    for (const DrawerKind& kind : kDrawers) {
        const std::string drawer = kind.drawer;
        wait_closed(drawer);
        ToolRun run = run_tool("status " + drawer);
        EXPECT_EQ(run.exit_code, kClosed) << describe("status " + drawer, run);
        EXPECT_EQ(run.out_lines(), std::vector<std::string>{drawer + " closed"});

        run = run_tool("open " + drawer);
        EXPECT_EQ(run.exit_code, kOk) << describe("open " + drawer, run);
        EXPECT_EQ(run.out_lines(), std::vector<std::string>{drawer + " opened"});

        run = run_tool("--json status " + drawer);
        EXPECT_EQ(run.exit_code, kOk) << describe("status " + drawer, run);
        const auto object = parse_json_object(run.out);
        ASSERT_TRUE(object) << run.out;
        EXPECT_EQ(json_text(object->at("state")), "open") << run.out;
        EXPECT_EQ(json_text(object->at("drawer")), drawer);
        EXPECT_EQ(object->at("code"), "0");
    }
}

TEST(KavDrawer, WhatCannotBeReachedOrDoesNotExistEndsWithItsOwnCode)
{
    struct Case {
        const char* arguments;
        DWORD exit;
        const char* error;
    };
    const Case cases[] = {
        {"status usb:2", kNotReachable, "kavdrawer: usb:2: not reachable (UsbCashDrawerStaus(2) = 0)"},
        {"open usb:2", kNotReachable, "kavdrawer: usb:2: not reachable (UsbCashDrawer(2) = 0)"},
        {"status usb:3", kNotReachable, "kavdrawer: usb:3: not reachable (UsbCashDrawerStaus(3) = 0)"},
        {"status com9", kNotReachable, "kavdrawer: com9: not reachable (COM9 did not open)"},
        {"status printer:com3", kNotReachable, "kavdrawer: printer:com3: not reachable (COM3 DLE EOT 1: no answer)"},
        {"open printer:com5", kNotReachable, "kavdrawer: printer:com5: not reachable (COM5 DLE EOT 1: no answer)"},
        {"status printer:com8", kNotReachable, "kavdrawer: printer:com8: not reachable (COM8 DLE EOT 1: no answer)"},
        {"status printer:com9", kNotReachable, "kavdrawer: printer:com9: not reachable (COM9 did not open)"},
        {"status printer:com6/pin2", kUsage,
         "kavdrawer: 'printer:com6/pin2' is not a drawer name: a printer's drawer takes /pin5 and /low, each once"},
        {"open printer:com6@1234", kNoSuchDrawer,
         "kavdrawer: 'printer:com6@1234': the printer's line speed is one of 1200, 2400, 4800, 9600, 19200, 38400, "
         "57600, 115200"},
        {"open com9", kNotReachable, "kavdrawer: com9: not reachable (RS232OpenCashDrawer(9) = -1)"},
        {"status usb:6", kNoSuchDrawer, "kavdrawer: 'usb:6': USB drawers are numbered 1 to 5"},
        {"open VOLX-8613:3", kNoSuchDrawer, "kavdrawer: 'VOLX-8613:3': a board has drawers 1 and 2"},
        {"open", kUsage, "kavdrawer: open needs a drawer, as in com3 or usb:1"},
        {"shut com3", kUsage, "kavdrawer: unknown command 'shut'"},
    };
    for (const Case& c : cases) {
        const ToolRun run = run_tool(c.arguments);
        EXPECT_EQ(run.exit_code, c.exit) << describe(c.arguments, run);
        // Text-mode output: each line ends in CR LF, as a console tool's does.
        EXPECT_EQ(run.err, std::string(c.error) + "\r\n") << describe(c.arguments, run);
        EXPECT_EQ(run.out, "") << c.arguments;
    }
    const ToolRun help = run_tool("/?");
    EXPECT_EQ(help.exit_code, kOk);
    EXPECT_NE(help.out.find("kavdrawer [--json] wait-close <drawer>"), std::string::npos) << help.out;

    const ToolRun json_help = run_tool("--json /?");
    EXPECT_EQ(json_help.exit_code, kOk);
    ASSERT_EQ(json_help.out_lines().size(), 1u) << json_help.out;
    const auto object = parse_json_object(json_help.out);
    ASSERT_TRUE(object) << json_help.out;
    EXPECT_EQ(json_text(object->at("command")), "help");
    EXPECT_NE(object->at("usage").find("kavdrawer [--json] wait-close <drawer>"), std::string::npos);
}

// Names the ANSI code page cannot write (CJK on a Western system) and those
// it writes in bytes of its own (é) reach the JSON as UTF-8 that a strict
// reader takes, and a log file by the name given.
TEST(KavDrawer, ArgumentsArriveWholeInTheJsonAndTheLogsName)
{
    const std::pair<std::string, DWORD> names[] = {{"café", kUsage}, {"抽屉:1", kNoSuchDrawer}, {"VOLX-8613:é", kUsage}};
    for (const auto& [name, exit] : names) {
        const std::string arguments = "--json open " + name;
        const ToolRun run = run_tool(arguments);
        EXPECT_EQ(run.exit_code, exit) << describe(arguments, run);
        const auto object = parse_json_object(run.out);
        ASSERT_TRUE(object) << "not JSON in UTF-8: " << run.out;
        EXPECT_NE(json_text(object->at("error")).find("'" + name + "'"), std::string::npos) << run.out;
    }

    wait_closed("VOLX-8613:2");
    const std::string log = kavwine::beside_this_program("loop é 抽屉.log");
    DeleteFileW(kavcli::wide(log).c_str());
    const std::string arguments = "loop VOLX-8613:2 --count 1 --log \"" + log + "\"";
    const ToolRun run = run_tool(arguments);
    EXPECT_EQ(run.exit_code, kOk) << describe(arguments, run);
    const HANDLE file = CreateFileW(kavcli::wide(log).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "no log by the name given";
    char text[512] = {};
    DWORD read = 0;
    ReadFile(file, text, sizeof text - 1, &read, nullptr);
    CloseHandle(file);
    DeleteFileW(kavcli::wide(log).c_str());
    EXPECT_NE(std::string(text).find("run ended: completed"), std::string::npos) << text;
}

// Opens the drawer, then runs wait-close on it with --json and the options:
// its JSON result, once the exit code was the one expected.
std::optional<std::map<std::string, std::string>> open_and_wait(const std::string& drawer, const std::string& options,
                                                                DWORD exit_code)
{
    EXPECT_EQ(run_tool("open " + drawer).exit_code, kOk) << drawer;
    const std::string arguments = "--json wait-close " + drawer + " " + options;
    const ToolRun run = run_tool(arguments);
    EXPECT_EQ(run.exit_code, exit_code) << describe(arguments, run);
    if (run.exit_code != exit_code) return std::nullopt;
    const auto object = parse_json_object(run.out);
    EXPECT_TRUE(object) << run.out;
    return object;
}

TEST(KavDrawer, WaitCloseReturnsWhenTheDrawerClosesByItself)
{
    for (const DrawerKind& kind : kDrawers) {
        const std::string drawer = kind.drawer;
        wait_closed(drawer);
        const kavwine::TraceLog trace;
        const size_t mark = trace.mark();
        const auto object = open_and_wait(drawer, "--timeout 20", kOk);
        ASSERT_TRUE(object);
        EXPECT_EQ(json_text(object->at("state")), "closed");
        // Closed within the drawer's time of its open, not at the timeout.
        const double seconds = std::stod(object->at("seconds"));
        EXPECT_GT(seconds, 0.3) << drawer << " was open when the wait began";
        EXPECT_LT(seconds, kind.closes_after_ms / 1000.0 + 1.0) << drawer;
        // A serial drawer's close is learnt from the port's carrier-detect
        // event, which the simulator traces as the end of a pending wait.
        if (drawer.starts_with("com")) {
            const std::string port = "COM" + drawer.substr(3);
            EXPECT_NE(trace.since(mark).find("KAV_sim: " + port + " wait ends: events 0x20"), std::string::npos)
                << trace.since(mark);
        }
    }
}

TEST(KavDrawer, WaitCloseTimesOutOnADrawerHeldOpenAndSoundsTheAlarm)
{
    for (const DrawerKind& kind : kDrawers) {
        const std::string drawer = kind.drawer;
        wait_closed(drawer);
        // Held open for its close time; the wait gives up well before.
        const auto object = open_and_wait(drawer, "--timeout 1.5 --alarm-after 0.2", kTimedOut);
        ASSERT_TRUE(object);
        EXPECT_EQ(json_text(object->at("state")), "open");
        EXPECT_EQ(object->at("seconds").substr(0, 2), "1.") << drawer;
        EXPECT_EQ(object->at("beeps"), "2") << drawer << ": at 0.2 s and 1.2 s";
    }
}

TEST(KavDrawer, PrinterDrawerSpringsOnItsKickAndReadsAsTheNameSays)
{
    const kavwine::TraceLog trace;
    wait_closed("printer:com6");
    size_t mark = trace.mark();
    ToolRun run = run_tool("open printer:com6");
    EXPECT_EQ(run.exit_code, kOk) << describe("open printer:com6", run);
    std::string text = sim_trace(trace, mark, "COM6 drawer opened");
    for (const char* line : {"COM6 received 3 bytes: 10 04 01", "COM6 printer answers DLE EOT 1 with 0x12",
                             "COM6 sent 1 bytes: 12", "COM6 received 5 bytes: 1B 70 00 19 FA",
                             "COM6 printer: ESC p on pin 2", "COM6 drawer opened"})
        EXPECT_TRUE(traced(text, line)) << line << "\n" << text;
    run = run_tool("--json status printer:com6");
    EXPECT_EQ(run.exit_code, kOk) << describe("status printer:com6", run);
    EXPECT_NE(run.out.find(R"("call":"COM6 DLE EOT 1 = 0x16")"), std::string::npos) << run.out;
    EXPECT_TRUE(kavwine::wait_until([] { return run_tool("status printer:com6").exit_code == kClosed; }, 10000))
        << "status reads closed once the drawer closed";

    // COM8's drawer hangs on pin 5 and reads low while open, at 19200 baud.
    const std::string com8 = "printer:com8/pin5/low@19200";
    wait_closed(com8);
    mark = trace.mark();
    EXPECT_EQ(run_tool("open printer:com8/low@19200").exit_code, kOk) << "the printer answered and took the kick";
    text = sim_trace(trace, mark, "COM8 printer: ESC p on pin 2, no drawer there");
    EXPECT_FALSE(traced(text, "COM8 drawer opened")) << text;
    EXPECT_EQ(run_tool("status " + com8).exit_code, kClosed);
    EXPECT_EQ(run_tool("status printer:com8/pin5@19200").exit_code, kOk) << "closed reads high, open at the default";

    mark = trace.mark();
    EXPECT_EQ(run_tool("open " + com8).exit_code, kOk);
    EXPECT_TRUE(traced(sim_trace(trace, mark, "COM8 drawer opened"), "COM8 printer: ESC p on pin 5"));
    EXPECT_EQ(run_tool("status " + com8).exit_code, kOk);

    mark = trace.mark();
    EXPECT_EQ(run_tool("status printer:com8/pin5/low").exit_code, kNotReachable) << "asked at 9600 baud";
    EXPECT_TRUE(traced(sim_trace(trace, mark, "COM8 printer: 3 bytes garbled, not at 19200 baud 8N1"),
                       "COM8 printer: 3 bytes garbled, not at 19200 baud 8N1"));

    // A printer's name on a serial drawer's port: nothing there answers, and
    // its drawer gets no byte that fires it.
    mark = trace.mark();
    EXPECT_EQ(run_tool("open printer:com3").exit_code, kNotReachable);
    text = sim_trace(trace, mark, "COM3 received 3 bytes: 10 04 01");
    EXPECT_FALSE(traced(text, "COM3 drawer opened")) << text;
    EXPECT_EQ(run_tool("status com3").exit_code, kClosed);
}

TEST(KavDrawer, LoopOnAPrinterDrawer)
{
    const std::string arguments = "--json loop printer:com6 --count 2 --interval 0.5";
    const ToolRun run = run_tool(arguments);
    ASSERT_EQ(run.exit_code, kOk) << describe(arguments, run);
    const auto lines = run.out_lines();
    ASSERT_EQ(lines.size(), 3u) << run.out;
    const auto tick = parse_json_object(lines[0]);
    ASSERT_TRUE(tick) << lines[0];
    EXPECT_EQ(json_text(tick->at("call")), "COM6 ESC p 0 25 250");
    const auto summary = parse_json_object(lines[2]);
    ASSERT_TRUE(summary) << lines[2];
    EXPECT_EQ(summary->at("failures"), "0");
}

// The simulator stopped while wait-close watches its port: the watch learns
// that the port failed and the tool ends "not reachable", well before its
// timeout (and the drawer's own close).
TEST(KavDrawer, WaitCloseOnASerialDrawerWhosePortGoesAwayEndsNotReachable)
{
    wait_closed("com5");
    ASSERT_EQ(run_tool("open com5").exit_code, kOk);
    kavcli::ToolProcess waiting("--json wait-close com5 --timeout 30");
    Sleep(1500); // watching by now
    EXPECT_EQ(kavwine::stop_service(kSimService), 0u);
    const ToolRun run = waiting.finish(kSimCloseMs * 3);
    EXPECT_EQ(run.exit_code, kNotReachable) << describe("--json wait-close com5 --timeout 30", run);
    const auto object = parse_json_object(run.out);
    if (object) {
        EXPECT_EQ(json_text(object->at("error")), "not reachable");
        EXPECT_GE(std::stod(object->at("seconds")), 1.0) << "it was watching before the port went away";
    } else {
        ADD_FAILURE() << run.out;
    }

    ASSERT_EQ(kavwine::start_service(kSimService), 0u);
    for (const char* port : {"COM3", "COM5", "COM6", "COM7", "COM8"}) EXPECT_EQ(kavwine::wait_for_dos_device(port), 0u) << port;
}

TEST(KavDrawer, ShortLoopWithJsonAndItsLog)
{
    wait_closed("VOLX-8613:2");
    const std::string log = kavwine::beside_this_program("kavdrawer_loop.log");
    DeleteFileA(log.c_str());
    const std::string arguments = "--json loop VOLX-8613:2 --count 3 --interval 0.5 --log \"" + log + "\"";
    const ToolRun run = run_tool(arguments);
    ASSERT_EQ(run.exit_code, kOk) << describe(arguments, run);
    const auto lines = run.out_lines();
    ASSERT_EQ(lines.size(), 4u) << run.out;
    for (int tick = 1; tick <= 3; ++tick) {
        const auto object = parse_json_object(lines[tick - 1]);
        ASSERT_TRUE(object) << lines[tick - 1];
        EXPECT_EQ(object->at("tick"), std::to_string(tick));
        EXPECT_EQ(object->at("of"), "3");
        EXPECT_EQ(json_text(object->at("call")), "DeviceControl(14) = 0");
        EXPECT_EQ(object->at("ok"), "true");
    }
    const auto summary = parse_json_object(lines[3]);
    ASSERT_TRUE(summary) << lines[3];
    EXPECT_EQ(summary->at("ticks"), "3");
    EXPECT_EQ(summary->at("failures"), "0");
    EXPECT_EQ(json_text(summary->at("end")), "completed");
    EXPECT_GE(std::stod(summary->at("seconds")), 1.5) << "three ticks half a second apart";

    std::ifstream file(log);
    std::vector<std::string> logged;
    for (std::string line; std::getline(file, line);) logged.push_back(line.substr(line.find(' ', 11) + 1));
    for (std::string& line : logged)
        if (!line.empty() && line.back() == '\r') line.pop_back();
    EXPECT_EQ(logged, (std::vector<std::string>{"run started: VOLX-8613:2, Count, interval 0.5 sec, count 3",
                                                "tick 1: VOLX-8613:2, DeviceControl(14) = 0",
                                                "tick 2: VOLX-8613:2, DeviceControl(14) = 0",
                                                "tick 3: VOLX-8613:2, DeviceControl(14) = 0",
                                                "run ended: completed"}));
}

TEST(KavDrawer, LoopEndsOnTheFirstFailure)
{
    const std::string arguments = "--json loop com9 --count 3 --interval 0.2";
    const ToolRun run = run_tool(arguments);
    EXPECT_EQ(run.exit_code, kNotReachable) << describe(arguments, run);
    const auto lines = run.out_lines();
    ASSERT_EQ(lines.size(), 2u) << run.out;
    const auto summary = parse_json_object(lines[1]);
    ASSERT_TRUE(summary) << lines[1];
    EXPECT_EQ(summary->at("ticks"), "1");
    EXPECT_EQ(summary->at("failures"), "1");
    EXPECT_EQ(json_text(summary->at("end")), "Open COM9 Failed");
    EXPECT_EQ(json_text(summary->at("exit")), "not-reachable");
}

// The driver's service as the utility leaves it when it ends: gone. The tool
// starts it for a board drawer and removes it again when it ends; a service
// that was already running is left running.
class KavDrawerWithoutDriver : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(kavwine::remove_service(kavwine::kServiceName), 0u); }
    void TearDown() override
    {
        // The harness's service, with the image path Wine loads.
        if (kavwine::service_state(kavwine::kServiceName) == kavwine::kNoService) {
            EXPECT_EQ(kavwine::create_kernel_service(kavwine::kServiceName, kavwine::kWineImagePath), 0u);
        }
        if (kavwine::service_state(kavwine::kServiceName) != SERVICE_RUNNING) {
            EXPECT_EQ(kavwine::start_service(kavwine::kServiceName), 0u);
        }
        EXPECT_EQ(kavwine::wait_for_dos_device(kavwine::kServiceName), 0u);
    }
};

TEST_F(KavDrawerWithoutDriver, ABoardDrawerStartsTheServiceAndTheToolRemovesItAtItsEnd)
{
    // Under Wine the service must already exist to load (a relative image
    // path fails, error 1114): it is made, stopped, as the installer leaves it.
    kavwine::known_wine_difference("the tool's LoadService starts an existing service; Wine cannot create one "
                                   "from the relative image path");
    ASSERT_EQ(kavwine::create_kernel_service(kavwine::kServiceName, kavwine::kWineImagePath), 0u);
    const ToolRun run = run_tool("status VOLX-8613:1");
    EXPECT_EQ(run.exit_code, kClosed) << describe("status VOLX-8613:1", run);
    EXPECT_TRUE(kavwine::wait_until(
        [] { return kavwine::service_state(kavwine::kServiceName) == kavwine::kNoService; }, 10000))
        << "the service the tool started is removed when it ends";

    // Started by someone else: left as it is.
    ASSERT_EQ(kavwine::create_kernel_service(kavwine::kServiceName, kavwine::kWineImagePath), 0u);
    ASSERT_EQ(kavwine::start_service(kavwine::kServiceName), 0u);
    ASSERT_EQ(kavwine::wait_for_dos_device(kavwine::kServiceName), 0u);
    EXPECT_EQ(run_tool("status VOLX-8613:1").exit_code, kClosed);
    EXPECT_EQ(kavwine::service_state(kavwine::kServiceName), static_cast<DWORD>(SERVICE_RUNNING));
}

} // namespace
