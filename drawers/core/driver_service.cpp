#include "driver_service.h"

#include "kav_cash_device.h"

namespace kav::drawers {
namespace {

// UnloadService's delete flag: stop the service and delete it.
constexpr int kDeleteService = -1;

} // namespace

bool driver_runs_as_service(const Library& library) { return library.OSVersion() == TILLIO_WINDOWS_2000; }

int32_t start_driver_service(const Library& library) { return library.LoadService(kServiceName, kDriverImagePath); }

// Result ignored: nothing is left to do when it fails.
void remove_driver_service(const Library& library) { library.UnloadService(kServiceName, kDeleteService); }

DriverService::~DriverService()
{
    if (started_ && at_end_ == AtEnd::Remove) remove_driver_service(library_);
}

bool DriverService::start()
{
    if (tried_) return false;
    tried_ = true;
    if (!driver_runs_as_service(library_)) return false;
    started_ = start_driver_service(library_) == 0;
    return started_;
}

Reply ServiceStartingDrawers::open(const DrawerAddress& drawer)
{
    Reply reply = drawers_.open(drawer);
    // A device that did not open took no pulse: asking again fires it once.
    if (drawer.kind == DrawerKind::Board && reply.outcome == Outcome::NotReachable && service_.start())
        reply = drawers_.open(drawer);
    return reply;
}

Reply ServiceStartingDrawers::status(const DrawerAddress& drawer)
{
    Reply reply = drawers_.status(drawer);
    if (drawer.kind == DrawerKind::Board && reply.outcome == Outcome::NotReachable && service_.start())
        reply = drawers_.status(drawer);
    return reply;
}

} // namespace kav::drawers
