// The utility's leading-number rule and its rounding, on any text. Checked
// against the C library: a plain decimal (sign, digits with one point, an
// exponent of E or D) reads as strtod reads it with an E, and text with no
// number reads as 0; the rounding to 32 bits gives the ties-to-even neighbour (nearbyint)
// exactly when that lies inside the int32 range. The rounding is also fed the
// input's first eight bytes as a double, which reaches the range's edges,
// infinities and NaNs.
#include "number_rules.h"

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

void check(bool fact)
{
    if (!fact) std::abort();
}

void check_rounding(double value)
{
    const std::optional<int32_t> whole = kav::drawers::round_to_int32(value);
    // The default rounding mode rounds halves to even.
    const double nearest = std::nearbyint(value);
    const bool inside = std::isfinite(value) && nearest >= -2147483648.0 && nearest <= 2147483647.0;
    check(whole.has_value() == inside);
    if (whole) check(static_cast<double>(*whole) == nearest);
}

bool digit(char c) { return c >= '0' && c <= '9'; }

// The plain decimal at the start of text, in strtod's terms: "" when there
// is none. Only for text without blanks, tabs or line feeds and not starting
// with &H or &O, which have rules of their own.
std::string plain_decimal(std::string_view text)
{
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (digit(text[i])) ++digits;
        else if (text[i] == '.' && !point) point = true;
        else break;
    }
    if (digits == 0) return {};
    std::string number(text.substr(0, i));
    // An exponent counts only with a digit; strtod knows its letter as E.
    if (i < text.size() && std::string_view("EeDd").find(text[i]) != std::string_view::npos) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && digit(text[j])) {
            while (j < text.size() && digit(text[j])) ++j;
            number += "e";
            number += text.substr(i + 1, j - i - 1);
        }
    }
    return number;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    check(std::fegetround() == FE_TONEAREST);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = kav::drawers::leading_number(text);
    check_rounding(value);

    if (size >= sizeof(double)) {
        double raw = 0;
        std::memcpy(&raw, data, sizeof raw);
        check_rounding(raw);
    }

    // Blanks dropped anywhere and &H/&O have no strtod twin.
    const bool radix = size >= 2 && text[0] == '&' && std::string_view("HhOo").find(text[1]) != std::string_view::npos;
    const bool plain = text.find_first_of(" \t\n") == std::string_view::npos && !radix;
    if (plain) {
        const std::string number = plain_decimal(text);
        const double expected = number.empty() ? 0.0 : std::strtod(number.c_str(), nullptr);
        check(value == expected);
    }
    return 0;
}
