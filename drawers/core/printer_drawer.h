// Drawers on a receipt printer's drawer-kick connector (ESC/POS). The
// printer fires the drawer's solenoid on "ESC p m t1 t2" and reports the
// drawer switch (connector pin 3) in its answer to "DLE EOT 1". Which level
// means open depends on the drawer, so it is a setting, like the pin the
// solenoid hangs on and the printer's line speed.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kav::drawers {

// The line speeds a printer's name may ask for; 9600 when it asks none.
inline constexpr uint32_t kPrinterBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
inline constexpr uint32_t kDefaultPrinterBaud = 9600;

struct PrinterOptions {
    int pin = 2;           // the kick connector pin the solenoid is on: 2 or 5
    bool open_low = false; // the switch reads low while the drawer is open
    uint32_t baud = kDefaultPrinterBaud;

    friend bool operator==(const PrinterOptions&, const PrinterOptions&) = default;
};

bool is_printer_baud(uint32_t baud);

// ESC p m t1 t2 for the pin: m 0 drives pin 2, m 1 pin 5; on for t1 x 2 ms,
// off for t2 x 2 ms. 50 ms on, 500 ms off: long enough for a solenoid, and
// t2 well above the 100 ms printers hold as the least.
inline constexpr uint8_t kKickOnTicks = 25;
inline constexpr uint8_t kKickOffTicks = 250;
std::array<uint8_t, 5> kick_command(int pin);

// DLE EOT 1: the printer answers one status byte at once, even when busy.
inline constexpr uint8_t kStatusRequest[3] = {0x10, 0x04, 0x01};
// How long a status read waits for that byte.
inline constexpr uint32_t kStatusAnswerMs = 500;

// The answer byte: bits 1 and 4 always set, bits 0 and 7 always clear;
// bit 2 the drawer switch (set: pin 3 high), bit 3 off line.
struct PrinterStatus {
    bool switch_high = false;
    bool off_line = false;
};
// Nothing for a byte whose fixed bits are wrong: no printer sent it.
std::optional<PrinterStatus> decode_printer_status(uint8_t answer);
bool drawer_open(const PrinterStatus& status, const PrinterOptions& options);

// A printer's serial port as a drawer request uses it: opened, written,
// read, closed. The Win32 edge is one serial port per object; tests fake it.
class PrinterPort {
public:
    // COMn at baud, 8 data bits, no parity, one stop bit, no flow control.
    // False when the port did not open or refused the settings.
    virtual bool open(int port, uint32_t baud) = 0;
    // All of bytes, or false.
    virtual bool write(std::span<const uint8_t> bytes) = 0;
    // Drops what arrived and was not read, so the next read is an answer.
    virtual void discard_input() = 0;
    // The first byte that arrives within timeout_ms; nothing on silence.
    virtual std::optional<uint8_t> read_byte(uint32_t timeout_ms) = 0;
    // Harmless when it is not open.
    virtual void close() = 0;

protected:
    PrinterPort() = default;
    PrinterPort(const PrinterPort&) = default;
    PrinterPort& operator=(const PrinterPort&) = default;
    ~PrinterPort() = default;
};

// What a request to the printer came to.
enum class PrinterResult {
    Answered,  // a well-formed status byte (kicked: and the kick was written)
    NoPort,    // the port did not open or took no settings
    Silent,    // no byte within kStatusAnswerMs (or the question did not go out)
    Malformed, // a byte, but no printer's status
    KickLost,  // the printer answered, but the kick was not written
};

struct PrinterReply {
    PrinterResult result = PrinterResult::NoPort;
    uint8_t answer = 0; // the status byte, when one came
    PrinterStatus status;
};

// Asks the status once on an open port: what came back.
PrinterReply ask_printer_status(PrinterPort& port);
// Opens the port, asks the status, and kicks the drawer only when a printer
// answered: a kick into silence proves nothing. The port is closed again.
PrinterReply kick_printer_drawer(PrinterPort& port, int port_number, const PrinterOptions& options);
// Opens the port, asks the status, closes it again.
PrinterReply read_printer_drawer(PrinterPort& port, int port_number, const PrinterOptions& options);

// The request as the run log writes it: "COM6 ESC p 0 25 250",
// "COM6 DLE EOT 1 = 0x16", "COM6 DLE EOT 1: no answer".
std::string printer_call_text(int port_number, const PrinterReply& reply, bool kick, const PrinterOptions& options);

} // namespace kav::drawers
