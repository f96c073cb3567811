// The utility's serial-port object, one per serial drawer (the windows call
// them MSComm and MSComm2): a port opened by number, text written to it, and
// the carrier-detect line's changes reported on the window thread.
#pragma once
#include "serial_drawer.h"
#include "worker_link.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace kav::gui {

// The platform's port: opened exclusively with the drawer's line settings
// (9600 baud, 8 data bits, no parity, 1 stop bit, no flow control, DTR and
// RTS held on).
class SerialDevice {
public:
    virtual bool open(int port) = 0;
    virtual void close() = 0;
    // All of text, or false.
    virtual bool write(std::string_view text) = 0;

protected:
    SerialDevice() = default;
    SerialDevice(const SerialDevice&) = default;
    SerialDevice& operator=(const SerialDevice&) = default;
    ~SerialDevice() = default;
};

// What the port's watcher posts: the line events it waited for (the
// platform's EV_ bits) and the carrier-detect state read after them, packed
// into one message parameter.
inline constexpr uint32_t kLineEventCarrierDetect = drawers::kEventCarrier; // EV_RLSD
inline constexpr uintptr_t pack_line_event(uint32_t events, bool carrier_high)
{
    return (events & 0xFFFFu) | (carrier_high ? 0x10000u : 0u);
}

// OnComm's event: the code (5, the carrier-detect line changed, is the one
// the windows act on) and CDHolding, the line's state after the change.
inline constexpr int kComEvCD = 5;
struct CommEvent {
    int code;
    bool cd_holding;

    friend constexpr bool operator==(const CommEvent&, const CommEvent&) = default;
};

class SerialPort {
public:
    using Listener = std::function<void(const CommEvent&)>;

    // The watcher waits on the device's line while the port is open and
    // posts what it saw for deliver().
    SerialPort(SerialDevice& device, WorkerThread& watcher) : device_(device), watcher_(watcher) {}
    ~SerialPort() { close(); }
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // CommPort: applies from the next open; refused (false) while open.
    bool set_comm_port(int port);
    int comm_port() const { return port_; }

    // PortOpen = true: false if the port did not open or cannot be watched.
    bool open();
    // PortOpen = false: once it returns the watcher has ended and nothing it
    // posted reaches the listener.
    void close();
    bool is_open() const { return open_; }

    // Output: false when the port is closed or the write failed.
    bool output(std::string_view text);

    // OnComm, raised from deliver() on the window thread.
    void set_listener(Listener listener) { listener_ = std::move(listener); }
    // For each message the watcher posted: a carrier-detect change of the
    // port's current opening raises OnComm; anything else is dropped.
    void deliver(WorkerStamp stamp, uintptr_t payload);

private:
    SerialDevice& device_;
    WorkerLink watcher_;
    Listener listener_;
    int port_ = 1;
    bool open_ = false;
};

} // namespace kav::gui
