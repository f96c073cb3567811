// A serial drawer's COM port held open: fired by writing to it, watched for
// its carrier-detect changes (the drawer holds carrier detect low while it
// is open). Opened exclusively for overlapped I/O, so that a watch can wait
// on its line on one thread while another writes.
#pragma once
#include "com_port_io.h"
#include "serial_drawer.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kav::drawers {

// What a watch saw: the line events it waited for (the system's EV_ bits,
// kEventCarrier for carrier detect) and the carrier-detect state read after
// them; or that the port failed, after which the watch has ended.
struct LineEvent {
    uint32_t events = 0;
    bool carrier_high = false;
    bool port_failed = false;
};

class ComPort {
public:
    ComPort() = default;
    ~ComPort() { close(); }
    ComPort(const ComPort&) = delete;
    ComPort& operator=(const ComPort&) = delete;

    // \\.\COMn with the drawer's line (9600 8N1, no flow control, DTR and
    // RTS held on; a receipt printer's port at its own speed), queues of 1024
    // and 512 bytes, carrier-detect events.
    bool open(int port, uint32_t baud_rate = kDrawerBaudRate);
    // Any watch of the port must have ended first.
    void close();
    bool is_open() const { return port_ != INVALID_HANDLE_VALUE; }

    // All of bytes within two seconds, or false.
    bool write(std::string_view bytes);
    // Drops what arrived and was not read.
    bool discard_input();
    // What arrives within timeout_ms, up to max bytes: as soon as one byte
    // is there, or empty after timeout_ms (a request the port does not end
    // by then is cancelled). Not while a watch runs.
    std::string read(DWORD max, DWORD timeout_ms);
    // High while the drawer is closed; nothing when the line cannot be read.
    std::optional<bool> carrier_detect() const;

    // Blocks in WaitCommEvent (no polling), reporting each event with the
    // carrier state read after it, until stop is set (true) or the port fails
    // (false). On the watch's own thread; one watch at a time.
    bool watch(HANDLE stop, const std::function<void(const LineEvent&)>& report);

private:
    HANDLE port_ = INVALID_HANDLE_VALUE;
    // The watch's wait, owned here rather than by the watch's thread: a
    // driver may complete it only when the port is closed, after the watch
    // has ended, and it then still writes to the record.
    std::unique_ptr<OverlappedRequest> wait_;
};

// A COM port's carrier-detect line read once (the port opened and closed
// again): high while its drawer is closed; nothing when it did not open.
std::optional<bool> read_carrier(int port);

} // namespace kav::drawers
