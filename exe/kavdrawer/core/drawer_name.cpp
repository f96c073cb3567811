#include "drawer_name.h"

#include "Module1.h"
#include "ioctl_codes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kav::cli {
namespace {

using C = gui::Command;

constexpr Board kBoards[] = {
    {"VOLX-9842", "VOLX-9842", false, "AdvantechGetCashDrawerStatus", {C::AdvantechOpenCashDrawer, C::AdvantechOpenCashDrawer2},
     {C::AdvantechGetStatus, C::AdvantechGetStatus2}},
    {"VOLX-9613", "VOLX-9613", false, "Bastra9613GetCashDrawerStatus", {C::Open9613CashDrawer1, C::Open9613CashDrawer2},
     {C::Get9613Status1, C::Get9613Status2}},
    {"VOLX-9623", "VOLX-9623", false, "PortwellGetCashDrawerStatus", {C::Open, C::Open9623Cash}, {C::Status, C::Get9623Cashstatus}},
    {"VOLX-8613", "VOLX-8613", false, "Bastra8613GetCashDrawerStatus", {C::Open8613CashDrawer1, C::Open8613CashDrawer2},
     {C::Bastra8613Status1, C::Bastra8613Status2}},
    {"VOLX-8623", "VOLX-8623", true, "IEIGetCashDrawerStatus", {C::IEIOpen1, C::IEIOpen2}, {C::IEIStatus1, C::IEIStatus2}},
    {"thin-client", "Pellor (x86)", true, "ThinClientGetCashDrawerStatus", {C::ThinClientOpen1, C::ThinClientOpen2},
     {C::GetThinClientStatus1, C::GetThinClientStatus2}},
};

std::string lower(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// Decimal digits only, no sign, no blanks; nothing above limit.
std::optional<int> decimal(std::string_view text, int limit)
{
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > limit) return limit + 1;
    return value;
}

// "0x200" or "512".
std::optional<int32_t> address(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        if (text.empty() || text.size() > 6) return std::nullopt;
        int32_t value = 0;
        for (char c : text) {
            const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) return std::nullopt;
            value = value * 16 + digit;
        }
        return value;
    }
    return decimal(text, 0xFFFFFF);
}

DrawerParse usage(std::string message) { return {std::nullopt, ExitCode::Usage, std::move(message)}; }
DrawerParse no_such(std::string message) { return {std::nullopt, ExitCode::NoSuchDrawer, std::move(message)}; }
DrawerParse found(Drawer drawer) { return {drawer, ExitCode::Ok, {}}; }

std::string base_list()
{
    std::string text;
    for (uint16_t base : kDioBases) {
        char entry[16];
        std::snprintf(entry, sizeof entry, "%s0x%X", text.empty() ? "" : ", ", base);
        text += entry;
    }
    return text;
}

} // namespace

std::span<const Board> boards() { return kBoards; }

DrawerParse parse_drawer(std::string_view text)
{
    const std::string name = lower(text);
    // Built by appending: gcc 12 warns falsely (-Wrestrict) on "'" + string.
    std::string quoted(1, '\'');
    quoted.append(text).push_back('\'');
    if (name.starts_with("usb:")) {
        const std::optional<int> number = decimal(std::string_view(name).substr(4), kUsbDrawers);
        if (!number) return usage(quoted + " is not a drawer name: usb: takes a drawer number");
        if (*number < 1 || *number > kUsbDrawers)
            return no_such(quoted + ": USB drawers are numbered 1 to " + std::to_string(kUsbDrawers));
        return found({DrawerKind::Usb, nullptr, *number, 0});
    }
    if (name.starts_with("com") && name.find(':') == std::string::npos) {
        const std::optional<int> port = decimal(std::string_view(name).substr(3), kLastComPort);
        if (!port) return usage(quoted + " is not a drawer name: com takes a port number, as in com3");
        if (*port < 1 || *port > kLastComPort)
            return no_such(quoted + ": COM ports are numbered 1 to " + std::to_string(kLastComPort));
        return found({DrawerKind::Com, nullptr, *port, 0});
    }

    const size_t colon = name.find(':');
    if (colon == std::string::npos || colon == 0)
        return usage(quoted + " is not a drawer name (board:drawer, usb:N or comN)");
    const std::string_view board_part = std::string_view(name).substr(0, colon);
    std::string_view rest = std::string_view(name).substr(colon + 1);
    const size_t at = rest.find('@');
    const std::string_view drawer_part = rest.substr(0, at);
    const std::optional<int> number = decimal(drawer_part, 2);
    if (!number) return usage(quoted + " is not a drawer name: a board's drawer is 1 or 2");

    const Board* board = nullptr;
    for (const Board& entry : kBoards)
        if (lower(entry.name) == board_part || lower(entry.label) == board_part) board = &entry;
    if (board == nullptr) {
        std::string known;
        for (const Board& entry : kBoards) known += (known.empty() ? "" : ", ") + std::string(entry.name);
        return no_such(quoted + ": no board '" + std::string(text.substr(0, colon)) + "' (boards: " + known + ")");
    }
    if (*number < 1 || *number > 2) return no_such(quoted + ": a board has drawers 1 and 2");

    Drawer drawer{DrawerKind::Board, board, *number, board->dio ? gui::kDefaultDioBaseAddress : 0};
    if (at != std::string_view::npos) {
        const std::optional<int32_t> base = address(rest.substr(at + 1));
        if (!base) return usage(quoted + " is not a drawer name: @ takes an address such as 0x200");
        if (!board->dio) return no_such(quoted + ": " + std::string(board->name) + " has no DIO base address");
        if (!is_dio_base(static_cast<uint32_t>(*base)))
            return no_such(quoted + ": the DIO base address is one of " + base_list());
        drawer.dio_base = *base;
    }
    return found(drawer);
}

std::string drawer_name(const Drawer& drawer)
{
    switch (drawer.kind) {
    case DrawerKind::Usb: return "usb:" + std::to_string(drawer.number);
    case DrawerKind::Com: return "com" + std::to_string(drawer.number);
    case DrawerKind::Board: break;
    }
    std::string name = std::string(drawer.board->name) + ":" + std::to_string(drawer.number);
    if (drawer.board->dio) {
        char base[16];
        std::snprintf(base, sizeof base, "@0x%X", static_cast<unsigned>(drawer.dio_base));
        name += base;
    }
    return name;
}

} // namespace kav::cli
