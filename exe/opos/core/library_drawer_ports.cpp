#include "library_drawer_ports.h"

#include "adapter_ports.h"
#include "driver_service.h"
#include "shared_serial_port.h"

namespace kav::opos {
namespace {

using drawers::DrawerAddress;
using drawers::Outcome;

// The drawer library's reading of a reply, in the service object's terms.
Reading reply_reading(const drawers::Reply& reply)
{
    switch (drawers::reading_of(reply)) {
    case drawers::Reading::Open: return Reading::Open;
    case drawers::Reading::Closed: return Reading::Closed;
    case drawers::Reading::NotReachable: return Reading::NotReachable;
    case drawers::Reading::RequestFailed:
    case drawers::Reading::Interrupted: break;
    }
    return Reading::RequestFailed;
}

OpenOutcome reply_open_outcome(const drawers::Reply& reply)
{
    switch (reply.outcome) {
    case Outcome::Done: return OpenOutcome::Done;
    case Outcome::NotReachable: return OpenOutcome::NotReachable;
    case Outcome::Open:
    case Outcome::Closed:
    case Outcome::RequestFailed: break;
    }
    return OpenOutcome::RequestFailed;
}

// A board, USB or receipt printer's drawer: each request one request of the
// drawer library.
class LibraryPort final : public DrawerPort {
public:
    LibraryPort(DrawerIdentity identity, DrawerAddress address, const drawers::Library& library,
                drawers::Drawers& drawers)
        : identity_(std::move(identity)), address_(address), library_(library), drawers_(drawers)
    {
    }
    DrawerIdentity identity() const override { return identity_; }
    OpenOutcome open_drawer() override { return reply_open_outcome(drawers_.open(address_)); }
    Reading read() override { return reply_reading(drawers_.status(address_)); }
    bool start_driver_service() override
    {
        if (address_.kind != drawers::DrawerKind::Board) return false;
        // Asked afresh at each request that found the device closed: the
        // service may have been removed since (the utility removes it as it
        // ends). What this starts stays for every program after us.
        drawers::DriverService service(library_, drawers::DriverService::AtEnd::LeaveRunning);
        return service.start();
    }

private:
    const DrawerIdentity identity_;
    const DrawerAddress address_;
    const drawers::Library& library_;
    drawers::Drawers& drawers_;
};

bool on_an_adapter(const drawers::Library& library, int port)
{
    for (const std::string& name : drawers::list_adapter_ports(library).names)
        if (drawers::adapter_port_number(library, name) == port) return true;
    return false;
}

} // namespace

std::unique_ptr<DrawerPort> LibraryDrawerPorts::port_for(std::string_view drawer_name, std::string& why)
{
    const drawers::DrawerParse parse = drawers::parse_drawer(drawer_name);
    if (!parse.drawer) {
        why = parse.message;
        return nullptr;
    }
    const DrawerAddress address = *parse.drawer;
    const std::string name = drawers::drawer_name(address);
    switch (address.kind) {
    case drawers::DrawerKind::Board:
        return std::make_unique<LibraryPort>(DrawerIdentity{name, DrawerKind::Board}, address, library_, drawers_);
    case drawers::DrawerKind::Usb:
        return std::make_unique<LibraryPort>(DrawerIdentity{name, DrawerKind::UsbHid}, address, library_, drawers_);
    case drawers::DrawerKind::Printer:
        // Each request opens the printer's port for a moment: asked, not held.
        return std::make_unique<LibraryPort>(DrawerIdentity{name, DrawerKind::Printer}, address, library_, drawers_);
    case drawers::DrawerKind::Com:
    case drawers::DrawerKind::UsbToCom: break;
    }
    const DrawerKind kind = on_an_adapter(library_, address.number) ? DrawerKind::UsbSerialAdapter : DrawerKind::Serial;
    drawers::Drawers& drawers = drawers_;
    return std::make_unique<SharedSerialPort>(
        DrawerIdentity{name, kind}, serial_.room(address.number), serial_.line(address.number), serial_.monitor(),
        [&drawers, address] { return reply_reading(drawers.status(address)); },
        [&drawers, address] { return reply_open_outcome(drawers.open(address)); });
}

} // namespace kav::opos
