// A COM port for the serial-port object: opened exclusively for overlapped
// I/O, so that its watcher can wait for carrier-detect changes while the
// window thread writes.
#pragma once
#include "serial_port.h"
#include "window_worker.h"

#include <windows.h>

class Win32SerialDevice final : public kav::gui::SerialDevice {
public:
    Win32SerialDevice();
    ~Win32SerialDevice();
    Win32SerialDevice(const Win32SerialDevice&) = delete;
    Win32SerialDevice& operator=(const Win32SerialDevice&) = delete;

    bool open(int port) override;
    void close() override;
    bool write(std::string_view text) override;
    // The carrier-detect line of the open port: false when it is not open or
    // the line cannot be read. For the console tool, whose watch needs the
    // state the events start from.
    bool carrier_detect(bool& high) const;

    // The watcher's body, on its own thread while the port is open: blocks
    // in WaitCommEvent (no polling) and posts each change with the carrier
    // state read after it, until the stop event is set.
    void watch(const WorkerContext& context);

private:
    HANDLE port_ = INVALID_HANDLE_VALUE;
    // The watcher's wait. Kept here rather than on the watcher's stack: a
    // driver may complete the wait only when the port is closed, after the
    // watcher has ended, and then still writes to it.
    OVERLAPPED wait_{};
    bool wait_pending_ = false;
};

// A serial-port object of a window: the COM port and the thread that watches
// it while it is open, posting to the window with this message.
struct WatchedSerialPort {
    explicit WatchedSerialPort(UINT message) : watcher(message, [this](const WorkerContext& c) { device.watch(c); }) {}
    WatchedSerialPort(const WatchedSerialPort&) = delete;
    WatchedSerialPort& operator=(const WatchedSerialPort&) = delete;

    Win32SerialDevice device;
    Win32WorkerThread watcher;
    kav::gui::SerialPort port{device, watcher};
};
