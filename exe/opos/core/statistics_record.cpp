#include "statistics_record.h"

#include <algorithm>
#include <cstdio>

namespace kav::opos {
namespace {

constexpr std::string_view kHeader = "KAV OPOS CashDrawer statistics 1\n";
constexpr std::string_view kCheck = "Check=";
constexpr size_t kMaxDigits = 18; // fits int64_t

uint32_t fnv1a(std::string_view text)
{
    uint32_t hash = 2166136261u;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

std::string hex8(uint32_t value)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

// Takes "name=value\n" off the front of text; false if it is not there.
bool take_line(std::string_view& text, std::string_view name, std::string_view& value)
{
    if (text.substr(0, name.size()) != name || text.substr(name.size(), 1) != "=") return false;
    text.remove_prefix(name.size() + 1);
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) return false;
    value = text.substr(0, end);
    text.remove_prefix(end + 1);
    return true;
}

bool take_number(std::string_view& text, std::string_view name, int64_t& out)
{
    std::string_view value;
    if (!take_line(text, name, value) || value.empty() || value.size() > kMaxDigits) return false;
    int64_t number = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    out = number;
    return true;
}

bool date_shape(std::string_view date)
{
    if (date.empty()) return true;
    if (date.size() != 10 || date[4] != '-' || date[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (date[i] < '0' || date[i] > '9') return false;
    }
    return true;
}

} // namespace

bool PendingStatistics::empty() const
{
    return good_opens == 0 && failed_opens == 0 && communication_errors == 0 && powered_spans.empty();
}

void PendingStatistics::add(const PendingStatistics& other)
{
    good_opens += other.good_opens;
    failed_opens += other.failed_opens;
    communication_errors += other.communication_errors;
    powered_spans.insert(powered_spans.begin(), other.powered_spans.begin(), other.powered_spans.end());
}

void PendingStatistics::apply_to(StatisticsRecord& record) const
{
    record.good_opens += good_opens;
    record.failed_opens += failed_opens;
    record.communication_errors += communication_errors;
    for (const auto& [from, to] : powered_spans) {
        const int64_t start = std::max(from, record.powered_until_ms);
        if (to > start) record.powered_ms += to - start;
        record.powered_until_ms = std::max(record.powered_until_ms, to);
    }
}

std::string format_record(const StatisticsRecord& record)
{
    std::string text(kHeader);
    text += "DrawerGoodOpenCount=" + std::to_string(record.good_opens) + "\n";
    text += "DrawerFailedOpenCount=" + std::to_string(record.failed_opens) + "\n";
    text += "CommunicationErrorCount=" + std::to_string(record.communication_errors) + "\n";
    text += "PoweredMilliseconds=" + std::to_string(record.powered_ms) + "\n";
    text += "PoweredUntil=" + std::to_string(record.powered_until_ms) + "\n";
    text += "InstallationDate=" + record.installation_date + "\n";
    text += std::string(kCheck) + hex8(fnv1a(text)) + "\n";
    return text;
}

std::optional<StatisticsRecord> parse_record(std::string_view text)
{
    const size_t check_at = text.rfind(kCheck);
    if (check_at == std::string_view::npos || text.substr(0, kHeader.size()) != kHeader) return std::nullopt;
    if (text.substr(check_at) != std::string(kCheck) + hex8(fnv1a(text.substr(0, check_at))) + "\n") {
        return std::nullopt;
    }
    std::string_view body = text.substr(kHeader.size(), check_at - kHeader.size());
    StatisticsRecord record;
    std::string_view date;
    if (!take_number(body, "DrawerGoodOpenCount", record.good_opens) ||
        !take_number(body, "DrawerFailedOpenCount", record.failed_opens) ||
        !take_number(body, "CommunicationErrorCount", record.communication_errors) ||
        !take_number(body, "PoweredMilliseconds", record.powered_ms) ||
        !take_number(body, "PoweredUntil", record.powered_until_ms) ||
        !take_line(body, "InstallationDate", date) || !date_shape(date) || !body.empty()) {
        return std::nullopt;
    }
    record.installation_date = date;
    return record;
}

std::string civil_date(int64_t wall_ms)
{
    // Days since 1970 to a Gregorian date (Howard Hinnant's civil_from_days).
    int64_t days = wall_ms / 86400000;
    if (wall_ms % 86400000 < 0) --days;
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t day_of_era = days - era * 146097;
    const int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const int64_t mp = (5 * day_of_year + 2) / 153;
    const int64_t day = day_of_year - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
    char text[32];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02d", static_cast<long long>(year), static_cast<int>(month),
                  static_cast<int>(day));
    return text;
}

} // namespace kav::opos
