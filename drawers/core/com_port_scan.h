// Which serial drawers answer: COM1 to COM8, each asked through
// CheckRS232Controller, twice. The first pass finds the ports; the second
// asks again and picks the ports the two drawers start on: the first that
// answers for drawer 1, the last for drawer 2 (one port serves both when it
// is the only one). A port gone between the passes fails the scan.
#pragma once
#include "library.h"

#include <vector>

namespace kav::drawers {

inline constexpr int kFirstScannedPort = 1;
inline constexpr int kLastScannedPort = 8; // COM9 and above are never examined

enum class ComPairing {
    // The RS232 window: every port found must answer again; the pass stops
    // once they all have.
    EveryPortAgain,
    // The loop test: one or two ports must answer again; with three or more
    // found, the pass goes through all eight and pairs the first and the last
    // that answer.
    FirstAndLast,
};

struct ComPortScan {
    std::vector<int> found; // the first pass, ascending
    int first = 0;          // drawer 1's port
    int last = 0;           // drawer 2's port
    // The message when the scan failed: no port found, or ports gone.
    const char* failure = nullptr;

    bool ok() const { return failure == nullptr; }
};

ComPortScan scan_com_ports(const Library& library, ComPairing pairing);

} // namespace kav::drawers
