// How text is read as a number, and how a number becomes a whole count,
// period or port number: the utility's rules, which the loop test's plan and
// the adapters' port names follow wherever they run. Every window that reads
// a number from auto.ini or from a text box goes through these two functions.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace kav::drawers {

// The value of the longest leading number in text. Blanks, tabs and line feeds
// are dropped wherever they are first ("1 2" reads as 12). A number is an
// optional sign, digits with at most one '.', and an optional exponent of E or
// D with an optional sign and digits; or a leading &H (hexadecimal) or &O
// (octal) integer. Letters of the forms may be either case. Text with no such
// part reads as 0. A value too large for a double reads as an infinity of its
// sign, one too small as zero: the readers compare it, they never fail on it.
double leading_number(std::string_view text);

// To the nearest whole number, halves to the even neighbour (2.5 -> 2,
// 3.5 -> 4). Nothing when the result lies outside signed 32 bits or the value
// is not a number.
std::optional<int32_t> round_to_int32(double value);

} // namespace kav::drawers
