#include "printer_drawer.h"

#include "result_messages.h"

#include <cstdio>

namespace kav::drawers {
namespace {

constexpr uint8_t kFixedMask = 0x93;  // bits 0, 1, 4 and 7
constexpr uint8_t kFixedValue = 0x12; // bits 1 and 4 set, 0 and 7 clear
constexpr uint8_t kSwitchBit = 0x04;
constexpr uint8_t kOffLineBit = 0x08;

// Opens the port at the printer's speed and asks its status; the port stays
// open only when a printer answered.
PrinterReply open_and_ask(PrinterPort& port, int port_number, const PrinterOptions& options)
{
    if (!port.open(port_number, options.baud)) return {};
    const PrinterReply reply = ask_printer_status(port);
    if (reply.result != PrinterResult::Answered) port.close();
    return reply;
}

} // namespace

bool is_printer_baud(uint32_t baud)
{
    for (uint32_t offered : kPrinterBaudRates)
        if (offered == baud) return true;
    return false;
}

std::array<uint8_t, 5> kick_command(int pin)
{
    const uint8_t m = pin == 5 ? 1 : 0;
    return {0x1B, 0x70, m, kKickOnTicks, kKickOffTicks};
}

std::optional<PrinterStatus> decode_printer_status(uint8_t answer)
{
    if ((answer & kFixedMask) != kFixedValue) return std::nullopt;
    return PrinterStatus{(answer & kSwitchBit) != 0, (answer & kOffLineBit) != 0};
}

bool drawer_open(const PrinterStatus& status, const PrinterOptions& options)
{
    return status.switch_high != options.open_low;
}

PrinterReply ask_printer_status(PrinterPort& port)
{
    PrinterReply reply;
    // An answer left from before (or anything the printer sent by itself)
    // must not pass for this one.
    port.discard_input();
    if (!port.write(kStatusRequest)) {
        reply.result = PrinterResult::Silent;
        return reply;
    }
    const std::optional<uint8_t> answer = port.read_byte(kStatusAnswerMs);
    if (!answer) {
        reply.result = PrinterResult::Silent;
        return reply;
    }
    reply.answer = *answer;
    const std::optional<PrinterStatus> status = decode_printer_status(*answer);
    if (!status) {
        reply.result = PrinterResult::Malformed;
        return reply;
    }
    reply.result = PrinterResult::Answered;
    reply.status = *status;
    return reply;
}

PrinterReply kick_printer_drawer(PrinterPort& port, int port_number, const PrinterOptions& options)
{
    PrinterReply reply = open_and_ask(port, port_number, options);
    if (reply.result != PrinterResult::Answered) return reply;
    if (!port.write(kick_command(options.pin))) reply.result = PrinterResult::KickLost;
    port.close();
    return reply;
}

PrinterReply read_printer_drawer(PrinterPort& port, int port_number, const PrinterOptions& options)
{
    const PrinterReply reply = open_and_ask(port, port_number, options);
    if (reply.result == PrinterResult::Answered) port.close();
    return reply;
}

std::string printer_call_text(int port_number, const PrinterReply& reply, bool kick, const PrinterOptions& options)
{
    const std::string port = com_port_name(port_number);
    char answer[8];
    std::snprintf(answer, sizeof answer, "0x%02X", reply.answer);
    switch (reply.result) {
    case PrinterResult::NoPort: return port + " did not open";
    case PrinterResult::Silent: return port + " DLE EOT 1: no answer";
    case PrinterResult::Malformed: return port + " DLE EOT 1 = " + answer + ", no printer's status";
    case PrinterResult::KickLost:
    case PrinterResult::Answered: break;
    }
    if (!kick) return port + " DLE EOT 1 = " + answer + (reply.status.off_line ? ", off line" : "");
    const std::array<uint8_t, 5> command = kick_command(options.pin);
    std::string text = port + " ESC p";
    for (size_t i = 2; i < command.size(); ++i) text.append(" ").append(std::to_string(command[i]));
    return reply.result == PrinterResult::KickLost ? text + " not written" : text;
}

} // namespace kav::drawers
