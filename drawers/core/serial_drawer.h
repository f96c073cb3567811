// Drawers on an RS232 port: the port's path, the drawer's line settings (the
// one routine every program applies), and tillio's three RS232 exports: pulse
// a drawer with its two-byte message, ask whether its port has reported a
// carrier change, test whether a port is there. Every path closes what it
// opened, exactly once.
#pragma once
#include "serial_line.h"
#include "tillio.h"

#include <stdint.h>

namespace kav::drawers {

// The exports' results (tillio.h): 0 done, -1 the port did not open, and these.
inline constexpr int32_t kSettingsRefused = TILLIO_SETTINGS_REFUSED;
inline constexpr int32_t kEventMaskRefused = TILLIO_EVENT_MASK_REFUSED;
inline constexpr int32_t kNoEventObject = TILLIO_NO_EVENT_OBJECT;
// RS232GetCashDrawerStatus when the port had a carrier change to report.
inline constexpr int32_t kCarrierChanged = TILLIO_CARRIER_CHANGED;

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
// RTS held on, no flow control; every other field as the port had it. Every
// program that opens a drawer's port sets it with this: tillio's
// RS232OpenCashDrawer, and the utility's and the console tool's ports; a
// receipt printer's port the same at the printer's speed.
inline constexpr uint32_t kDrawerBaudRate = 9600;
void apply_drawer_settings(LineSettings& settings, uint32_t baud_rate = kDrawerBaudRate);

int32_t open_cash_drawer(SerialLine& line, int32_t port);
int32_t cash_drawer_status(SerialLine& line, int32_t port);
int32_t check_port(SerialLine& line, int32_t port);

} // namespace kav::drawers
