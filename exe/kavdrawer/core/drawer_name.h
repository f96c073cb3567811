// Drawers as the user writes them: "VOLX-8613:1", "thin-client:2@0x200",
// "usb:1", "com3". Names are read without regard to case and printed in one
// spelling, so the name a command prints is one the tool reads back.
#pragma once
#include "exit_codes.h"
#include "main_window_data.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kav::cli {

enum class DrawerKind { Board, Usb, Com };

// A board and the utility's menu commands for its two drawers.
struct Board {
    std::string_view name;  // as printed and read
    std::string_view label; // the utility's menu caption
    bool dio;               // its drawers take a DIO base address
    std::string_view status_export; // the library export its status commands call
    gui::Command open[2];
    gui::Command status[2];
};

std::span<const Board> boards();

inline constexpr int kUsbDrawers = 5; // the library numbers at most this many
inline constexpr int kLastComPort = 255;

struct Drawer {
    DrawerKind kind = DrawerKind::Board;
    const Board* board = nullptr;
    // Drawer 1 or 2 of a board, USB drawer 1..5, or the COM port number.
    int number = 0;
    // DIO boards only; the utility's default when the name gives none.
    int32_t dio_base = 0;
};

struct DrawerParse {
    std::optional<Drawer> drawer;
    // Usage for text that is no drawer name, NoSuchDrawer for a well-formed
    // name that cannot exist (an unknown board, drawer 3, usb:9).
    ExitCode error = ExitCode::Usage;
    std::string message;
};

DrawerParse parse_drawer(std::string_view text);
std::string drawer_name(const Drawer& drawer);

} // namespace kav::cli
