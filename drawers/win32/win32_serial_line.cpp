#include "win32_serial_line.h"

#include <new>

namespace kav::drawers {
namespace {

// A cancelled wait comes back at once on Windows and from the simulated
// ports; a driver that never answers must not hang the caller for good.
constexpr DWORD kSettleMs = 1000;

} // namespace

Win32SerialLine::~Win32SerialLine() = default;

SerialHandle Win32SerialLine::open(const char* path, bool overlapped)
{
    const HANDLE handle = open_com_port(path, overlapped);
    return handle == INVALID_HANDLE_VALUE ? kNoSerialPort : handle;
}

bool Win32SerialLine::get_settings(SerialHandle port, LineSettings& settings)
{
    return read_line_settings(port, settings);
}

bool Win32SerialLine::set_settings(SerialHandle port, const LineSettings& settings)
{
    return write_line_settings(port, settings);
}

bool Win32SerialLine::write(SerialHandle port, const void* data, uint32_t length)
{
    DWORD written = 0;
    return WriteFile(port, data, length, &written, nullptr) != FALSE;
}

bool Win32SerialLine::set_event_mask(SerialHandle port, uint32_t mask) { return SetCommMask(port, mask) != FALSE; }

EventHandle Win32SerialLine::create_event() { return CreateEventA(nullptr, TRUE, TRUE, nullptr); }

WaitStart Win32SerialLine::start_wait(SerialHandle port, EventHandle event, uint32_t& received_mask)
{
    received_mask = 0;
    // The event stays the caller's: close_event closes it.
    wait_.reset(new (std::nothrow) OverlappedRequest(event, false));
    if (wait_ == nullptr || !wait_->usable()) return WaitStart::Failed;
    if (wait_->start_wait(port)) {
        received_mask = wait_->events();
        return WaitStart::Completed;
    }
    if (GetLastError() != ERROR_IO_PENDING) return WaitStart::Failed;
    wait_->pending();
    return WaitStart::Pending;
}

void Win32SerialLine::settle_wait(EventHandle)
{
    if (wait_ != nullptr) wait_->settle(kSettleMs);
}

void Win32SerialLine::close(SerialHandle port) { CloseHandle(port); }

void Win32SerialLine::close_event(EventHandle event) { CloseHandle(event); }

} // namespace kav::drawers
