#include "com_port_scan.h"

#include "result_messages.h"

#include <algorithm>

namespace kav::drawers {

ComPortScan scan_com_ports(const Library& library, ComPairing pairing)
{
    ComPortScan scan;
    for (int port = kFirstScannedPort; port <= kLastScannedPort; ++port)
        if (library.CheckRS232Controller(port) != TILLIO_PORT_ABSENT) scan.found.push_back(port);
    const size_t found = scan.found.size();
    if (found == 0) {
        scan.failure = kNoComPortFound;
        return scan;
    }

    const bool every = pairing == ComPairing::EveryPortAgain;
    const size_t stop_after = every || found <= 2 ? found : static_cast<size_t>(kLastScannedPort);
    const size_t required = every ? found : std::min<size_t>(found, 2);
    size_t answered = 0;
    for (int port = kFirstScannedPort; port <= kLastScannedPort && answered < stop_after; ++port) {
        if (library.CheckRS232Controller(port) == TILLIO_PORT_ABSENT) continue;
        if (++answered == 1) scan.first = port;
        scan.last = port;
    }
    if (answered < required) scan.failure = found == 1 ? kTheComPortWentAway : kComPortsWentAway;
    return scan;
}

} // namespace kav::drawers
