// The statistics' two texts: the record kept on disk (a changed or cut
// record is recognised) and the UPOSStat document RetrieveStatistics returns.
#include "statistics.h"

#include <gtest/gtest.h>

namespace kav::opos {
namespace {

StatisticsRecord sample()
{
    StatisticsRecord record;
    record.good_opens = 12;
    record.failed_opens = 3;
    record.communication_errors = 1;
    record.powered_ms = 5 * kMsPerHour + 59 * 60000;
    record.powered_until_ms = 1700000000000;
    record.installation_date = "2023-11-14";
    return record;
}

TEST(StatisticsRecordText, ReadsBackWhatItWroteAndNothingElse)
{
    const std::string text = format_record(sample());
    ASSERT_EQ(parse_record(text), sample());
    EXPECT_EQ(parse_record(format_record(StatisticsRecord{})), StatisticsRecord{});
    // Every record cut short, and every record with one byte changed, is
    // refused rather than read as other numbers.
    for (size_t length = 0; length < text.size(); ++length) {
        EXPECT_FALSE(parse_record(text.substr(0, length))) << "cut to " << length;
    }
    for (size_t at = 0; at < text.size(); ++at) {
        std::string changed = text;
        changed[at] = static_cast<char>(changed[at] ^ 0x01);
        EXPECT_FALSE(parse_record(changed)) << "byte " << at << " changed";
    }
    EXPECT_FALSE(parse_record(text + "x"));
}

TEST(StatisticsRecordText, PoweredSpansOfSeveralProcessesCountTheirUnion)
{
    StatisticsRecord record;
    PendingStatistics first;
    first.powered_spans = {{1000, 5000}};
    first.good_opens = 2;
    first.apply_to(record);
    PendingStatistics second;
    second.powered_spans = {{3000, 6000}, {8000, 9000}};
    second.apply_to(record);
    EXPECT_EQ(record.powered_ms, 4000 + 1000 + 1000);
    EXPECT_EQ(record.powered_until_ms, 9000);
    EXPECT_EQ(record.good_opens, 2);
}

TEST(StatisticsRecordText, CivilDates)
{
    EXPECT_EQ(civil_date(0), "1970-01-01");
    EXPECT_EQ(civil_date(951782400000), "2000-02-29");
    EXPECT_EQ(civil_date(1700000000000), "2023-11-14");
    EXPECT_EQ(civil_date(-1), "1969-12-31");
}

TEST(StatisticsSelection, RetrieveNamesGroupsAndUnknownNames)
{
    auto names = [](std::string_view request) {
        std::vector<std::string> out;
        for (const RetrieveItem& item : retrieve_selection(request)) {
            out.push_back(item.name + (item.counter ? "" : "?"));
        }
        return out;
    };
    const std::vector<std::string> all = {"HoursPoweredCount", "CommunicationErrorCount", "DrawerGoodOpenCount",
                                          "DrawerFailedOpenCount"};
    EXPECT_EQ(names(""), all);
    EXPECT_EQ(names("U_"), all);
    EXPECT_EQ(names("M_"), std::vector<std::string>{});
    EXPECT_EQ(names(" drawergoodopencount , Bogus,DrawerGoodOpenCount,ModelName,, "),
              (std::vector<std::string>{"DrawerGoodOpenCount", "Bogus?"}));
    EXPECT_EQ(names("Bogus,U_").size(), 5u);
}

TEST(StatisticsXml, TheUposStatDocument)
{
    const auto items = retrieve_selection("DrawerGoodOpenCount,HoursPoweredCount,M_<x>&\"");
    const std::string xml =
        statistics_xml(items, sample(), Equipment{{"com3", DrawerKind::Serial}, "2023-11-14"});
    EXPECT_EQ(xml, R"(<?xml version="1.0" encoding="UTF-8"?>
<UPOSStat version="1.14.0" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns="http://www.nrf-arts.org/IXRetail/namespace/" xsi:schemaLocation="http://www.nrf-arts.org/IXRetail/namespace/ UPOSStat.xsd">
  <Event>
    <Parameter>
      <Name>DrawerGoodOpenCount</Name>
      <Value>12</Value>
    </Parameter>
    <Parameter>
      <Name>HoursPoweredCount</Name>
      <Value>5</Value>
    </Parameter>
    <Parameter>
      <Name>M_&lt;x&gt;&amp;&quot;</Name>
      <Value></Value>
    </Parameter>
  </Event>
  <Equipment>
    <UnifiedPOSVersion>1.14</UnifiedPOSVersion>
    <DeviceCategory UPOS="CashDrawer"/>
    <ManufacturerName>KAV</ManufacturerName>
    <ModelName>com3 (RS232 drawer)</ModelName>
    <SerialNumber></SerialNumber>
    <FirmwareRevision></FirmwareRevision>
    <Interface>RS232</Interface>
    <InstallationDate>2023-11-14</InstallationDate>
  </Equipment>
</UPOSStat>
)");
}

TEST(StatisticsXml, ControlCharactersNeverReachTheDocument)
{
    const std::string xml = statistics_xml(retrieve_selection(std::string("a\x01" "b")), sample(),
                                           Equipment{{"com3", DrawerKind::Serial}, ""});
    EXPECT_NE(xml.find("<Name>a?b</Name>"), std::string::npos);
}

} // namespace
} // namespace kav::opos
