#include "command_line_words.h"

#include <gtest/gtest.h>

namespace kav::cli {
namespace {

struct Case {
    const char* line;
    std::vector<std::string> arguments;
};

TEST(CommandLineWords, SplitsAsTheCRuntimeDoes)
{
    const Case cases[] = {
        {"", {}},
        {"kavdrawer", {}},
        {"kavdrawer  \t ", {}},
        {"kavdrawer list", {"list"}},
        {"\"C:\\Program Files\\kav drawer.exe\" open\tcom3", {"open", "com3"}},
        {"C:\\kav\\kavdrawer.exe --log \"C:\\runs\\my log.txt\" x", {"--log", "C:\\runs\\my log.txt", "x"}},
        {"k a\\\\\\\"b", {"a\\\"b"}},          // three backslashes and a quote: one, and a literal quote
        {"k a\\\\\"b c\"", {"a\\b c"}},        // two and a quote: one, and quoting opens
        {"k \"a\"\"b\" c", {"a\"b", "c"}},     // "" inside quotes
        {"k C:\\runs\\ d", {"C:\\runs\\", "d"}}, // backslashes before no quote stay
        {"k \"\" x", {"", "x"}},
        {"k \"open", {"open"}},                // quoting that never closes
        {"k caf\xC3\xA9 \xE6\x8A\xBD\xE5\xB1\x89:1", {"caf\xC3\xA9", "\xE6\x8A\xBD\xE5\xB1\x89:1"}},
    };
    for (const Case& c : cases) EXPECT_EQ(command_line_arguments(c.line), c.arguments) << c.line;
}

} // namespace
} // namespace kav::cli
