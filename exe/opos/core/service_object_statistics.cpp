// The service object's statistics: counts gathered in memory (an open of the
// drawer never waits for a disk), written to the device's shared record by
// the watch soon after, and at once by the statistics methods, disable and
// close.
#include "service_object.h"

namespace kav::opos {

PendingStatistics ServiceObject::take_pending(bool up_to_now)
{
    Locked locked(*state_);
    if (up_to_now) cut_powered_spell();
    PendingStatistics taken = std::move(pending_);
    pending_ = PendingStatistics{};
    return taken;
}

std::optional<StatisticsRecord> ServiceObject::write_statistics(
    const std::function<void(StatisticsRecord&)>& change)
{
    // The statistics methods report powered time up to this moment.
    const PendingStatistics taken = take_pending(change != nullptr);
    const int64_t now = clock_.wall_ms();
    auto written = statistics_->update([&](StatisticsRecord& record) {
        taken.apply_to(record);
        if (record.installation_date.empty()) record.installation_date = civil_date(now);
        if (change) change(record);
    });
    if (!written) {
        Locked locked(*state_);
        pending_.add(taken);
    }
    return written;
}

bool ServiceObject::flush_statistics()
{
    {
        Locked locked(*state_);
        if (pending_.empty()) return true;
    }
    return write_statistics(nullptr).has_value();
}

int32_t ServiceObject::statistics_precondition(std::string_view request)
{
    if (!open_) return OPOS_E_CLOSED;
    {
        Locked locked(*state_);
        if (!enabled_) return OPOS_E_DISABLED;
    }
    return request.size() > kMaxStatisticsText ? OPOS_E_ILLEGAL : OPOS_SUCCESS;
}

int32_t ServiceObject::retrieve_statistics(std::string& buffer)
{
    if (const int32_t refused = statistics_precondition(buffer)) return done(refused);
    const auto record = write_statistics([](StatisticsRecord&) {});
    if (!record) return done(OPOS_E_FAILURE);
    buffer = statistics_xml(retrieve_selection(buffer), *record, Equipment{drawer_, record->installation_date});
    return done(OPOS_SUCCESS);
}

int32_t ServiceObject::reset_statistics(std::string_view names)
{
    if (const int32_t refused = statistics_precondition(names)) return done(refused);
    // All or nothing: a name that cannot be reset changes nothing.
    const auto counters = reset_selection(names);
    if (!counters) return done(OPOS_E_EXTENDED, OPOS_ESTATS_ERROR);
    const auto written = write_statistics([&](StatisticsRecord& record) {
        for (Counter counter : *counters) set_counter(record, counter, 0);
    });
    return done(written ? OPOS_SUCCESS : OPOS_E_FAILURE);
}

int32_t ServiceObject::update_statistics(std::string_view pairs)
{
    if (const int32_t refused = statistics_precondition(pairs)) return done(refused);
    const auto changes = update_selection(pairs);
    if (!changes) return done(OPOS_E_EXTENDED, OPOS_ESTATS_ERROR);
    const auto written = write_statistics([&](StatisticsRecord& record) {
        for (const auto& [counter, value] : *changes) set_counter(record, counter, value);
    });
    return done(written ? OPOS_SUCCESS : OPOS_E_FAILURE);
}

} // namespace kav::opos
