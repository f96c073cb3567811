#include "drawer_access.h"

#include "kav_cash_device.h"
#include "result_messages.h"
#include "run_log.h"

namespace kav::drawers {
namespace {

Reply board_reply(int32_t result, std::string call)
{
    const char* failure = device_control_failure(result);
    if (result == TILLIO_DEVICE_NOT_OPENED) return {Outcome::NotReachable, std::move(call), failure};
    // Any other result is a request the driver did not carry out.
    return {Outcome::RequestFailed, std::move(call), failure != nullptr ? failure : "Device Control Failed"};
}

int32_t board_number(const DrawerAddress& drawer, const int32_t (&commands)[2])
{
    return command_number(commands[drawer.number - 1], drawer.dio_base);
}

Reply printer_reply(PrinterPort* port, const DrawerAddress& drawer, bool kick)
{
    const int number = drawer.number;
    PrinterReply reply;
    if (port != nullptr) {
        reply = kick ? kick_printer_drawer(*port, number, drawer.printer)
                     : read_printer_drawer(*port, number, drawer.printer);
    }
    std::string call = printer_call_text(number, reply, kick, drawer.printer);
    switch (reply.result) {
    case PrinterResult::Answered:
        if (kick) return {Outcome::Done, std::move(call), {}};
        return {drawer_open(reply.status, drawer.printer) ? Outcome::Open : Outcome::Closed, std::move(call), {}};
    case PrinterResult::NoPort: return {Outcome::NotReachable, std::move(call), com_open_failed(number)};
    case PrinterResult::Silent:
    case PrinterResult::Malformed: return {Outcome::NotReachable, std::move(call), printer_not_answering(number)};
    case PrinterResult::KickLost: break;
    }
    return {Outcome::RequestFailed, std::move(call), printer_kick_failed(number)};
}

} // namespace

Reply LibraryDrawers::open(const DrawerAddress& drawer)
{
    switch (drawer.kind) {
    case DrawerKind::Board: {
        const int32_t number = board_number(drawer, drawer.board->open);
        const int32_t result = library_.DeviceControl(kDevicePath, number);
        std::string call = call_text(library_.DeviceControl.name(), number, result);
        if (result == TILLIO_DONE) return {Outcome::Done, std::move(call), {}};
        return board_reply(result, std::move(call));
    }
    case DrawerKind::Usb: {
        // Only the low 16 bits carry the answer.
        const int32_t result = library_.UsbCashDrawer(drawer.number) & 0xFFFF;
        std::string call = call_text(library_.UsbCashDrawer.name(), drawer.number, result);
        if (result != 0) return {Outcome::Done, std::move(call), {}};
        // The open's 0 does not say why: a drawer that reports no state is not there.
        const bool present = library_.UsbCashDrawerStaus(drawer.number) != TILLIO_USB_FAILED;
        return {present ? Outcome::RequestFailed : Outcome::NotReachable, std::move(call), kUsbOpenFailed};
    }
    case DrawerKind::Com:
    case DrawerKind::UsbToCom: {
        const int32_t result = library_.RS232OpenCashDrawer(drawer.number);
        std::string call = call_text(library_.RS232OpenCashDrawer.name(), drawer.number, result);
        if (result == TILLIO_DONE) return {Outcome::Done, std::move(call), {}};
        const Outcome outcome = result == TILLIO_DEVICE_NOT_OPENED ? Outcome::NotReachable : Outcome::RequestFailed;
        return {outcome, std::move(call), com_open_failed(drawer.number)};
    }
    case DrawerKind::Printer: return printer_reply(printer_, drawer, true);
    }
    return {Outcome::RequestFailed, {}, {}};
}

Reply LibraryDrawers::status(const DrawerAddress& drawer)
{
    switch (drawer.kind) {
    case DrawerKind::Board: {
        const auto& read = library_.*drawer.board->status_export;
        const int32_t number = board_number(drawer, drawer.board->status);
        const int32_t result = read(kDevicePath, number);
        std::string call = call_text(read.name(), number, result);
        if (result == TILLIO_BOARD_OPEN) return {Outcome::Open, std::move(call), {}};
        if (result == TILLIO_BOARD_CLOSED) return {Outcome::Closed, std::move(call), {}};
        return board_reply(result, std::move(call));
    }
    case DrawerKind::Usb: {
        const int32_t result = library_.UsbCashDrawerStaus(drawer.number);
        std::string call = call_text(library_.UsbCashDrawerStaus.name(), drawer.number, result);
        if (result == TILLIO_USB_OPEN) return {Outcome::Open, std::move(call), {}};
        if (result == TILLIO_USB_CLOSED) return {Outcome::Closed, std::move(call), {}};
        if (result == TILLIO_USB_FAILED) return {Outcome::NotReachable, std::move(call), kUsbNotFound};
        return {Outcome::RequestFailed, std::move(call), kUsbStateUnknown};
    }
    case DrawerKind::Com:
    case DrawerKind::UsbToCom: {
        const std::string port = com_port_name(drawer.number);
        const std::optional<bool> carrier = carrier_ ? carrier_(drawer.number) : std::nullopt;
        if (!carrier) return {Outcome::NotReachable, port + " did not open", com_open_failed(drawer.number)};
        // The drawer holds carrier detect low while it is open.
        return {*carrier ? Outcome::Closed : Outcome::Open, port + (*carrier ? " CD high" : " CD low"), {}};
    }
    case DrawerKind::Printer: return printer_reply(printer_, drawer, false);
    }
    return {Outcome::RequestFailed, {}, {}};
}

Reading reading_of(const Reply& reply)
{
    switch (reply.outcome) {
    case Outcome::Open: return Reading::Open;
    case Outcome::Closed: return Reading::Closed;
    case Outcome::NotReachable: return Reading::NotReachable;
    case Outcome::Done:
    case Outcome::RequestFailed: break;
    }
    return Reading::RequestFailed;
}

} // namespace kav::drawers
