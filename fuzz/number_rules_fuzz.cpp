// The utility's leading-number rule and its rounding, on any text.
#include "number_rules.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = kav::drawers::leading_number(text);
    const std::optional<int32_t> whole = kav::drawers::round_to_int32(value);
    if (whole && std::fabs(static_cast<double>(*whole) - value) > 0.5) std::abort(); // rounding moved too far
    if (std::isnan(value) && whole) std::abort();
    return 0;
}
