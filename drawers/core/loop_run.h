// A loop test over any drawer, for a program without the utility's window:
// the run is planned by the loop test's own arithmetic (interval, count or
// minutes), each tick opens the drawer once, the first failure ends the run
// as it ends the utility's, and the run goes to the log in LoopTest.log's lines.
#pragma once
#include "drawer_access.h"
#include "run_log.h"
#include "wait_close.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kav::drawers {

struct LoopSettings {
    std::string loop_type; // "Count" or "Time", as the utility names them
    std::string interval;  // seconds
    std::string amount;    // the count or the minutes
};

struct LoopTick {
    int number;
    int total;
    Reply reply;
    bool ok;
};

enum class LoopEnd {
    Completed,
    Cancelled,  // a sleep between ticks was interrupted
    Failed,     // a tick's open failed; LoopSummary::failure says how
    NotPlanned, // the settings plan no tick
};

struct LoopSummary {
    int ticks = 0;
    int failures = 0;
    int64_t duration_ms = 0;
    // How the log's "run ended" line put it: "completed", "cancelled" or the
    // failure's message.
    std::string end;
    LoopEnd how = LoopEnd::Completed;
    Outcome failure = Outcome::Done; // the failed tick's outcome
};

// Ticks at the start plus one interval, two intervals, ... (never drifting),
// until the planned number of ticks, a failure, or an interrupted sleep.
LoopSummary run_loop(const DrawerAddress& drawer, const LoopSettings& settings, Drawers& drawers, Clock& clock,
                     RunLog& log, const std::function<void(const LoopTick&)>& on_tick);

} // namespace kav::drawers
