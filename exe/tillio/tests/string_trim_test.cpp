#include "string_trim.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <sys/mman.h>

namespace kav::tillio {
namespace {

struct TrimCase {
    std::string text;
    const char* chars;
    std::string expected;
    bool trimmed;
};

TEST(StringTrim, RemovesSetCharactersFromBothEndsOnly)
{
    const TrimCase cases[] = {
        {"  COM3  ", " ", "COM3", true},
        {"COM3", " ", "COM3", false},
        {"CO M3", " ", "CO M3", false}, // inner characters stay
        {"  COM3", " ", "COM3", true},
        {"COM3  ", " ", "COM3", true},
        {" \t COM12\t\r\n", " \t\r\n", "COM12", true},
        {"xyCOMyx", "xy", "COM", true},
        {"yxxy", "xy", "", true}, // everything goes
        {"", " ", "", false},
        {"  COM3  ", "", "  COM3  ", false},
        {"COM3", "3C", "OM", true},
        {"\xE9" "COM\xE9", "\xE9", "COM", true}, // bytes above 127 compare as themselves
        {"\xE9" "COM", "\x69", "\xE9" "COM", false},
    };
    for (const TrimCase& c : cases) {
        std::string buffer = c.text;
        EXPECT_EQ(trim_chars(buffer.data(), c.chars), c.trimmed) << "'" << c.text << "' less '" << c.chars << "'";
        EXPECT_STREQ(buffer.c_str(), c.expected.c_str()) << "'" << c.text << "' less '" << c.chars << "'";
    }
}

TEST(StringTrim, NullArgumentsChangeNothing)
{
    char text[] = "  COM3  ";
    EXPECT_FALSE(trim_chars(text, nullptr));
    EXPECT_STREQ(text, "  COM3  ");
    EXPECT_FALSE(trim_chars(nullptr, " "));
    EXPECT_FALSE(trim_chars(nullptr, nullptr));
}

// As with StrTrimA, a string that needs no trimming may be read-only.
TEST(StringTrim, LeavesAStringWithNothingToTrimUnwritten)
{
    void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(page, MAP_FAILED);
    std::memcpy(page, "COM3", 5);
    ASSERT_EQ(mprotect(page, 4096, PROT_READ), 0);
    EXPECT_FALSE(trim_chars(static_cast<char*>(page), " \t")); // a write would fault here
    EXPECT_STREQ(static_cast<char*>(page), "COM3");
    munmap(page, 4096);
}

} // namespace
} // namespace kav::tillio
