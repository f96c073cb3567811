// loop: the utility's loop test from the console. The run is planned by the
// utility's own arithmetic (interval, count or minutes), each tick opens the
// drawer once, the first failure ends the run as it ends the utility's, and
// the run goes to LoopTest.log in the utility's lines.
#pragma once
#include "drawer_access.h"
#include "run_log.h"
#include "wait_close.h"

#include <functional>
#include <string>

namespace kav::cli {

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

struct LoopSummary {
    int ticks = 0;
    int failures = 0;
    int64_t duration_ms = 0;
    // How the log's "run ended" line put it: "completed", "cancelled" or the
    // failure's message.
    std::string end;
    ExitCode code = ExitCode::Ok;
};

// Ticks at the start plus one interval, two intervals, ... (never drifting),
// until the planned number of ticks, a failure, or an interrupted sleep.
// The settings must plan a run (see plan_run); the grammar has checked them.
LoopSummary run_loop(const Drawer& drawer, const LoopSettings& settings, Drawers& drawers, Clock& clock,
                     gui::RunLog& log, const std::function<void(const LoopTick&)>& on_tick);

} // namespace kav::cli
