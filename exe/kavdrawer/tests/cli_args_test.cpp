#include "cli_args.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace kav::cli {
namespace {

std::vector<std::string_view> words(const std::string& line, std::vector<std::string>& storage)
{
    std::istringstream in(line);
    for (std::string word; in >> word;) storage.push_back(word);
    return {storage.begin(), storage.end()};
}

ParseResult parse(const std::string& line)
{
    std::vector<std::string> storage;
    const std::vector<std::string_view> arguments = words(line, storage);
    ParseResult result = parse_command_line(arguments);
    return result;
}

struct BadLine {
    const char* line;
    ExitCode code;
    const char* message_part;
};

const BadLine kBadLines[] = {
    {"", ExitCode::Usage, "no command"},
    {"--json", ExitCode::Usage, "no command"},
    {"opne com3", ExitCode::Usage, "unknown command 'opne'"},
    {"open", ExitCode::Usage, "open needs a drawer"},
    {"status com3 com4", ExitCode::Usage, "unexpected argument 'com4'"},
    {"list com3", ExitCode::Usage, "unexpected argument 'com3'"},
    {"open com3 --force", ExitCode::Usage, "unknown option '--force'"},
    {"open com3 --timeout 5", ExitCode::Usage, "--timeout does not go with open"},
    {"loop com3 --alarm-after 5 --count 2", ExitCode::Usage, "--alarm-after does not go with loop"},
    {"wait-close com3 --timeout", ExitCode::Usage, "--timeout needs a value"},
    {"wait-close com3 --timeout -1", ExitCode::Usage, "--timeout takes seconds"},
    {"wait-close com3 --timeout 1.2.3", ExitCode::Usage, "--timeout takes seconds"},
    {"wait-close com3 --alarm-after=x", ExitCode::Usage, "--alarm-after takes seconds"},
    {"loop com3", ExitCode::Usage, "loop needs --count N or --minutes M"},
    {"loop com3 --count 0", ExitCode::Usage, "--count takes a whole number"},
    {"loop com3 --count 2.5", ExitCode::Usage, "--count takes a whole number"},
    {"loop com3 --count 3 --minutes 1", ExitCode::Usage, "not both"},
    {"loop com3 --minutes -1", ExitCode::Usage, "--minutes takes a number of minutes"},
    {"loop com3 --minutes 0", ExitCode::Usage, "plan no run"},
    {"loop com3 --count 3 --interval 0", ExitCode::Usage, "--interval takes seconds, at least 0.001"},
    {"loop com3 --count 3 --interval 0.0004", ExitCode::Usage, "--interval takes seconds, at least 0.001"},
    // Planned by the utility's arithmetic: a run of no tick, or of more
    // ticks than it can count.
    {"loop com3 --minutes 0.001", ExitCode::Usage, "plan no run"},
    {"loop com3 --count 9999999999", ExitCode::Usage, "plan no run"},
    {"loop com3 --minutes 99999999 --interval 0.001", ExitCode::Usage, "plan no run"},
    {"loop com3 --count 2 --log=", ExitCode::Usage, "--log needs a file name"},
    {"loop com3 --count 2 --log a.log --log=b.log", ExitCode::Usage, "--log given twice"},
    {"loop com3 --count 2 --count 3", ExitCode::Usage, "--count given twice"},
    {"loop com3 --count 2 --interval 1 --interval 2", ExitCode::Usage, "--interval given twice"},
    {"wait-close com3 --timeout 1 --timeout=2", ExitCode::Usage, "--timeout given twice"},
    {"status VOLX-8613", ExitCode::Usage, "is not a drawer name"},
    {"status VOLX-8613:3", ExitCode::NoSuchDrawer, "drawers 1 and 2"},
    {"--json open usb:9", ExitCode::NoSuchDrawer, "numbered 1 to 5"},
};

TEST(CommandLine, BadLinesEndWithTheirCodeAndSayWhatIsWrong)
{
    for (const BadLine& c : kBadLines) {
        const ParseResult result = parse(c.line);
        EXPECT_FALSE(result.invocation.has_value()) << c.line;
        EXPECT_EQ(result.error, c.code) << c.line;
        EXPECT_NE(result.message.find(c.message_part), std::string::npos) << c.line << " -> " << result.message;
    }
    EXPECT_TRUE(parse("--json open usb:9").json) << "a refused line still answers in JSON when asked";
}

TEST(CommandLine, GoodLinesCarryTheirSettings)
{
    ParseResult r = parse("status VOLX-8613:2");
    ASSERT_TRUE(r.invocation);
    EXPECT_EQ(r.invocation->verb, Verb::Status);
    EXPECT_FALSE(r.invocation->json);
    EXPECT_EQ(drawer_name(r.invocation->drawer), "VOLX-8613:2");

    r = parse("wait-close usb:1 --alarm-after=2.5 --json --timeout 30");
    ASSERT_TRUE(r.invocation) << r.message;
    EXPECT_EQ(r.invocation->verb, Verb::WaitClose);
    EXPECT_TRUE(r.invocation->json);
    EXPECT_EQ(r.invocation->timeout_ms, 30000);
    EXPECT_EQ(r.invocation->alarm_after_ms, 2500);

    r = parse("wait-close com3");
    ASSERT_TRUE(r.invocation);
    EXPECT_FALSE(r.invocation->timeout_ms) << "no timeout unless asked";
    EXPECT_FALSE(r.invocation->alarm_after_ms);

    r = parse("loop thin-client:1@0x200 --count 5 --interval 0.5 --log C:\\runs\\line.log");
    ASSERT_TRUE(r.invocation) << r.message;
    EXPECT_EQ(r.invocation->loop_type, "Count");
    EXPECT_EQ(r.invocation->amount, "5");
    EXPECT_EQ(r.invocation->interval, "0.5");
    EXPECT_EQ(r.invocation->log_file, "C:\\runs\\line.log");

    r = parse("loop com3 --minutes 2");
    ASSERT_TRUE(r.invocation) << r.message;
    EXPECT_EQ(r.invocation->loop_type, "Time");
    EXPECT_EQ(r.invocation->interval, "1") << "the utility's default interval";

    r = parse("list --json");
    ASSERT_TRUE(r.invocation);
    EXPECT_EQ(r.invocation->verb, Verb::List);
}

TEST(CommandLine, HelpWinsOverEverythingElse)
{
    for (const char* line : {"/?", "-?", "--help", "help", "open /?", "opne --help", "loop com3 --count 0 /?"}) {
        const ParseResult r = parse(line);
        ASSERT_TRUE(r.invocation) << line;
        EXPECT_EQ(r.invocation->verb, Verb::Help) << line;
    }
}

} // namespace
} // namespace kav::cli
