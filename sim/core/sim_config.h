// What the harness asks of the simulated peripherals, read from values under
// the driver's service key before it starts:
//   SerialPorts    REG_SZ     the COM port numbers, e.g. "3,5" (blanks or
//                             commas between them); none or absent: no ports
//   AdapterPorts   REG_SZ     COM port numbers, as SerialPorts, of ports that
//                             sit on USB-to-RS232 adapters: each is a serial
//                             port with a drawer, and the adapter's instance
//                             keys name it in the device registry
//   HidDevices     REG_SZ     the HID devices in listing order, one letter
//                             each: "d" a drawer, "o" another device that opens
//                             but answers no string, e.g. "odd"
//   PrinterPorts   REG_SZ     COM port numbers, as SerialPorts, of receipt
//                             printers with a drawer on the kick connector,
//                             each number optionally followed by "/pin5" (the
//                             drawer on pin 5, not 2), "/low" (its switch
//                             reads low while it is open, not high) and
//                             "@19200" (the printer's speed, not 9600), e.g.
//                             "6, 8/pin5/low@19200"
//   SerialCloseMs  REG_DWORD  how long a pulsed drawer stays open, serial,
//                             printer and HID alike (default 3000)
#pragma once
#include "hid_drawer_model.h"
#include "receipt_printer_model.h"

#include <stdint.h>

namespace kav::sim {

inline constexpr const wchar_t* kSerialPortsValue = L"SerialPorts";
inline constexpr const wchar_t* kAdapterPortsValue = L"AdapterPorts";
inline constexpr const wchar_t* kHidDevicesValue = L"HidDevices";
inline constexpr const wchar_t* kPrinterPortsValue = L"PrinterPorts";
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

// Adds the numbers of more that into is missing, as long as it has room.
void add_ports(SerialPortList& into, const SerialPortList& more);

struct PrinterEntry {
    uint16_t number = 0;
    PrinterSetup setup;
};

struct PrinterList {
    int count = 0;
    PrinterEntry printers[kMaxSerialPorts] = {};
};

// False, with the list empty, for anything but entries as PrinterPorts
// describes them (options each at most once, speeds 1..115200), or more than
// kMaxSerialPorts. A number given twice counts once, as first given.
bool parse_printer_list(const char* text, PrinterList& list);

// The library looks at the first eight members of the HID class at most.
inline constexpr int kMaxHidDevices = 8;

struct HidDeviceList {
    int count = 0;
    HidKind kinds[kMaxHidDevices] = {};
};

// False, with the list empty, for a letter other than d or o (either case;
// blanks and commas between them are allowed) or more than kMaxHidDevices.
bool parse_hid_devices(const char* text, HidDeviceList& list);

} // namespace kav::sim
