// The commands over a fake platform: exit codes, the lines and JSON objects
// they print, the loop's ticks and its run log; and the library calls each
// kind of drawer makes.
#include "commands.h"

#include "fake_wait_clock.h"
#include "json_writer.h"
#include "memory_log_sink.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <sstream>

namespace kav::cli {
namespace {

using drawers::PollingWatch;
using drawers::testing::FakeClock;

struct Lines final : Console {
    std::vector<std::string> out_lines, err_lines;
    void out(const std::string& line) override { out_lines.push_back(line); }
    void err(const std::string& line) override { err_lines.push_back(line); }
};

struct ScriptedDrawers final : Drawers {
    std::deque<Reply> opens, statuses;
    int open_calls = 0;
    Reply open(const DrawerAddress&) override
    {
        ++open_calls;
        Reply reply = opens.front();
        if (opens.size() > 1) opens.pop_front();
        return reply;
    }
    Reply status(const DrawerAddress&) override
    {
        Reply reply = statuses.front();
        if (statuses.size() > 1) statuses.pop_front();
        return reply;
    }
};

struct FakePlatform final : Platform {
    ScriptedDrawers scripted;
    FakeClock fake_clock;
    drawers::testing::MemoryLogSink sink{"2026-12-10 08:00:00"};
    std::string sink_file;
    int beeps = 0;
    std::vector<ListedDrawer> listed;

    Drawers& drawers() override { return scripted; }
    std::vector<ListedDrawer> list() override { return listed; }
    Clock& clock() override { return fake_clock; }
    void beep() override { ++beeps; }
    std::unique_ptr<DrawerWatch> watch(const DrawerAddress&) override
    {
        return std::make_unique<PollingWatch>(fake_clock, [this] { return drawers::reading_of(scripted.status({})); });
    }
    drawers::LogSink& log_sink(const std::string& file) override
    {
        sink_file = file;
        return sink;
    }
};

int run_line(const std::string& line, FakePlatform& platform, Lines& lines)
{
    std::vector<std::string> storage;
    std::istringstream in(line);
    for (std::string word; in >> word;) storage.push_back(word);
    const std::vector<std::string_view> arguments(storage.begin(), storage.end());
    const ParseResult parse = parse_command_line(arguments);
    if (!parse.invocation) return report_parse_error(parse, lines);
    return run(*parse.invocation, platform, lines);
}

struct StatusCase {
    Reply reply;
    int code;
    const char* line;     // the line on standard output, or ""
    const char* error;    // the start of the line on standard error, or ""
};

TEST(Commands, OpenAndStatusEndWithTheCodeOfWhatHappened)
{
    const std::pair<const char*, StatusCase> cases[] = {
        {"status", {{Outcome::Open, "Bastra8613GetCashDrawerStatus(13) = 1", ""}, 0, "VOLX-8613:1 open", ""}},
        {"status", {{Outcome::Closed, "Bastra8613GetCashDrawerStatus(13) = 0", ""}, 1, "VOLX-8613:1 closed", ""}},
        {"status",
         {{Outcome::NotReachable, "Bastra8613GetCashDrawerStatus(13) = -1", "Create File Failed"},
          4,
          "",
          "kavdrawer: VOLX-8613:1: not reachable (Bastra8613GetCashDrawerStatus(13) = -1)"}},
        {"open", {{Outcome::Done, "DeviceControl(12) = 0", ""}, 0, "VOLX-8613:1 opened", ""}},
        {"open",
         {{Outcome::RequestFailed, "DeviceControl(12) = -2", "Device Control Failed"},
          5,
          "",
          "kavdrawer: VOLX-8613:1: request failed (DeviceControl(12) = -2)"}},
    };
    for (const auto& [verb, c] : cases) {
        FakePlatform platform;
        platform.scripted.opens = {c.reply};
        platform.scripted.statuses = {c.reply};
        Lines lines;
        EXPECT_EQ(run_line(std::string(verb) + " VOLX-8613:1", platform, lines), c.code) << c.reply.call;
        EXPECT_EQ(lines.out_lines, *c.line ? std::vector<std::string>{c.line} : std::vector<std::string>{});
        EXPECT_EQ(lines.err_lines, *c.error ? std::vector<std::string>{c.error} : std::vector<std::string>{});
    }
}

TEST(Commands, JsonGivesOneObjectPerResultErrorsIncluded)
{
    FakePlatform platform;
    platform.scripted.statuses = {{Outcome::Open, "UsbCashDrawerStaus(1) = 48", ""}};
    Lines lines;
    EXPECT_EQ(run_line("--json status usb:1", platform, lines), 0);
    EXPECT_EQ(lines.out_lines, std::vector<std::string>{R"({"command":"status","drawer":"usb:1","state":"open",)"
                                                         R"("call":"UsbCashDrawerStaus(1) = 48","exit":"ok","code":0})"});

    platform.scripted.opens = {{Outcome::NotReachable, "RS232OpenCashDrawer(3) = -1", "Open COM3 Failed"}};
    lines = {};
    EXPECT_EQ(run_line("open com3 --json", platform, lines), 4);
    EXPECT_EQ(lines.out_lines, std::vector<std::string>{R"({"command":"open","drawer":"com3","error":"Open COM3 Failed",)"
                                                         R"("call":"RS232OpenCashDrawer(3) = -1","exit":"not-reachable","code":4})"});
    EXPECT_EQ(lines.err_lines.size(), 1u) << "the error still goes to standard error";

    lines = {};
    EXPECT_EQ(run_line("--json status usb:7", platform, lines), 3);
    EXPECT_EQ(lines.out_lines, std::vector<std::string>{R"({"error":"'usb:7': USB drawers are numbered 1 to 5",)"
                                                         R"("exit":"no-such-drawer","code":3})"});
    EXPECT_EQ(lines.err_lines, std::vector<std::string>{"kavdrawer: 'usb:7': USB drawers are numbered 1 to 5"});

    platform.listed = {{"VOLX-8613:1", "board", "VOLX-8613"}, {"com3", "com", "COM3"}};
    lines = {};
    EXPECT_EQ(run_line("list --json", platform, lines), 0);
    EXPECT_EQ(lines.out_lines, std::vector<std::string>{
                                   R"({"command":"list","drawers":[{"drawer":"VOLX-8613:1","kind":"board","detail":"VOLX-8613"},)"
                                   R"({"drawer":"com3","kind":"com","detail":"COM3"}],"exit":"ok","code":0})"});
}

TEST(Commands, HelpWithJsonIsOneObject)
{
    for (const char* line : {"--json /?", "/? --json", "--json help", "--json loop com3 --count 0 --help"}) {
        FakePlatform platform;
        Lines lines;
        EXPECT_EQ(run_line(line, platform, lines), 0) << line;
        ASSERT_EQ(lines.out_lines.size(), 1u) << line;
        EXPECT_EQ(lines.out_lines[0], JsonObject()
                                          .text("command", "help")
                                          .text("usage", help_text())
                                          .text("exit", "ok")
                                          .number("code", 0)
                                          .str());
    }
    FakePlatform platform;
    Lines lines;
    EXPECT_EQ(run_line("/?", platform, lines), 0);
    EXPECT_EQ(lines.out_lines, std::vector<std::string>{std::string(help_text())}) << "without --json, the text";
}

TEST(Commands, WaitCloseReportsHowItEnded)
{
    FakePlatform platform;
    platform.scripted.statuses = {{Outcome::Open, "", ""}, {Outcome::Open, "", ""}, {Outcome::Closed, "", ""}};
    Lines lines;
    EXPECT_EQ(run_line("wait-close VOLX-8613:2 --json", platform, lines), 0);
    EXPECT_EQ(lines.out_lines, std::vector<std::string>{R"({"command":"wait-close","drawer":"VOLX-8613:2","seconds":0.400,)"
                                                         R"("beeps":0,"state":"closed","exit":"ok","code":0})"});

    platform.scripted.statuses = {{Outcome::Open, "", ""}};
    lines = {};
    EXPECT_EQ(run_line("wait-close VOLX-8613:2 --timeout 3 --alarm-after 1", platform, lines), 6);
    EXPECT_EQ(platform.beeps, 2);
    EXPECT_EQ(lines.err_lines, std::vector<std::string>{"kavdrawer: VOLX-8613:2: still open after 3.000 s"});
}

TEST(Commands, LoopTicksAtTheIntervalAndLogsTheUtilitysLines)
{
    FakePlatform platform;
    platform.scripted.opens = {{Outcome::Done, "DeviceControl(12) = 0", ""}};
    Lines lines;
    EXPECT_EQ(run_line("loop VOLX-8613:1 --count 3 --interval 2 --log run.log", platform, lines), 0);
    EXPECT_EQ(platform.sink_file, "run.log");
    const int64_t start = 1'000'000;
    EXPECT_EQ(platform.fake_clock.sleeps, (std::vector<int64_t>{start + 2000, start + 4000, start + 6000}));
    EXPECT_EQ(lines.out_lines, (std::vector<std::string>{"tick 1/3: VOLX-8613:1, DeviceControl(12) = 0",
                                                         "tick 2/3: VOLX-8613:1, DeviceControl(12) = 0",
                                                         "tick 3/3: VOLX-8613:1, DeviceControl(12) = 0",
                                                         "VOLX-8613:1: 3 ticks, 0 failures, 6.000 s, completed"}));
    EXPECT_EQ(platform.sink.lines,
              (std::vector<std::string>{"2026-12-10 08:00:00 run started: VOLX-8613:1, Count, interval 2 sec, count 3",
                                        "2026-12-10 08:00:00 tick 1: VOLX-8613:1, DeviceControl(12) = 0",
                                        "2026-12-10 08:00:00 tick 2: VOLX-8613:1, DeviceControl(12) = 0",
                                        "2026-12-10 08:00:00 tick 3: VOLX-8613:1, DeviceControl(12) = 0",
                                        "2026-12-10 08:00:00 run ended: completed"}));
}

TEST(Commands, LoopEndsOnTheFirstFailureOrOnCtrlC)
{
    FakePlatform platform;
    platform.scripted.opens = {{Outcome::Done, "UsbCashDrawer(1) = 1", ""},
                               {Outcome::RequestFailed, "UsbCashDrawer(1) = 0", "Open USB Cash Drawer Failed"}};
    Lines lines;
    EXPECT_EQ(run_line("--json loop usb:1 --minutes 1", platform, lines), 5);
    EXPECT_EQ(platform.scripted.open_calls, 2) << "no tick after the failure";
    ASSERT_EQ(lines.out_lines.size(), 3u);
    EXPECT_EQ(lines.out_lines[1], R"({"command":"loop","drawer":"usb:1","tick":2,"of":60,"call":"UsbCashDrawer(1) = 0","ok":false})");
    EXPECT_EQ(lines.out_lines[2], R"({"command":"loop","drawer":"usb:1","summary":true,"ticks":2,"failures":1,"seconds":2.000,)"
                                  R"("end":"Open USB Cash Drawer Failed","exit":"request-failed","code":5})");
    EXPECT_EQ(platform.sink.lines.back(), "2026-12-10 08:00:00 run ended: Open USB Cash Drawer Failed");

    FakePlatform stopped;
    stopped.scripted.opens = {{Outcome::Done, "RS232OpenCashDrawer(3) = 0", ""}};
    stopped.fake_clock.interrupt_at = stopped.fake_clock.now + 2500;
    lines = {};
    EXPECT_EQ(run_line("loop com3 --count 10", stopped, lines), 7);
    EXPECT_EQ(stopped.scripted.open_calls, 2);
    EXPECT_EQ(stopped.sink.lines.back(), "2026-12-10 08:00:00 run ended: cancelled");
    EXPECT_EQ(lines.err_lines, std::vector<std::string>{"kavdrawer: com3: 2 ticks, 0 failures, 2.500 s, cancelled"});
}

} // namespace
} // namespace kav::cli
