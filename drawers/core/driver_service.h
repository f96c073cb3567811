// The board drawers' port driver runs as the kernel service "KAV_cash". The
// utility creates and starts it at its start and stops and deletes it when it
// ends; Windows 98 loads the driver at boot and has no such service.
// DriverService starts it on demand for a program that only needs it once a
// board drawer's device did not open: the console tool (which removes what it
// started when it ends) and a service object (which leaves it running).
#pragma once
#include "drawer_access.h"
#include "library.h"

#include <cstdint>

namespace kav::drawers {

// Whether this system runs the driver as a service (the Windows 2000 class).
bool driver_runs_as_service(const Library& library);
// LoadService with the driver's service name and image path: 0 when it
// started, else the system's error code (1056: it runs already).
int32_t start_driver_service(const Library& library);
// UnloadService: stops the service and deletes it; harmless when it is not there.
void remove_driver_service(const Library& library);

class DriverService {
public:
    enum class AtEnd {
        LeaveRunning, // the service stays for whoever comes next
        Remove,       // a service this object started is removed with it
    };

    DriverService(const Library& library, AtEnd at_end) : library_(library), at_end_(at_end) {}
    // With AtEnd::Remove, removes the service if this object started it.
    // The library's calls never throw.
    ~DriverService();
    DriverService(const DriverService&) = delete;
    DriverService& operator=(const DriverService&) = delete;

    // Tries once per object, on a system that runs the driver as a service:
    // true if the service started now. One that runs already is left as it
    // is, and never removed.
    bool start();
    bool started() const { return started_; }

private:
    const Library& library_;
    AtEnd at_end_;
    bool tried_ = false;
    bool started_ = false;
};

// Drawers whose board requests start the driver's service when the device did
// not open, and are then asked again.
class ServiceStartingDrawers final : public Drawers {
public:
    ServiceStartingDrawers(Drawers& drawers, DriverService& service) : drawers_(drawers), service_(service) {}
    Reply open(const DrawerAddress& drawer) override;
    Reply status(const DrawerAddress& drawer) override;

private:
    Drawers& drawers_;
    DriverService& service_;
};

} // namespace kav::drawers
