// The drawers logical devices name, reached through the drawer library: the
// name read as the console tool reads it; a board or USB drawer asked through
// tillio.dll and a receipt printer's drawer through the printer (the watch
// asks at least every 200 ms), a board drawer whose
// device did not open getting the driver's service started and left running
// for other programs; a serial drawer, or one on a USB-to-RS232 adapter's
// port, shared with the other service objects on it (shared_serial_port.h).
#pragma once
#include "drawer_access.h"
#include "platform.h"
#include "serial_room.h"

#include <memory>

namespace kav::opos {

// What a serial drawer's shared port is made of, for one COM port.
class SerialParts {
public:
    virtual std::unique_ptr<DrawerRoom> room(int port) = 0;
    virtual std::unique_ptr<HeldLine> line(int port) = 0;
    virtual std::unique_ptr<Monitor> monitor() = 0;

protected:
    SerialParts() = default;
    SerialParts(const SerialParts&) = default;
    SerialParts& operator=(const SerialParts&) = default;
    ~SerialParts() = default;
};

class LibraryDrawerPorts final : public DrawerPorts {
public:
    // Each must outlive the ports made. drawers goes through library.
    LibraryDrawerPorts(const drawers::Library& library, drawers::Drawers& drawers, SerialParts& serial)
        : library_(library), drawers_(drawers), serial_(serial)
    {
    }
    std::unique_ptr<DrawerPort> port_for(std::string_view drawer_name, std::string& why) override;

private:
    const drawers::Library& library_;
    drawers::Drawers& drawers_;
    SerialParts& serial_;
};

} // namespace kav::opos
