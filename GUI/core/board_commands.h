// The 24 drawer commands of the DIO boards: one library call each, then at
// most one message box.
#pragma once
#include "Module1.h"
#include "main_window_data.h"
#include "message_view.h"

namespace kav::gui {

// open: DeviceControl; reports -1 and -2.
// full status: a status export; reports 1, 0, -1 and -2.
// short status: a status export; reports 1 and 0 only (VOLX-9842, VOLX-9623).
enum class BoardCommandKind { Open, FullStatus, ShortStatus };

struct BoardCommand {
    Command command;
    Library::DrawerFunction Library::*function;
    // The command number; a DIO command is sent as DioBaseAddress plus it.
    int32_t number;
    BoardCommandKind kind;
    // The drawer the status messages name.
    int drawer;
};

// The board command run by this menu command, or null.
const BoardCommand* find_board_command(Command command);

// The number passed to the library, from DioBaseAddress as it is now.
int32_t command_number(const BoardCommand& command, int32_t dio_base_address);

// One call with the device path and the command's number, then its message.
void run_board_command(const BoardCommand& command, const Module1& module, MessageView& view);

} // namespace kav::gui
