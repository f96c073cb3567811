#include "usb_commands.h"

#include "catalogue.h"
#include "result_messages.h"

namespace kav::gui {

std::optional<UsbCommand> find_usb_command(Command command)
{
    // The menu's ids run open, status, open, status... from drawer 1.
    const int offset = static_cast<int>(command) - static_cast<int>(Command::UsbOpenCashDrawer);
    if (offset < 0 || offset >= 2 * drawers::kUsbMenuDrawers) return std::nullopt;
    return UsbCommand{offset % 2 == 0 ? UsbCommandKind::Open : UsbCommandKind::Status, offset / 2 + 1};
}

void run_usb_command(const UsbCommand& command, const Library& library, MessageView& view)
{
    if (command.kind == UsbCommandKind::Open) {
        // Only the low 16 bits of the answer count.
        const auto result = static_cast<int16_t>(library.UsbCashDrawer(command.drawer) & 0xFFFF);
        if (result == 0) view.message(drawers::usb_open_failed(command.drawer), kTitleError);
        return;
    }
    const int32_t result = library.UsbCashDrawerStaus(command.drawer);
    if (result == TILLIO_USB_FAILED) view.message(drawers::usb_status_failed(command.drawer), kTitleError);
    else if (result == TILLIO_USB_OPEN) view.message(drawers::usb_state_message(command.drawer, true), kTitleStatus);
    else if (result == TILLIO_USB_CLOSED) view.message(drawers::usb_state_message(command.drawer, false), kTitleStatus);
}

} // namespace kav::gui
