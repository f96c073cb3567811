// A serial-port object of a window (MSComm, MSComm2): the drawer library's
// COM port, its carrier watch posting to the window with this message, and
// the window's SerialPort over both.
#pragma once
#include "com_port.h"
#include "serial_port.h"
#include "window_worker.h"

#include <windows.h>

// The SerialPort's device: the COM port, opened, closed and written.
class ComPortDevice final : public kav::gui::SerialDevice {
public:
    explicit ComPortDevice(kav::drawers::ComPort& port) : port_(port) {}
    bool open(int port) override { return port_.open(port); }
    void close() override { port_.close(); }
    bool write(std::string_view text) override { return port_.write(text); }

private:
    kav::drawers::ComPort& port_;
};

struct WatchedSerialPort {
    explicit WatchedSerialPort(UINT message) : watcher(message, com) {}
    WatchedSerialPort(const WatchedSerialPort&) = delete;
    WatchedSerialPort& operator=(const WatchedSerialPort&) = delete;

    kav::drawers::ComPort com;
    ComPortDevice device{com};
    WindowWatch watcher;
    // Declared last, so it closes (watch ended, then the port) first.
    kav::gui::SerialPort port{device, watcher};
};
