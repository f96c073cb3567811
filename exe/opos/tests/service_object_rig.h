// One machine of fakes (a time line, drawers, claims, statistics files) and
// service objects on it, each standing for one process's control object.
#pragma once
#include "fake_platform.h"
#include "service_object.h"

#include <memory>
#include <string>
#include <vector>

namespace kav::opos::testing {

inline constexpr const char* kDevice = "Drawer1";
inline constexpr const char* kDrawer = "VOLX-8613:1";

struct Rig {
    Rig() { drawers.drawers[kDrawer] = FakeDrawer{}; }
    FakeDrawer& drawer() { return drawers.drawers[kDrawer]; }

    FakeWorld world;
    FakeDrawerPorts drawers;
    FakeClaims claims;
    FakeStatisticsFiles statistics;
};

struct Instance {
    explicit Instance(Rig& machine) : rig(machine), platform(rig.world, rig.drawers, rig.claims, rig.statistics)
    {
        platform.devices[kDevice] = std::string(kDrawer);
    }

    int32_t open(const std::string& device = kDevice)
    {
        return so.open_service("CashDrawer", device, std::make_unique<FakeEventSink>(events, sink_alive));
    }
    int32_t enable() { return so.set_property_number(PIDX_DeviceEnabled, 1); }
    int32_t number(int32_t index) { return so.get_property_number(index); }
    int32_t result_code() { return so.get_property_number(PIDX_ResultCode); }
    // One statistic as RetrieveStatistics reports it (enabled), -1 if none.
    int64_t statistic(const std::string& name)
    {
        std::string xml = name;
        if (so.retrieve_statistics(xml) != OPOS_SUCCESS) return -1;
        const size_t value = xml.find("<Value>");
        if (value == std::string::npos) return -1;
        return std::stoll(xml.substr(value + 7));
    }

    Rig& rig;
    FakePlatform platform;
    std::shared_ptr<std::vector<int32_t>> events = std::make_shared<std::vector<int32_t>>();
    std::shared_ptr<bool> sink_alive = std::make_shared<bool>(false);
    ServiceObject so{platform};
};

} // namespace kav::opos::testing
