#include "sim_config.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kav::sim {
namespace {

std::vector<int> numbers(const SerialPortList& list)
{
    return {list.numbers, list.numbers + list.count};
}

TEST(ParsePortList, ReadsNumbersApartByBlanksOrCommas)
{
    const struct {
        const char* text;
        std::vector<int> ports;
    } cases[] = {
        {"", {}},
        {"3", {3}},
        {"3,5", {3, 5}},
        {" 1 2\t12 ", {1, 2, 12}},
        {"5,3,5", {5, 3}},
        {"255", {255}},
        {"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}},
    };
    for (const auto& c : cases) {
        SerialPortList list;
        EXPECT_TRUE(parse_port_list(c.text, list)) << c.text;
        EXPECT_EQ(numbers(list), c.ports) << c.text;
    }
    SerialPortList none;
    EXPECT_TRUE(parse_port_list(nullptr, none));
    EXPECT_EQ(none.count, 0);
}

TEST(ParsePortList, RefusesAnythingElseAndLeavesTheListEmpty)
{
    for (const char* text : {"0", "256", "99999999999", "-3", "COM3", "3;5", "3x", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17"}) {
        SerialPortList list;
        list.count = 1;
        EXPECT_FALSE(parse_port_list(text, list)) << text;
        EXPECT_EQ(list.count, 0) << text;
    }
}

} // namespace
} // namespace kav::sim
