// The drawers that answer now, one entry each: the boards' drawers when the
// driver's device opens, the USB drawers that report a state, the ports of
// USB-to-RS232 adapters, and the other COM ports that open; a port whose
// device answers as a receipt printer is listed as the printer's drawer.
#pragma once
#include "drawer_access.h"

#include <string>
#include <vector>

namespace kav::drawers {

struct ListedDrawer {
    std::string name;
    std::string kind;   // "board", "usb", "com", "usb-to-rs232", "printer"
    std::string detail; // the board's caption, the state, the adapter's entry, the port
};

// COM ports asked whether they answer: the usual range of a terminal.
inline constexpr int kFirstListedPort = 1;
inline constexpr int kLastListedPort = 16;

// Boards, USB drawers and printers are asked through drawers (which may start
// the driver's service); whether a port opens through the library. A port
// asked for a printer takes up to kStatusAnswerMs when nothing answers.
std::vector<ListedDrawer> list_drawers(Drawers& drawers, const Library& library);

} // namespace kav::drawers
