// Drawers as a user writes them: "VOLX-8613:1", "thin-client:2@0x200"
// (drawer 2 of a DIO board at DIO base 0x200), "usb:1", "com3",
// "printer:com6/pin5/low@19200" (a receipt printer's drawer: the kick on pin
// 5 instead of 2, open while its switch reads low, the printer at 19200
// baud instead of 9600; each option may be left out). Names are
// read without regard to case and printed in one spelling, so a printed name
// reads back as the same drawer. A board is named by its console name or its
// caption; the numbered kinds by their prefix and a number (catalogue).
#pragma once
#include "catalogue.h"
#include "printer_drawer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kav::drawers {

struct DrawerAddress {
    DrawerKind kind = DrawerKind::Board;
    const Board* board = nullptr;
    // Drawer 1 or 2 of a board, USB drawer 1..5, or the COM port number.
    int number = 0;
    // DIO boards only; kDefaultDioBaseAddress when the name gives none.
    int32_t dio_base = 0;
    // Printer drawers only.
    PrinterOptions printer{};
};

enum class NameError {
    None,
    NotAName,     // the text is no drawer name at all
    NoSuchDrawer, // a well-formed name that cannot exist: an unknown board, drawer 3, usb:9
};

struct DrawerParse {
    std::optional<DrawerAddress> drawer;
    NameError error = NameError::NotAName;
    // Why the text was refused; it quotes the text.
    std::string message;
};

DrawerParse parse_drawer(std::string_view text);
std::string drawer_name(const DrawerAddress& drawer);

} // namespace kav::drawers
