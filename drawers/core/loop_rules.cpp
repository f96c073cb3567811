#include "loop_rules.h"

#include "number_rules.h"

namespace kav::drawers {

std::optional<RunPlan> plan_run(const std::string& loop_type, const std::string& interval,
                                const std::string& count_or_time)
{
    const double seconds = leading_number(interval);
    const std::optional<int32_t> period = round_to_int32(seconds * 1000);
    // A period of 0 would never tick, and time mode divides by the interval.
    if (!period || *period < 1) return std::nullopt;
    const double amount = leading_number(count_or_time);
    const std::optional<int32_t> total =
        round_to_int32(loop_type == kLoopByCount ? amount : amount * 60 / seconds);
    if (!total) return std::nullopt;
    return RunPlan{*period, *total};
}

} // namespace kav::drawers
