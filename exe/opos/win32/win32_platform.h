// The service object's platform on Windows: the performance counter and the
// system time, Beep, the thread and lock classes, the logical device's
// registry key, the claim mutex and the statistics file. The drawers come
// from the DrawerPorts it is given.
#pragma once
#include "platform.h"

namespace kav::opos::win32 {

// Where the control object and the service object find logical devices.
inline constexpr const wchar_t* kCashDrawerKey = L"SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer";

class Win32Platform final : public Platform, Clock, Beeper {
public:
    explicit Win32Platform(DrawerPorts& drawers) : drawers_(drawers) {}

    Clock& clock() override { return *this; }
    Beeper& beeper() override { return *this; }
    DrawerPorts& drawers() override { return drawers_; }
    std::unique_ptr<Monitor> make_monitor() override;
    std::unique_ptr<Worker> make_worker() override;
    DeviceLookup find_device(std::string_view device_name) override;
    std::unique_ptr<ClaimArbiter> claim_arbiter(std::string_view device_name) override;
    std::unique_ptr<StatisticsStore> statistics_store(std::string_view device_name) override;

    int64_t now_ms() override;
    int64_t wall_ms() override;
    void beep(int32_t frequency_hz, int32_t duration_ms) override;

private:
    DrawerPorts& drawers_;
};

} // namespace kav::opos::win32
