#include "board_commands.h"

#include "ioctl_codes.h"
#include "result_codes.h"

#include <string>

namespace kav::gui {
namespace {

using C = Command;
using K = BoardCommandKind;
using L = Library;
using tillio::kControlFailed;
using tillio::kDeviceNotOpened;

constexpr BoardCommand kBoardCommands[] = {
    {C::AdvantechOpenCashDrawer, &L::DeviceControl, 26, K::Open, 1},
    {C::AdvantechGetStatus, &L::AdvantechGetCashDrawerStatus, 27, K::ShortStatus, 1},
    {C::AdvantechOpenCashDrawer2, &L::DeviceControl, 28, K::Open, 2},
    {C::AdvantechGetStatus2, &L::AdvantechGetCashDrawerStatus, 29, K::ShortStatus, 2},

    {C::Open9613CashDrawer1, &L::DeviceControl, 30, K::Open, 1},
    {C::Get9613Status1, &L::Bastra9613GetCashDrawerStatus, 31, K::FullStatus, 1},
    {C::Open9613CashDrawer2, &L::DeviceControl, 32, K::Open, 2},
    {C::Get9613Status2, &L::Bastra9613GetCashDrawerStatus, 33, K::FullStatus, 2},

    {C::Open, &L::DeviceControl, 10, K::Open, 1},
    {C::Status, &L::PortwellGetCashDrawerStatus, 11, K::ShortStatus, 1},
    {C::Open9623Cash, &L::DeviceControl, 24, K::Open, 2},
    {C::Get9623Cashstatus, &L::PortwellGetCashDrawerStatus, 25, K::ShortStatus, 2},

    {C::Open8613CashDrawer1, &L::DeviceControl, 12, K::Open, 1},
    {C::Bastra8613Status1, &L::Bastra8613GetCashDrawerStatus, 13, K::FullStatus, 1},
    {C::Open8613CashDrawer2, &L::DeviceControl, 14, K::Open, 2},
    {C::Bastra8613Status2, &L::Bastra8613GetCashDrawerStatus, 15, K::FullStatus, 2},

    {C::IEIOpen1, &L::DeviceControl, 20, K::Open, 1},
    {C::IEIStatus1, &L::IEIGetCashDrawerStatus, 21, K::FullStatus, 1},
    {C::IEIOpen2, &L::DeviceControl, 22, K::Open, 2},
    {C::IEIStatus2, &L::IEIGetCashDrawerStatus, 23, K::FullStatus, 2},

    {C::ThinClientOpen1, &L::DeviceControl, 16, K::Open, 1},
    {C::GetThinClientStatus1, &L::ThinClientGetCashDrawerStatus, 17, K::FullStatus, 1},
    {C::ThinClientOpen2, &L::DeviceControl, 18, K::Open, 2},
    {C::GetThinClientStatus2, &L::ThinClientGetCashDrawerStatus, 19, K::FullStatus, 2},
};

void report_failure(int32_t result, MessageView& view)
{
    if (result == kDeviceNotOpened) view.message("Create File Failed", kTitleError);
    else if (result == kControlFailed) view.message("Device Control Failed", kTitleError);
}

// Only 1 and 0 are drawer states; any other status byte is not reported.
bool report_state(int32_t result, int drawer, MessageView& view)
{
    if (result != 0 && result != 1) return false;
    const std::string state = result == 1 ? "Open" : "Closed";
    view.message("Cash Drawer " + std::to_string(drawer) + " is " + state, kTitleStatus);
    return true;
}

} // namespace

const BoardCommand* find_board_command(Command command)
{
    for (const BoardCommand& entry : kBoardCommands)
        if (entry.command == command) return &entry;
    return nullptr;
}

int32_t command_number(const BoardCommand& command, int32_t dio_base_address)
{
    // The DIO commands name no port of their own: the caller's base carries it.
    if (!is_dio_command(command.number)) return command.number;
    // Wraps like the 32-bit sum the library receives; only 0x200..0x280 occur.
    return static_cast<int32_t>(static_cast<uint32_t>(dio_base_address) + static_cast<uint32_t>(command.number));
}

void run_board_command(const BoardCommand& command, const Module1& module, MessageView& view)
{
    const int32_t number = command_number(command, module.DioBaseAddress);
    const int32_t result = (module.library.*command.function)(kDevicePath, number);
    switch (command.kind) {
    case BoardCommandKind::Open:
        report_failure(result, view);
        break;
    case BoardCommandKind::FullStatus:
        if (!report_state(result, command.drawer, view)) report_failure(result, view);
        break;
    case BoardCommandKind::ShortStatus:
        report_state(result, command.drawer, view);
        break;
    }
}

} // namespace kav::gui
