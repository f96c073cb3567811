// The loop test's arithmetic: its settings as the user gives them (text, as
// the utility's lists hold it) turned into a tick period and a tick count.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kav::drawers {

inline constexpr const char* kLoopByCount = "Count";
inline constexpr const char* kLoopByTime = "Time";
// The loop types in the settings window's order; auto.ini's "LT" holds one.
inline constexpr std::array<std::string_view, 2> kLoopTypes{kLoopByCount, kLoopByTime};

// The timer period and the number of ticks, LoopTotal.
struct RunPlan {
    int32_t period_ms;
    int32_t total;
};

// The interval in seconds times 1000 is the period; Count runs the number
// given, Time the minutes given times 60 divided by the interval, each
// rounded to a whole number. Nothing when either would leave the signed
// 32-bit range or the period would be shorter than a millisecond.
std::optional<RunPlan> plan_run(const std::string& loop_type, const std::string& interval,
                                const std::string& count_or_time);

} // namespace kav::drawers
