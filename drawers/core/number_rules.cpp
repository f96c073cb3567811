#include "number_rules.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace kav::drawers {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Exponents beyond this put any written mantissa out of a double's range;
// the cap only keeps the running value from overflowing.
constexpr int64_t kExponentCap = 1'000'000'000;

double radix_integer(std::string_view digits, int radix)
{
    double value = 0;
    for (char c : digits) {
        int digit;
        const char u = upper(c);
        if (is_digit(u)) digit = u - '0';
        else if (u >= 'A' && u <= 'F') digit = u - 'A' + 10;
        else break;
        if (digit >= radix) break;
        value = value * radix + digit;
    }
    return value;
}

double decimal_prefix(std::string_view s)
{
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

    std::string mantissa;
    bool seen_point = false;
    int64_t integer_digits = 0;
    int64_t fraction_digits = 0;
    // Where the first non-zero digit sits: it alone tells an overflow from an
    // underflow once the exponent is known.
    std::optional<int64_t> first_nonzero_integer_index;
    std::optional<int64_t> first_nonzero_fraction_index;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (is_digit(c)) {
            if (c != '0' && !first_nonzero_integer_index && !first_nonzero_fraction_index) {
                if (seen_point) first_nonzero_fraction_index = fraction_digits;
                else first_nonzero_integer_index = integer_digits;
            }
            (seen_point ? fraction_digits : integer_digits) += 1;
        } else if (c == '.' && !seen_point) {
            seen_point = true;
        } else {
            break;
        }
        mantissa.push_back(c);
    }
    if (integer_digits + fraction_digits == 0) return 0;

    int64_t exponent = 0;
    if (i < s.size() && (upper(s[i]) == 'E' || upper(s[i]) == 'D')) {
        size_t j = i + 1;
        bool exponent_negative = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent_negative = s[j++] == '-';
        for (; j < s.size() && is_digit(s[j]); ++j) {
            exponent = exponent * 10 + (s[j] - '0');
            if (exponent > kExponentCap) exponent = kExponentCap;
        }
        if (exponent_negative) exponent = -exponent;
    }

    const std::string text = mantissa + "e" + std::to_string(exponent);
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        const int64_t magnitude = first_nonzero_integer_index
            ? integer_digits - 1 - *first_nonzero_integer_index + exponent
            : -(first_nonzero_fraction_index.value_or(0) + 1) + exponent;
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

} // namespace

double leading_number(std::string_view text)
{
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') s.push_back(c);

    if (s.size() >= 2 && s[0] == '&') {
        if (upper(s[1]) == 'H') return radix_integer(std::string_view(s).substr(2), 16);
        if (upper(s[1]) == 'O') return radix_integer(std::string_view(s).substr(2), 8);
    }
    return decimal_prefix(s);
}

std::optional<int32_t> round_to_int32(double value)
{
    if (!std::isfinite(value)) return std::nullopt;
    const double below = std::floor(value);
    const double fraction = value - below; // exact for every double
    double whole = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0)) whole = below + 1;
    if (whole < std::numeric_limits<int32_t>::min() || whole > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(whole);
}

} // namespace kav::drawers
