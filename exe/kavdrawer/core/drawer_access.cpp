#include "drawer_access.h"

#include "FormSetting.h"
#include "FormUSB2RS232.h"
#include "board_commands.h"
#include "result_codes.h"

#include <algorithm>

namespace kav::cli {
namespace {

constexpr int32_t kUsbOpen = 48;
constexpr int32_t kUsbClosed = 49;

std::string call_text(const std::string& function, int32_t argument, int32_t result)
{
    return function + "(" + std::to_string(argument) + ") = " + std::to_string(result);
}

// A board drawer's command as the utility's menu runs it.
const gui::BoardCommand& board_command(const Drawer& drawer, bool open)
{
    const auto index = static_cast<size_t>(drawer.number - 1);
    return *gui::find_board_command(open ? drawer.board->open[index] : drawer.board->status[index]);
}

Reply board_reply(int32_t result, std::string call)
{
    const char* failure = gui::device_control_failure(result);
    if (result == tillio::kDeviceNotOpened) return {Outcome::NotReachable, std::move(call), failure};
    // Any other result is a request the driver did not carry out.
    return {Outcome::RequestFailed, std::move(call), failure != nullptr ? failure : "Device Control Failed"};
}

std::string com(int port) { return "COM" + std::to_string(port); }

} // namespace

ExitCode exit_code(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Done:
    case Outcome::Open: return ExitCode::Ok;
    case Outcome::Closed: return ExitCode::Closed;
    case Outcome::NotReachable: return ExitCode::NotReachable;
    case Outcome::RequestFailed: return ExitCode::RequestFailed;
    }
    return ExitCode::RequestFailed;
}

Reply LibraryDrawers::open(const Drawer& drawer)
{
    switch (drawer.kind) {
    case DrawerKind::Board: {
        const int32_t number = gui::command_number(board_command(drawer, true), drawer.dio_base);
        const int32_t result = library_.DeviceControl(kDevicePath, number);
        std::string call = call_text("DeviceControl", number, result);
        if (result == tillio::kDone) return {Outcome::Done, std::move(call), {}};
        return board_reply(result, std::move(call));
    }
    case DrawerKind::Usb: {
        // Only the low 16 bits carry the answer.
        const int32_t result = library_.UsbCashDrawer(drawer.number) & 0xFFFF;
        std::string call = call_text("UsbCashDrawer", drawer.number, result);
        if (result != 0) return {Outcome::Done, std::move(call), {}};
        // The open's 0 does not say why: a drawer that reports no state is not there.
        const bool present = library_.UsbCashDrawerStaus(drawer.number) != 0;
        return {present ? Outcome::RequestFailed : Outcome::NotReachable, std::move(call), "Open USB Cash Drawer Failed"};
    }
    case DrawerKind::Com: {
        const int32_t result = library_.RS232OpenCashDrawer(drawer.number);
        std::string call = call_text("RS232OpenCashDrawer", drawer.number, result);
        if (result == tillio::kDone) return {Outcome::Done, std::move(call), {}};
        const Outcome outcome = result == tillio::kDeviceNotOpened ? Outcome::NotReachable : Outcome::RequestFailed;
        return {outcome, std::move(call), "Open " + com(drawer.number) + " Failed"};
    }
    }
    return {Outcome::RequestFailed, {}, {}};
}

Reply LibraryDrawers::status(const Drawer& drawer)
{
    switch (drawer.kind) {
    case DrawerKind::Board: {
        const gui::BoardCommand& command = board_command(drawer, false);
        const int32_t number = gui::command_number(command, drawer.dio_base);
        const int32_t result = (library_.*command.function)(kDevicePath, number);
        std::string call = call_text(std::string(drawer.board->status_export), number, result);
        if (result == 1) return {Outcome::Open, std::move(call), {}};
        if (result == 0) return {Outcome::Closed, std::move(call), {}};
        return board_reply(result, std::move(call));
    }
    case DrawerKind::Usb: {
        const int32_t result = library_.UsbCashDrawerStaus(drawer.number);
        std::string call = call_text("UsbCashDrawerStaus", drawer.number, result);
        if (result == kUsbOpen) return {Outcome::Open, std::move(call), {}};
        if (result == kUsbClosed) return {Outcome::Closed, std::move(call), {}};
        if (result == 0) return {Outcome::NotReachable, std::move(call), "USB Cash Drawer not found"};
        return {Outcome::RequestFailed, std::move(call), "USB Cash Drawer state unknown"};
    }
    case DrawerKind::Com: {
        const std::optional<bool> carrier = carrier_(drawer.number);
        if (!carrier) return {Outcome::NotReachable, com(drawer.number) + " did not open", "Open " + com(drawer.number) + " Failed"};
        // The drawer holds carrier detect low while it is open.
        return {*carrier ? Outcome::Closed : Outcome::Open, com(drawer.number) + (*carrier ? " CD high" : " CD low"), {}};
    }
    }
    return {Outcome::RequestFailed, {}, {}};
}

std::vector<ListedDrawer> list_drawers(Drawers& drawers, const gui::Library& library)
{
    std::vector<ListedDrawer> listed;

    // The driver serves every board's port sequence; whether it opens is what
    // can be known without firing a drawer.
    Drawer probe{DrawerKind::Board, &boards()[0], 1, 0};
    if (drawers.status(probe).outcome != Outcome::NotReachable) {
        for (const Board& board : boards()) {
            for (int number = 1; number <= 2; ++number) {
                const Drawer drawer{DrawerKind::Board, &board, number, board.dio ? gui::kDefaultDioBaseAddress : 0};
                listed.push_back({drawer_name(drawer), "board", std::string(board.label)});
            }
        }
    }

    for (int number = 1; number <= kUsbDrawers; ++number) {
        const Reply reply = drawers.status({DrawerKind::Usb, nullptr, number, 0});
        if (reply.outcome == Outcome::Open || reply.outcome == Outcome::Closed)
            listed.push_back({"usb:" + std::to_string(number), "usb", reply.outcome == Outcome::Open ? "open" : "closed"});
    }

    int32_t found = 0;
    std::vector<int> adapter_ports;
    gui::UsbToComPorts numbering(library);
    for (const std::string& entry : gui::adapter_ports(library, found)) {
        const int port = numbering.port_number(entry);
        if (port < 1) continue;
        adapter_ports.push_back(port);
        listed.push_back({"com" + std::to_string(port), "usb-to-rs232", entry});
    }

    for (int port = kFirstListedPort; port <= kLastListedPort; ++port) {
        if (std::find(adapter_ports.begin(), adapter_ports.end(), port) != adapter_ports.end()) continue;
        if (library.CheckRS232Controller(port) != -1) listed.push_back({"com" + std::to_string(port), "com", com(port)});
    }
    return listed;
}

} // namespace kav::cli
