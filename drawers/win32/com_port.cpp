#include "com_port.h"

#include "serial_drawer.h"

#include <new>
#include <string>

namespace kav::drawers {
namespace {

constexpr DWORD kInputQueue = 1024;
constexpr DWORD kOutputQueue = 512;
constexpr DWORD kWriteTimeoutMs = 2000;
constexpr DWORD kCancelTimeoutMs = 1000;

static_assert(kEventCarrier == EV_RLSD);

bool configure(HANDLE port, uint32_t baud_rate)
{
    if (!SetupComm(port, kInputQueue, kOutputQueue)) return false;
    LineSettings settings;
    settings.length = kLineSettingsLength;
    if (!read_line_settings(port, settings)) return false;
    apply_drawer_settings(settings, baud_rate);
    return write_line_settings(port, settings) && SetCommMask(port, EV_RLSD);
}

std::optional<bool> carrier_of(HANDLE port)
{
    DWORD modem = 0;
    if (!GetCommModemStatus(port, &modem)) return std::nullopt;
    return (modem & MS_RLSD_ON) != 0;
}

// A manual-reset event for one request, not signalled.
HANDLE request_event() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

} // namespace

bool ComPort::open(int port, uint32_t baud_rate)
{
    if (is_open()) return false;
    if (wait_ == nullptr || wait_->outstanding()) {
        // A wait that never came back keeps its record; this opening gets its own.
        wait_.reset(new (std::nothrow) OverlappedRequest(request_event(), true));
        if (wait_ == nullptr || !wait_->usable()) return false;
    }
    const HANDLE handle = open_com_port(port, true);
    if (handle == INVALID_HANDLE_VALUE) return false;
    if (!configure(handle, baud_rate)) {
        CloseHandle(handle);
        return false;
    }
    port_ = handle;
    return true;
}

void ComPort::close()
{
    if (!is_open()) return;
    CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
    // A wait the watch's cancel did not end is ended by the close: let it land.
    if (wait_ != nullptr) wait_->settle(kCancelTimeoutMs);
}

bool ComPort::write(std::string_view bytes)
{
    if (!is_open()) return false;
    OverlappedRequest request(request_event(), true);
    if (!request.usable()) return false;
    if (request.start_write(port_, bytes)) return request.transferred() == bytes.size();
    if (GetLastError() != ERROR_IO_PENDING) return false;
    request.pending();
    if (!request.settle(kWriteTimeoutMs)) {
        // Cancelled; a request that still does not come back keeps its record.
        CancelIo(port_);
        request.settle(kCancelTimeoutMs);
        return false;
    }
    DWORD written = 0;
    return request.result(port_, written) && written == bytes.size();
}

bool ComPort::discard_input() { return is_open() && PurgeComm(port_, PURGE_RXCLEAR) != FALSE; }

std::string ComPort::read(DWORD max, DWORD timeout_ms)
{
    if (!is_open() || max == 0) return {};
    // Back as soon as a byte is there, or after timeout_ms with none; the
    // write timeouts stay as the port had them.
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(port_, &timeouts)) return {};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = timeout_ms;
    if (!SetCommTimeouts(port_, &timeouts)) return {};

    OverlappedRequest request(request_event(), true);
    if (!request.usable()) return {};
    if (request.start_read(port_, max)) return std::string(request.read_bytes(request.transferred()));
    if (GetLastError() != ERROR_IO_PENDING) return {};
    request.pending();
    // The wait is ours too, so a port that keeps the read past its time
    // still costs no more than timeout_ms. A byte that arrived before the
    // cancel landed still counts; a read that never comes back keeps its record.
    if (!request.settle(timeout_ms)) {
        CancelIo(port_);
        if (!request.settle(kCancelTimeoutMs)) return {};
    }
    DWORD count = 0;
    if (!request.result(port_, count)) return {};
    return std::string(request.read_bytes(count));
}

std::optional<bool> ComPort::carrier_detect() const
{
    if (!is_open()) return std::nullopt;
    return carrier_of(port_);
}

bool ComPort::watch(HANDLE stop, const std::function<void(const LineEvent&)>& report)
{
    if (!is_open() || wait_ == nullptr || wait_->outstanding()) return false;
    const HANDLE waits[2] = {stop, wait_->event()};
    while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        ResetEvent(wait_->event());
        if (!wait_->start_wait(port_)) {
            if (GetLastError() != ERROR_IO_PENDING) return false; // the port is gone
            wait_->pending();
            if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
                // Stopped: end the wait this thread started.
                CancelIo(port_);
                wait_->settle(kCancelTimeoutMs);
                return true;
            }
            wait_->settle(0);
            DWORD unused = 0;
            if (!wait_->result(port_, unused)) return false;
        }
        const std::optional<bool> carrier = carrier_of(port_);
        if (!carrier) return false;
        report(LineEvent{wait_->events(), *carrier, false});
    }
    return true;
}

std::optional<bool> read_carrier(int port)
{
    const HANDLE handle = open_com_port(port, false);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    const std::optional<bool> carrier = carrier_of(handle);
    CloseHandle(handle);
    return carrier;
}

} // namespace kav::drawers
