// Drawers on an RS232 port: pulse one with its two-byte message, ask whether
// its port has reported a carrier change, test whether a port is there. Every
// path closes what it opened, exactly once.
#pragma once
#include "serial_line.h"

#include <stdint.h>

namespace kav::tillio {

// Results beyond the shared ones (result_codes.h: 0 done, -1 did not open).
inline constexpr int32_t kSettingsRefused = -4;
inline constexpr int32_t kEventMaskRefused = -5;
inline constexpr int32_t kNoEventObject = -6;
// RS232GetCashDrawerStatus when the port had a carrier change to report.
inline constexpr int32_t kCarrierChanged = 32;

// The system's event bits for a carrier change and a ring.
inline constexpr uint32_t kEventCarrier = 0x20;
inline constexpr uint32_t kEventRing = 0x100;

// The message a drawer opens on.
inline constexpr uint8_t kDrawerMessage[2] = {0x55, 0x00};

// The system's settings record is this long on every target.
inline constexpr uint32_t kLineSettingsLength = 28;

// "\\.\COM" and the number in decimal: the form reaches ports above 9 too.
struct SerialPortPath {
    char text[24];
};

// False for a number below 1, which names no port.
bool serial_port_path(int32_t port, SerialPortPath& path);

// The drawer's line: 9600 baud, 8 data bits, no parity, one stop bit, DTR and
// RTS held on, no flow control; every other field as the port had it.
void apply_drawer_settings(LineSettings& settings);

int32_t open_cash_drawer(SerialLine& line, int32_t port);
int32_t cash_drawer_status(SerialLine& line, int32_t port);
int32_t check_port(SerialLine& line, int32_t port);

} // namespace kav::tillio
