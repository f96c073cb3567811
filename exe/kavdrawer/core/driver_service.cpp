#include "driver_service.h"

#include "kav_cash_device.h"
#include "os_version.h"

namespace kav::cli {

DriverService::~DriverService()
{
    // Result ignored, as the utility ignores it: nothing is left to do.
    if (started_) library_.UnloadService(kServiceName, gui::kDeleteService);
}

bool DriverService::start()
{
    if (tried_) return false;
    tried_ = true;
    if (library_.OSVersion() != tillio::kWindows2000) return false;
    started_ = library_.LoadService(kServiceName, kDriverImagePath) == 0;
    return started_;
}

Reply ServiceStartingDrawers::open(const Drawer& drawer)
{
    Reply reply = drawers_.open(drawer);
    // A device that did not open took no pulse: asking again fires it once.
    if (drawer.kind == DrawerKind::Board && reply.outcome == Outcome::NotReachable && service_.start())
        reply = drawers_.open(drawer);
    return reply;
}

Reply ServiceStartingDrawers::status(const Drawer& drawer)
{
    Reply reply = drawers_.status(drawer);
    if (drawer.kind == DrawerKind::Board && reply.outcome == Outcome::NotReachable && service_.start())
        reply = drawers_.status(drawer);
    return reply;
}

} // namespace kav::cli
