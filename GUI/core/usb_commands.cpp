#include "usb_commands.h"

#include <string>

namespace kav::gui {
namespace {

constexpr int kUsbDrawers = 8;
constexpr int32_t kStatusOpen = '0';
constexpr int32_t kStatusClosed = '1';

// Drawer 1's messages read "Cash Drawer 1 Is Open"; the others put the number
// after "Is", as the product always has.
std::string state_message(int drawer, const char* state)
{
    const std::string n = std::to_string(drawer);
    if (drawer == 1) return "Cash Drawer 1 Is " + std::string(state);
    return "Cash Drawer Is " + n + " " + state;
}

} // namespace

std::optional<UsbCommand> find_usb_command(Command command)
{
    // The menu's ids run open, status, open, status... from drawer 1.
    const int offset = static_cast<int>(command) - static_cast<int>(Command::UsbOpenCashDrawer);
    if (offset < 0 || offset >= 2 * kUsbDrawers) return std::nullopt;
    return UsbCommand{offset % 2 == 0 ? UsbCommandKind::Open : UsbCommandKind::Status, offset / 2 + 1};
}

void run_usb_command(const UsbCommand& command, const Module1& module, MessageView& view)
{
    const std::string n = std::to_string(command.drawer);
    if (command.kind == UsbCommandKind::Open) {
        // Only the low 16 bits of the answer count.
        const auto result = static_cast<int16_t>(module.library.UsbCashDrawer(command.drawer) & 0xFFFF);
        if (result == 0) view.message("Open USB Cash Drawer " + n + " Failed", kTitleError);
        return;
    }
    const int32_t result = module.library.UsbCashDrawerStaus(command.drawer);
    if (result == 0) view.message("Get Status for USB Cash Drawer " + n + " Failed", kTitleError);
    else if (result == kStatusOpen) view.message(state_message(command.drawer, "Open"), kTitleStatus);
    else if (result == kStatusClosed) view.message(state_message(command.drawer, "Closed"), kTitleStatus);
}

} // namespace kav::gui
