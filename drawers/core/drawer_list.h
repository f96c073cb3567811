// The drawers that answer now, one entry each: the boards' drawers when the
// driver's device opens, the USB drawers that report a state, the ports of
// USB-to-RS232 adapters, and the other COM ports that open.
#pragma once
#include "drawer_access.h"

#include <string>
#include <vector>

namespace kav::drawers {

struct ListedDrawer {
    std::string name;
    std::string kind;   // "board", "usb", "com", "usb-to-rs232"
    std::string detail; // the board's caption, the state, the adapter's entry
};

// COM ports asked whether they answer: the usual range of a terminal.
inline constexpr int kFirstListedPort = 1;
inline constexpr int kLastListedPort = 16;

// Boards and USB drawers are asked through drawers (which may start the
// driver's service); the ports through the library.
std::vector<ListedDrawer> list_drawers(Drawers& drawers, const Library& library);

} // namespace kav::drawers
