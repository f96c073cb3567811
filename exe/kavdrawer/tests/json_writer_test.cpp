#include "json_writer.h"

#include <gtest/gtest.h>

namespace kav::cli {
namespace {

TEST(Json, EscapesWhatWouldBreakTheLineOrTheString)
{
    EXPECT_EQ(json_string("C:\\runs\\a \"b\".log"), R"("C:\\runs\\a \"b\".log")");
    EXPECT_EQ(json_string("a\r\nb\tc\x01"), R"("a\r\nb\tc\u0001")");
}

TEST(Json, StringsAreWellFormedUtf8)
{
    const std::pair<const char*, const char*> cases[] = {
        {"caf\xC3\xA9", "\"caf\xC3\xA9\""},                                   // é
        {"\xE6\x8A\xBD\xE5\xB1\x89", "\"\xE6\x8A\xBD\xE5\xB1\x89\""},            // CJK
        {"\xF0\x9F\x92\xB0 \xF4\x8F\xBF\xBF", "\"\xF0\x9F\x92\xB0 \xF4\x8F\xBF\xBF\""}, // four bytes, U+10FFFF
        {"Pellor \xE9", R"("Pellor \ufffd")"},                                  // a code page's byte
        {"\xC3", R"("\ufffd")"},                                                // cut short
        {"\xC0\xAF", R"("\ufffd\ufffd")"},                                       // overlong
        {"\xE0\x80\xAF", R"("\ufffd\ufffd\ufffd")"},                              // overlong
        {"\xED\xA0\x80", R"("\ufffd\ufffd\ufffd")"},                              // a surrogate
        {"\xF4\x90\x80\x80", R"("\ufffd\ufffd\ufffd\ufffd")"},                     // above U+10FFFF
        {"\xE6\x8A", R"("\ufffd\ufffd")"},                                       // a CJK character cut
        {"\x80" "a", R"("\ufffda")"},                                         // a lone continuation
    };
    for (const auto& [text, json] : cases) EXPECT_EQ(json_string(text), json) << json;
}

TEST(Json, ObjectsKeepTheirOrderAndTypes)
{
    const std::string object = JsonObject()
                                   .text("command", "loop")
                                   .number("tick", -3)
                                   .flag("ok", false)
                                   .seconds("seconds", 1500)
                                   .raw("drawers", json_array({"{}", "{\"a\":1}"}))
                                   .str();
    EXPECT_EQ(object, R"({"command":"loop","tick":-3,"ok":false,"seconds":1.500,"drawers":[{},{"a":1}]})");
    EXPECT_EQ(JsonObject().str(), "{}");
    EXPECT_EQ(json_array({}), "[]");
}

TEST(Json, SecondsFromMilliseconds)
{
    const std::pair<int64_t, const char*> cases[] = {
        {0, "0.000"}, {7, "0.007"}, {61001, "61.001"}, {-1500, "-1.500"}, {INT64_MIN, "-9223372036854775.808"}};
    for (const auto& [ms, text] : cases) EXPECT_EQ(seconds_text(ms), text) << ms;
}

} // namespace
} // namespace kav::cli
