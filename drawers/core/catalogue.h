// Every kind of cash drawer this system reaches, in one table: the boards
// whose drawers hang on their own I/O ports (driven through the port driver),
// and the drawers that hang on no board (USB HID, RS232, USB-to-RS232, a
// receipt printer's kick connector). Each
// entry holds what a user sees (the console name, the menu and auto.ini
// caption) and what the library is asked (command numbers, status export).
#pragma once
#include "library.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace kav::drawers {

// How a board's status command is reported by the utility's menu: full
// reports open, closed, "did not open" and "request failed"; short reports
// open and closed only (VOLX-9842, VOLX-9623).
enum class StatusReport { Full, Short };

// A board status export of the library (each board has its own).
using BoardExport = LibraryEntry<int(const char*, int)> Library::*;

struct Board {
    std::string_view name;    // as the console names it: "VOLX-8613", "thin-client"
    std::string_view caption; // as the menu and auto.ini name it: "Pellor (x86)"
    // Its drawers' numbers are offsets from the DIO base address the user
    // picks (thin client, VOLX-8623): the number sent is the base plus it.
    bool dio;
    int32_t open[2];   // the driver command that opens drawer 1, drawer 2
    int32_t status[2]; // the one that reads its state
    BoardExport status_export;
    StatusReport status_report;
};

inline constexpr Board kBoards[] = {
    {"VOLX-9842", "VOLX-9842", false, {26, 28}, {27, 29}, &Library::AdvantechGetCashDrawerStatus, StatusReport::Short},
    {"VOLX-9613", "VOLX-9613", false, {30, 32}, {31, 33}, &Library::Bastra9613GetCashDrawerStatus, StatusReport::Full},
    {"VOLX-9623", "VOLX-9623", false, {10, 24}, {11, 25}, &Library::PortwellGetCashDrawerStatus, StatusReport::Short},
    {"VOLX-8613", "VOLX-8613", false, {12, 14}, {13, 15}, &Library::Bastra8613GetCashDrawerStatus, StatusReport::Full},
    {"VOLX-8623", "VOLX-8623", true, {20, 22}, {21, 23}, &Library::IEIGetCashDrawerStatus, StatusReport::Full},
    {"thin-client", "Pellor (x86)", true, {16, 18}, {17, 19}, &Library::ThinClientGetCashDrawerStatus, StatusReport::Full},
};

inline std::span<const Board> boards() { return kBoards; }

// The board with this menu or auto.ini caption (compared exactly), or null.
const Board* board_by_caption(std::string_view caption);

// The DIO base address every run starts with; 0x200..0x280 may be picked.
inline constexpr int32_t kDefaultDioBaseAddress = 0x280;

// The number the library is sent for a board's command: a DIO command is
// the base plus its number (wrapping as the 32-bit sum the library gets),
// any other command its number as it stands.
int32_t command_number(int32_t command, int32_t dio_base);

// Drawers that hang on no board.
enum class DrawerKind {
    Board,
    Usb,      // a USB drawer that presents itself as a HID device
    Com,      // a drawer on an RS232 port: fired by "U", closed while carrier detect is high
    UsbToCom, // a drawer on the COM port of a USB-to-RS232 adapter; addressed as a COM drawer
    Printer,  // a drawer on the kick connector of a receipt printer on a COM port (ESC/POS)
};

// A kind whose drawers are numbered rather than named by a board: its
// caption, and how the console names one (the prefix, then the number).
struct NumberedKind {
    DrawerKind kind;
    std::string_view caption;  // the loop test's and auto.ini's text
    std::string_view prefix;   // the console name's start; empty: named as another kind
    int first, last;           // the numbers a console name takes
    // A colon in the name makes it a board's ("com3:1" is drawer 1 of a board "com3").
    bool colon_names_a_board;
    std::string_view takes;    // how the name goes on, for a message
    std::string_view numbered; // what the numbers count, for a message
};

inline constexpr int kUsbMenuDrawers = 8;    // the utility's USB menu offers eight
inline constexpr int kUsbLibraryDrawers = 5; // the library numbers at most five
inline constexpr int kLastComPort = 255;

inline constexpr NumberedKind kNumberedKinds[] = {
    {DrawerKind::Usb, "USB Cash Drawer", "usb:", 1, kUsbLibraryDrawers, false, "usb: takes a drawer number",
     "USB drawers"},
    {DrawerKind::Com, "RS232 Cash Drawer", "com", 1, kLastComPort, true, "com takes a port number, as in com3",
     "COM ports"},
    {DrawerKind::UsbToCom, "USB to RS232 Cash Drawer", "", 1, kLastComPort, true, "", ""},
    // The name goes on with options (drawer_address.h); the loop test offers none.
    {DrawerKind::Printer, "Receipt Printer Cash Drawer", "printer:com", 1, kLastComPort, false,
     "printer:com takes a port number, as in printer:com6", "COM ports"},
};

// The numbered kind's entry, or null for DrawerKind::Board.
const NumberedKind* numbered_kind(DrawerKind kind);

// The loop test's drawers in its list's order, the only values auto.ini's
// "MB" may hold: the boards, then the kinds on no board. Compared exactly.
inline constexpr std::array<std::string_view, 9> kBoardTypes{
    kBoards[0].caption, kBoards[1].caption, kBoards[2].caption, kBoards[3].caption, kBoards[4].caption,
    kBoards[5].caption, kNumberedKinds[0].caption, kNumberedKinds[1].caption, kNumberedKinds[2].caption,
};

} // namespace kav::drawers
