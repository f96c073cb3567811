// The 24 drawer commands of the DIO boards' menus: which board, drawer and
// command each menu id stands for, then one library call and at most one
// message box. The boards themselves are the drawer catalogue's.
#pragma once
#include "catalogue.h"
#include "main_menu.h"
#include "message_view.h"
#include "program_state.h"

#include <optional>

namespace kav::gui {

// open: DeviceControl; reports -1 and -2.
// status: the board's status export; reports what its StatusReport says.
enum class BoardCommandKind { Open, Status };

struct BoardCommand {
    const drawers::Board* board;
    int drawer; // 1 or 2
    BoardCommandKind kind;
};

// The board command behind this menu command, if it is one.
std::optional<BoardCommand> find_board_command(Command command);

// One call with the device path and the command's number (a DIO command from
// DioBaseAddress as it is now), then its message.
void run_board_command(const BoardCommand& command, const ProgramState& state, MessageView& view);

} // namespace kav::gui
