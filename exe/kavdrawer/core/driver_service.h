// The board drawers' port driver runs as the kernel service "KAV_cash", which
// the utility installs and starts when it starts and removes when it ends. The
// tool does the same, but only once a board drawer's device did not open, and
// it removes only a service it started itself: a service that the utility or
// an earlier run keeps running is left as it is.
#pragma once
#include "drawer_access.h"

namespace kav::cli {

class DriverService {
public:
    explicit DriverService(const gui::Library& library) : library_(library) {}
    // Stops and removes the service if this run started it.
    ~DriverService();
    DriverService(const DriverService&) = delete;
    DriverService& operator=(const DriverService&) = delete;

    // Tries once per run, on Windows 2000-class systems only (Windows 98
    // loads the driver at boot): true if the service started now.
    bool start();

private:
    const gui::Library& library_;
    bool tried_ = false;
    bool started_ = false;
};

// Drawers whose board requests start the driver's service when the device did
// not open, and are then asked again.
class ServiceStartingDrawers final : public Drawers {
public:
    ServiceStartingDrawers(Drawers& drawers, DriverService& service) : drawers_(drawers), service_(service) {}
    Reply open(const Drawer& drawer) override;
    Reply status(const Drawer& drawer) override;

private:
    Drawers& drawers_;
    DriverService& service_;
};

} // namespace kav::cli
