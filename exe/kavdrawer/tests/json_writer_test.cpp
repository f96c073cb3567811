#include "json_writer.h"

#include <gtest/gtest.h>

namespace kav::cli {
namespace {

TEST(Json, EscapesWhatWouldBreakTheLineOrTheString)
{
    EXPECT_EQ(json_string("C:\\runs\\a \"b\".log"), R"("C:\\runs\\a \"b\".log")");
    EXPECT_EQ(json_string("a\r\nb\tc\x01"), R"("a\r\nb\tc\u0001")");
    EXPECT_EQ(json_string("Pellor (x86) \xE9"), "\"Pellor (x86) \xE9\"") << "the code page's bytes pass";
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
