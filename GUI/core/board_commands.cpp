#include "board_commands.h"

#include "kav_cash_device.h"
#include "result_messages.h"

namespace kav::gui {
namespace {

using C = Command;

// Each board's submenu: open 1, status 1, open 2, status 2, in catalogue order.
struct BoardMenu {
    Command items[4];
};
constexpr BoardMenu kBoardMenus[] = {
    {{C::AdvantechOpenCashDrawer, C::AdvantechGetStatus, C::AdvantechOpenCashDrawer2, C::AdvantechGetStatus2}},
    {{C::Open9613CashDrawer1, C::Get9613Status1, C::Open9613CashDrawer2, C::Get9613Status2}},
    {{C::Open, C::Status, C::Open9623Cash, C::Get9623Cashstatus}},
    {{C::Open8613CashDrawer1, C::Bastra8613Status1, C::Open8613CashDrawer2, C::Bastra8613Status2}},
    {{C::IEIOpen1, C::IEIStatus1, C::IEIOpen2, C::IEIStatus2}},
    {{C::ThinClientOpen1, C::GetThinClientStatus1, C::ThinClientOpen2, C::GetThinClientStatus2}},
};
static_assert(std::size(kBoardMenus) == std::size(drawers::kBoards));

// The menus report -1 and -2; -3 and any other result show nothing.
void report_failure(int32_t result, MessageView& view)
{
    if (result != TILLIO_DEVICE_NOT_OPENED && result != TILLIO_CONTROL_FAILED) return;
    view.message(drawers::device_control_failure(result), kTitleError);
}

// Only 1 and 0 are drawer states; any other status byte is not reported.
bool report_state(int32_t result, int drawer, MessageView& view)
{
    if (result != TILLIO_BOARD_OPEN && result != TILLIO_BOARD_CLOSED) return false;
    view.message(drawers::board_state_message(drawer, result == TILLIO_BOARD_OPEN), kTitleStatus);
    return true;
}

} // namespace

std::optional<BoardCommand> find_board_command(Command command)
{
    for (size_t board = 0; board < std::size(kBoardMenus); ++board) {
        for (int item = 0; item < 4; ++item) {
            if (kBoardMenus[board].items[item] != command) continue;
            return BoardCommand{&drawers::kBoards[board], item / 2 + 1,
                                item % 2 == 0 ? BoardCommandKind::Open : BoardCommandKind::Status};
        }
    }
    return std::nullopt;
}

void run_board_command(const BoardCommand& command, const ProgramState& state, MessageView& view)
{
    const drawers::Board& board = *command.board;
    const auto index = static_cast<size_t>(command.drawer - 1);
    if (command.kind == BoardCommandKind::Open) {
        const int32_t number = drawers::command_number(board.open[index], state.DioBaseAddress);
        report_failure(state.library.DeviceControl(kDevicePath, number), view);
        return;
    }
    const int32_t number = drawers::command_number(board.status[index], state.DioBaseAddress);
    const int32_t result = (state.library.*board.status_export)(kDevicePath, number);
    if (!report_state(result, command.drawer, view) && board.status_report == drawers::StatusReport::Full)
        report_failure(result, view);
}

} // namespace kav::gui
