#include "number_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace kav::drawers {
namespace {

struct LeadingCase {
    const char* text;
    double value;
};

TEST(LeadingNumber, ReadsTheLongestLeadingNumber)
{
    const LeadingCase cases[] = {
        // what the number is, and where it stops
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"2.5", 2.5},
        {"3.5", 3.5},
        {".5", 0.5},
        {"5.", 5},
        {"1.2.3", 1.2},
        {".", 0},
        {"-", 0},
        {"+", 0},
        {"-7", -7},
        {"+7", 7},
        {"--7", 0},
        {"-.25x", -0.25},
        {"0010", 10},
        // blanks, tabs and line feeds are dropped everywhere, other controls are not
        {" 5", 5},
        {"1 2", 12},
        {"\t1\n2 . 5", 12.5},
        {"- 3", -3},
        {"1\r2", 1},
        // exponents: E or D, either case, optional sign; no digits means no exponent
        {"1E3", 1000},
        {"1e3", 1000},
        {"1D3", 1000},
        {"2d-2", 0.02},
        {"1.5E+2", 150},
        {"1e", 1},
        {"1e+", 1},
        {"1e-x", 1},
        {"1 E 2", 100},
        {"E3", 0},
        {"1e2.5", 100},
        // &H and &O integers, either case, stopping at the first digit outside the radix
        {"&H10", 16},
        {"&hff", 255},
        {"&HFFFF", 65535},
        {"&H1G", 1},
        {"&H", 0},
        {"&HG", 0},
        {"&O17", 15},
        {"&o8", 0},
        {"&O178", 15},
        {"& H 1 0", 16},
        {"&10", 0},
        {"-&H10", 0},
        {"&H1.5", 1},
        // huge and tiny values
        {"99999999999999999999", 1e20},
        {"&HFFFFFFFFFF", 1099511627775.0},
        {"1e308", 1e308},
        {"1e-400", 0},
        {"0.000001e-400", 0},
        {"0e99999999999", 0},
    };
    for (const LeadingCase& c : cases) EXPECT_EQ(leading_number(c.text), c.value) << '"' << c.text << '"';
}

TEST(LeadingNumber, OverflowReadsAsInfinityOfItsSign)
{
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(leading_number("1e400"), inf);
    EXPECT_EQ(leading_number("-1D400"), -inf);
    EXPECT_EQ(leading_number("0.001e99999999999999999999"), inf);
    EXPECT_EQ(leading_number(std::string(400, '9')), inf);
    EXPECT_EQ(leading_number("&H" + std::string(300, 'F')), inf);
}

struct RoundCase {
    double value;
    std::optional<int32_t> whole;
};

TEST(RoundToInt32, NearestWithHalvesToEvenAndNothingOutsideInt32)
{
    const double inf = std::numeric_limits<double>::infinity();
    const RoundCase cases[] = {
        {2.5, 2},
        {3.5, 4},
        {0.5, 0},
        {1.5, 2},
        {-0.5, 0},
        {-1.5, -2},
        {-2.5, -2},
        {2.4999999, 2},
        {2.5000001, 3},
        {-2.6, -3},
        {8.571428, 9},
        {0.3, 0},
        {0, 0},
        {2147483647.0, 2147483647},
        {2147483647.4, 2147483647},
        {2147483647.5, std::nullopt}, // even neighbour is 2^31
        {2147483648.0, std::nullopt},
        {-2147483648.0, -2147483648},
        {-2147483648.5, -2147483648}, // even neighbour stays inside
        {-2147483649.0, std::nullopt},
        {1e20, std::nullopt},
        {inf, std::nullopt},
        {-inf, std::nullopt},
        {std::nan(""), std::nullopt},
    };
    for (const RoundCase& c : cases) EXPECT_EQ(round_to_int32(c.value), c.whole) << std::to_string(c.value);
}

} // namespace
} // namespace kav::drawers
