// The sixteen commands of the "&USB " menu: open or query USB drawer 1 to 8
// through the library, then at most one message box.
#pragma once
#include "main_menu.h"
#include "message_view.h"
#include "program_state.h"

#include <optional>

namespace kav::gui {

enum class UsbCommandKind { Open, Status };

struct UsbCommand {
    UsbCommandKind kind;
    int drawer; // 1..8
};

// The USB command behind this menu command, if it is one.
std::optional<UsbCommand> find_usb_command(Command command);

void run_usb_command(const UsbCommand& command, const Library& library, MessageView& view);

} // namespace kav::gui
