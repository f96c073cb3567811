// The drawer's statistics by their UnifiedPOS names: which ones a request
// names, resetting and setting them, and the UPOSStat document that
// RetrieveStatistics returns.
#pragma once
#include "drawer_port.h"
#include "statistics_record.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kav::opos {

enum class Counter { HoursPowered, CommunicationErrors, GoodOpens, FailedOpens };

inline constexpr int64_t kMsPerHour = 3600000;
// Requests longer than this are refused outright.
inline constexpr size_t kMaxStatisticsText = 65536;

std::string_view counter_name(Counter counter);
int64_t counter_value(const StatisticsRecord& record, Counter counter);
void set_counter(StatisticsRecord& record, Counter counter, int64_t value);

// What RetrieveStatistics reports: "" all, "U_" all UnifiedPOS ones, "M_"
// the maker's (none), or names separated by commas. A name the drawer does
// not keep comes back with an empty value.
struct RetrieveItem {
    std::string name;
    std::optional<Counter> counter;
};
std::vector<RetrieveItem> retrieve_selection(std::string_view request);

// ResetStatistics' names, the same forms; nothing if any name cannot be reset.
std::optional<std::vector<Counter>> reset_selection(std::string_view request);

// UpdateStatistics' "name=value,name=value" (a name may be "", "U_" or
// "M_"); nothing if any pair is malformed or names what cannot be set.
std::optional<std::vector<std::pair<Counter, int64_t>>> update_selection(std::string_view request);

struct Equipment {
    DrawerIdentity drawer;
    std::string installation_date;
};

std::string statistics_xml(const std::vector<RetrieveItem>& items, const StatisticsRecord& record,
                           const Equipment& equipment);

} // namespace kav::opos
