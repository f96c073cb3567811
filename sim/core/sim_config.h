// What the harness asks of the simulated peripherals, read from values under
// the driver's service key before it starts:
//   SerialPorts    REG_SZ     the COM port numbers, e.g. "3,5" (blanks or
//                             commas between them); none or absent: no ports
//   SerialCloseMs  REG_DWORD  how long a pulsed drawer stays open (default 3000)
#pragma once
#include <stdint.h>

namespace kav::sim {

inline constexpr const wchar_t* kSerialPortsValue = L"SerialPorts";
inline constexpr const wchar_t* kSerialCloseMsValue = L"SerialCloseMs";
inline constexpr uint32_t kDefaultCloseMs = 3000;

inline constexpr int kMaxSerialPorts = 16;
inline constexpr uint32_t kMaxPortNumber = 255;

struct SerialPortList {
    int count = 0;
    uint16_t numbers[kMaxSerialPorts] = {};
};

// False, with the list empty, for anything but port numbers 1..255 apart by
// blanks or commas, or for more than kMaxSerialPorts of them. A number given
// twice counts once.
bool parse_port_list(const char* text, SerialPortList& list);

} // namespace kav::sim
