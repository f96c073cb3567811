// The drawers of one service object on Windows: tillio.dll loaded once for
// the process, by its full path in the system directory (the drawer
// library's loader; never imported), and the serial drawers' rooms and
// ports. A library that did not load answers every call as absent, so its
// drawers read not reachable; the next OpenService tries the load again.
#pragma once
#include "drawer_access.h"
#include "library_drawer_ports.h"
#include "printer_com_port.h"

namespace kav::opos::win32 {

class Win32DrawerPorts final : public DrawerPorts, SerialParts {
public:
    Win32DrawerPorts();
    std::unique_ptr<DrawerPort> port_for(std::string_view drawer_name, std::string& why) override;

private:
    std::unique_ptr<DrawerRoom> room(int port) override;
    std::unique_ptr<HeldLine> line(int port) override;
    std::unique_ptr<Monitor> monitor() override;

    // The process's library as it stood when this service object was made.
    const drawers::Library* library_;
    // A printer drawer's port, opened for each request; the service object
    // never asks its drawer from two threads at once.
    drawers::PrinterComPort printer_port_;
    drawers::LibraryDrawers drawers_;
    LibraryDrawerPorts ports_;
};

} // namespace kav::opos::win32
