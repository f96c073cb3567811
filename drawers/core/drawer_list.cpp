#include "drawer_list.h"

#include "adapter_ports.h"
#include "result_messages.h"

#include <algorithm>
#include <optional>

namespace kav::drawers {
namespace {

// A port whose device answers a printer's status request holds a receipt
// printer, and is listed as its drawer rather than as a serial drawer.
std::optional<ListedDrawer> printer_on(Drawers& drawers, int port)
{
    const DrawerAddress drawer{DrawerKind::Printer, nullptr, port, 0};
    const Outcome outcome = drawers.status(drawer).outcome;
    if (outcome != Outcome::Open && outcome != Outcome::Closed) return std::nullopt;
    // Read with the name's default: open while pin 3 is high. Which level
    // means open is the drawer's, so the list shows the level.
    const char* level = outcome == Outcome::Open ? ", pin 3 high" : ", pin 3 low";
    return ListedDrawer{drawer_name(drawer), "printer", com_port_name(port) + level};
}

} // namespace

std::vector<ListedDrawer> list_drawers(Drawers& drawers, const Library& library)
{
    std::vector<ListedDrawer> listed;

    // The driver serves every board's port sequence; whether it opens is what
    // can be known without firing a drawer.
    const DrawerAddress probe{DrawerKind::Board, &boards()[0], 1, 0};
    if (drawers.status(probe).outcome != Outcome::NotReachable) {
        for (const Board& board : boards()) {
            for (int number = 1; number <= 2; ++number) {
                const DrawerAddress drawer{DrawerKind::Board, &board, number, board.dio ? kDefaultDioBaseAddress : 0};
                listed.push_back({drawer_name(drawer), "board", std::string(board.caption)});
            }
        }
    }

    for (int number = 1; number <= kUsbLibraryDrawers; ++number) {
        const DrawerAddress drawer{DrawerKind::Usb, nullptr, number, 0};
        const Reply reply = drawers.status(drawer);
        if (reply.outcome == Outcome::Open || reply.outcome == Outcome::Closed)
            listed.push_back({drawer_name(drawer), "usb", reply.outcome == Outcome::Open ? "open" : "closed"});
    }

    std::vector<int> adapter_ports;
    for (const std::string& entry : list_adapter_ports(library).names) {
        const int port = adapter_port_number(library, entry);
        if (port < 1) continue;
        adapter_ports.push_back(port);
        if (std::optional<ListedDrawer> printer = printer_on(drawers, port)) listed.push_back(std::move(*printer));
        else listed.push_back({drawer_name({DrawerKind::UsbToCom, nullptr, port, 0}), "usb-to-rs232", entry});
    }

    for (int port = kFirstListedPort; port <= kLastListedPort; ++port) {
        if (std::find(adapter_ports.begin(), adapter_ports.end(), port) != adapter_ports.end()) continue;
        if (library.CheckRS232Controller(port) == TILLIO_PORT_ABSENT) continue;
        if (std::optional<ListedDrawer> printer = printer_on(drawers, port)) listed.push_back(std::move(*printer));
        else listed.push_back({drawer_name({DrawerKind::Com, nullptr, port, 0}), "com", com_port_name(port)});
    }
    return listed;
}

} // namespace kav::drawers
