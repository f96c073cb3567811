#include "auto_ini.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kav::gui {
namespace {

using testing::CallLog;
using testing::FakeSystem;

struct ReadCase {
    const char* what;
    std::optional<std::string> stored; // nothing: the key is missing
    std::string read;
};

TEST(AutoIni, ReadsEveryValueByTheSameRule)
{
    const ReadCase cases[] = {
        {"missing key", std::nullopt, "Default"},
        {"plain", "Count", "Count"},
        {"blanks trimmed at both ends", "   Time  ", "Time"},
        {"inner blanks kept", "RS232 Cash Drawer", "RS232 Cash Drawer"},
        {"only blanks trimmed, not tabs", "\tTime", "\tTime"},
        {"empty", "", ""},
        {"all blanks", "    ", ""},
        {"cut to the 79 characters the buffer holds", std::string(100, 'x'), std::string(79, 'x')},
        {"cut before trimming", std::string(78, ' ') + "ab", "a"},
    };
    for (const ReadCase& c : cases) {
        CallLog log;
        FakeSystem system(log);
        if (c.stored) system.set(kCountTimeKey, *c.stored);
        EXPECT_EQ(read_ini_value(system, auto_ini_path(system), kCountTimeKey), c.read) << c.what;
        EXPECT_EQ(log, CallLog{"ini Edit Box.Count_Time"}) << c.what;
    }
}

TEST(AutoIni, LivesInTheProgramDirectory)
{
    CallLog log;
    FakeSystem system(log);
    system.program_dir = "D:\\Tools\\KAV";
    EXPECT_EQ(auto_ini_path(system), "D:\\Tools\\KAV\\auto.ini");
}

} // namespace
} // namespace kav::gui
