#include "statistics.h"

#include <algorithm>
#include <cctype>

namespace kav::opos {
namespace {

constexpr Counter kCounters[] = {Counter::HoursPowered, Counter::CommunicationErrors, Counter::GoodOpens,
                                 Counter::FailedOpens};
constexpr int64_t kMaxUpdateValue = 2147483647;

std::string_view trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

bool same_nocase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::optional<Counter> counter_named(std::string_view name)
{
    for (Counter counter : kCounters) {
        if (same_nocase(name, counter_name(counter))) return counter;
    }
    return std::nullopt;
}

// The statistics reported in the Equipment block, never in Event.
bool equipment_name(std::string_view name)
{
    for (std::string_view known : {"UnifiedPOSVersion", "DeviceCategory", "ManufacturerName", "ModelName",
                                   "SerialNumber", "FirmwareRevision", "Interface", "InstallationDate"}) {
        if (same_nocase(name, known)) return true;
    }
    return false;
}

std::vector<std::string_view> split(std::string_view text)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        parts.push_back(trim(text.substr(start, comma == std::string_view::npos ? std::string_view::npos
                                                                                 : comma - start)));
        if (comma == std::string_view::npos) return parts;
        start = comma + 1;
    }
}

// The counters a group or name stands for; nothing for a name no counter has.
std::optional<std::vector<Counter>> counters_named(std::string_view name, bool whole_request)
{
    if (name == "U_" || (name.empty() && whole_request)) return std::vector<Counter>(std::begin(kCounters), std::end(kCounters));
    if (name == "M_") return std::vector<Counter>{};
    if (auto counter = counter_named(name)) return std::vector<Counter>{*counter};
    return std::nullopt;
}

void add_once(std::vector<Counter>& counters, Counter counter)
{
    if (std::find(counters.begin(), counters.end(), counter) == counters.end()) counters.push_back(counter);
}

std::string escaped(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            // Control characters have no place in XML 1.0 text.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                out += '?';
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string_view interface_text(DrawerKind kind)
{
    switch (kind) {
    case DrawerKind::Board: return "Board I/O port through the KAV_cash driver";
    case DrawerKind::UsbHid: return "USB HID";
    case DrawerKind::Serial: return "RS232";
    case DrawerKind::UsbSerialAdapter: return "RS232 on a USB-to-RS232 adapter";
    case DrawerKind::Printer: return "RS232 to an ESC/POS receipt printer's drawer-kick connector";
    }
    return "";
}

void element(std::string& xml, std::string_view name, std::string_view value)
{
    xml += "    <" + std::string(name) + ">" + escaped(value) + "</" + std::string(name) + ">\n";
}

} // namespace

std::string_view counter_name(Counter counter)
{
    switch (counter) {
    case Counter::HoursPowered: return "HoursPoweredCount";
    case Counter::CommunicationErrors: return "CommunicationErrorCount";
    case Counter::GoodOpens: return "DrawerGoodOpenCount";
    case Counter::FailedOpens: return "DrawerFailedOpenCount";
    }
    return "";
}

int64_t counter_value(const StatisticsRecord& record, Counter counter)
{
    switch (counter) {
    case Counter::HoursPowered: return record.powered_ms / kMsPerHour;
    case Counter::CommunicationErrors: return record.communication_errors;
    case Counter::GoodOpens: return record.good_opens;
    case Counter::FailedOpens: return record.failed_opens;
    }
    return 0;
}

void set_counter(StatisticsRecord& record, Counter counter, int64_t value)
{
    switch (counter) {
    case Counter::HoursPowered: record.powered_ms = value * kMsPerHour; break;
    case Counter::CommunicationErrors: record.communication_errors = value; break;
    case Counter::GoodOpens: record.good_opens = value; break;
    case Counter::FailedOpens: record.failed_opens = value; break;
    }
}

std::vector<RetrieveItem> retrieve_selection(std::string_view request)
{
    std::vector<RetrieveItem> items;
    auto has = [&](std::string_view name) {
        return std::any_of(items.begin(), items.end(), [&](const RetrieveItem& item) { return same_nocase(item.name, name); });
    };
    const bool whole = trim(request).empty();
    for (std::string_view name : split(request)) {
        if (auto counters = counters_named(name, whole)) {
            for (Counter counter : *counters) {
                if (!has(counter_name(counter))) items.push_back({std::string(counter_name(counter)), counter});
            }
        } else if (!name.empty() && !equipment_name(name) && !has(name)) {
            items.push_back({std::string(name), std::nullopt});
        }
    }
    return items;
}

std::optional<std::vector<Counter>> reset_selection(std::string_view request)
{
    std::vector<Counter> chosen;
    const bool whole = trim(request).empty();
    for (std::string_view name : split(request)) {
        auto counters = counters_named(name, whole);
        if (!counters) return std::nullopt;
        for (Counter counter : *counters) add_once(chosen, counter);
    }
    return chosen;
}

std::optional<std::vector<std::pair<Counter, int64_t>>> update_selection(std::string_view request)
{
    std::vector<std::pair<Counter, int64_t>> changes;
    for (std::string_view pair : split(request)) {
        const size_t equals = pair.find('=');
        if (equals == std::string_view::npos) return std::nullopt;
        const std::string_view value_text = trim(pair.substr(equals + 1));
        if (value_text.empty() || value_text.size() > 10) return std::nullopt;
        int64_t value = 0;
        for (char c : value_text) {
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + (c - '0');
        }
        if (value > kMaxUpdateValue) return std::nullopt;
        auto counters = counters_named(trim(pair.substr(0, equals)), true);
        if (!counters) return std::nullopt;
        for (Counter counter : *counters) changes.emplace_back(counter, value);
    }
    return changes;
}

std::string statistics_xml(const std::vector<RetrieveItem>& items, const StatisticsRecord& record,
                           const Equipment& equipment)
{
    constexpr std::string_view kNamespace = "http://www.nrf-arts.org/IXRetail/namespace/";
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<UPOSStat version=\"1.14.0\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns=\"";
    xml += std::string(kNamespace) + "\" xsi:schemaLocation=\"" + std::string(kNamespace) + " UPOSStat.xsd\">\n";
    xml += "  <Event>\n";
    for (const RetrieveItem& item : items) {
        xml += "    <Parameter>\n";
        xml += "      <Name>" + escaped(item.name) + "</Name>\n";
        xml += "      <Value>" + (item.counter ? std::to_string(counter_value(record, *item.counter)) : "") + "</Value>\n";
        xml += "    </Parameter>\n";
    }
    xml += "  </Event>\n";
    xml += "  <Equipment>\n";
    element(xml, "UnifiedPOSVersion", "1.14");
    xml += "    <DeviceCategory UPOS=\"CashDrawer\"/>\n";
    element(xml, "ManufacturerName", "KAV");
    element(xml, "ModelName", equipment.drawer.name + " (" + std::string(kind_text(equipment.drawer.kind)) + ")");
    element(xml, "SerialNumber", "");
    element(xml, "FirmwareRevision", "");
    element(xml, "Interface", interface_text(equipment.drawer.kind));
    element(xml, "InstallationDate", equipment.installation_date);
    xml += "  </Equipment>\n";
    xml += "</UPOSStat>\n";
    return xml;
}

} // namespace kav::opos
