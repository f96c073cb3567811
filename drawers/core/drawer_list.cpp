#include "drawer_list.h"

#include "adapter_ports.h"
#include "result_messages.h"

#include <algorithm>

namespace kav::drawers {

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
        listed.push_back({drawer_name({DrawerKind::UsbToCom, nullptr, port, 0}), "usb-to-rs232", entry});
    }

    for (int port = kFirstListedPort; port <= kLastListedPort; ++port) {
        if (std::find(adapter_ports.begin(), adapter_ports.end(), port) != adapter_ports.end()) continue;
        if (library.CheckRS232Controller(port) != TILLIO_PORT_ABSENT)
            listed.push_back({drawer_name({DrawerKind::Com, nullptr, port, 0}), "com", com_port_name(port)});
    }
    return listed;
}

} // namespace kav::drawers
