// One device's statistics as they are kept on disk: a short text with a
// checksum, so a record that was changed or cut short is recognised rather
// than read as numbers.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kav::opos {

struct StatisticsRecord {
    int64_t good_opens = 0;
    int64_t failed_opens = 0;
    int64_t communication_errors = 0;
    // Time the drawer was powered (enabled and reachable) in some process,
    // each moment counted once however many processes had it enabled.
    int64_t powered_ms = 0;
    // The wall time (ms since 1970) up to which powered time is counted.
    int64_t powered_until_ms = 0;
    // The day the record was first written, "2024-05-01".
    std::string installation_date;

    bool operator==(const StatisticsRecord&) const = default;
};

// What one process has counted since it last wrote the record: counts to
// add, and the wall-time spans (ms since 1970) the drawer was powered.
struct PendingStatistics {
    int64_t good_opens = 0;
    int64_t failed_opens = 0;
    int64_t communication_errors = 0;
    std::vector<std::pair<int64_t, int64_t>> powered_spans;

    bool empty() const;
    // Adds what was taken out again, after a write that failed.
    void add(const PendingStatistics& other);
    // A span adds only the time after the record's powered_until_ms, so time
    // two processes both counted is counted once (spans are written at least
    // every minute, which bounds what an overlap can miss to that minute).
    void apply_to(StatisticsRecord& record) const;
};

std::string format_record(const StatisticsRecord& record);
// Nothing unless text is exactly what format_record writes.
std::optional<StatisticsRecord> parse_record(std::string_view text);

// "YYYY-MM-DD" of a wall time (UTC).
std::string civil_date(int64_t wall_ms);

} // namespace kav::opos
