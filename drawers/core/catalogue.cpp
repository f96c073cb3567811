#include "catalogue.h"

#include "ioctl_codes.h"

namespace kav::drawers {

const Board* board_by_caption(std::string_view caption)
{
    for (const Board& board : kBoards)
        if (board.caption == caption) return &board;
    return nullptr;
}

int32_t command_number(int32_t command, int32_t dio_base)
{
    if (!is_dio_command(command)) return command;
    return static_cast<int32_t>(static_cast<uint32_t>(dio_base) + static_cast<uint32_t>(command));
}

const NumberedKind* numbered_kind(DrawerKind kind)
{
    for (const NumberedKind& entry : kNumberedKinds)
        if (entry.kind == kind) return &entry;
    return nullptr;
}

} // namespace kav::drawers
