#include "loop_run.h"

#include "loop_rules.h"

namespace kav::drawers {

LoopSummary run_loop(const DrawerAddress& drawer, const LoopSettings& settings, Drawers& drawers, Clock& clock,
                     RunLog& log, const std::function<void(const LoopTick&)>& on_tick)
{
    const std::string name = drawer_name(drawer);
    const std::optional<RunPlan> plan = plan_run(settings.loop_type, settings.interval, settings.amount);
    LoopSummary summary;
    const int64_t start = clock.now_ms();
    if (!plan || plan->total < 1) {
        summary.end = "Keyin Error";
        summary.how = LoopEnd::NotPlanned;
        return summary;
    }

    log.started(name, settings.loop_type, settings.interval, settings.amount);
    for (int32_t tick = 1; tick <= plan->total; ++tick) {
        if (!clock.sleep_until(start + static_cast<int64_t>(tick) * plan->period_ms)) {
            summary.end = "cancelled";
            summary.how = LoopEnd::Cancelled;
            break;
        }
        const Reply reply = drawers.open(drawer);
        const bool ok = reply.outcome == Outcome::Done;
        log.tick(tick, name, reply.call);
        summary.ticks = tick;
        on_tick({tick, plan->total, reply, ok});
        if (!ok) {
            summary.failures = 1;
            summary.end = reply.failure;
            summary.how = LoopEnd::Failed;
            summary.failure = reply.outcome;
            break;
        }
    }
    if (summary.end.empty()) summary.end = "completed";
    log.ended(summary.end);
    summary.duration_ms = clock.now_ms() - start;
    return summary;
}

} // namespace kav::drawers
