#include "win32_serial_device.h"

#include <string>

namespace {

constexpr DWORD kInputQueue = 1024;
constexpr DWORD kOutputQueue = 512;
constexpr DWORD kWriteTimeoutMs = 2000;
constexpr DWORD kCancelTimeoutMs = 1000;

static_assert(kav::gui::kLineEventCarrierDetect == EV_RLSD);

// 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control; DTR and
// RTS held on while the port is open, as the library's own firing does.
bool configure(HANDLE port)
{
    if (!SetupComm(port, kInputQueue, kOutputQueue)) return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port, &dcb)) return false;
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.ErrorChar = '?';
    return SetCommState(port, &dcb) && SetCommMask(port, EV_RLSD);
}

// Waits for an overlapped request on its event, then reads its result
// without waiting: under Wine a pending request's status is not
// STATUS_PENDING, so GetOverlappedResult(..., TRUE) would return at once.
bool finish(HANDLE port, OVERLAPPED& overlapped, DWORD timeout_ms, DWORD* transferred)
{
    if (WaitForSingleObject(overlapped.hEvent, timeout_ms) != WAIT_OBJECT_0) return false;
    return GetOverlappedResult(port, &overlapped, transferred, FALSE) != FALSE;
}

} // namespace

Win32SerialDevice::Win32SerialDevice() { wait_.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }

Win32SerialDevice::~Win32SerialDevice()
{
    close();
    if (wait_.hEvent != nullptr) CloseHandle(wait_.hEvent);
}

bool Win32SerialDevice::open(int port)
{
    if (port_ != INVALID_HANDLE_VALUE || wait_.hEvent == nullptr || port < 1) return false;
    const std::string path = "\\\\.\\COM" + std::to_string(port);
    const HANDLE handle =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    if (!configure(handle)) {
        CloseHandle(handle);
        return false;
    }
    port_ = handle;
    return true;
}

void Win32SerialDevice::close()
{
    if (port_ == INVALID_HANDLE_VALUE) return;
    CloseHandle(port_);
    port_ = INVALID_HANDLE_VALUE;
    // A wait the cancel did not end is ended by the close: let it land.
    if (wait_pending_) WaitForSingleObject(wait_.hEvent, kCancelTimeoutMs);
    wait_pending_ = false;
}

bool Win32SerialDevice::write(std::string_view text)
{
    if (port_ == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) return false;
    DWORD written = 0;
    bool done = WriteFile(port_, text.data(), static_cast<DWORD>(text.size()), &written, &overlapped) != FALSE;
    if (!done && GetLastError() == ERROR_IO_PENDING) {
        done = finish(port_, overlapped, kWriteTimeoutMs, &written);
        if (!done) {
            CancelIo(port_);
            WaitForSingleObject(overlapped.hEvent, kCancelTimeoutMs);
        }
    }
    CloseHandle(overlapped.hEvent);
    return done && written == text.size();
}

bool Win32SerialDevice::carrier_detect(bool& high) const
{
    DWORD modem = 0;
    if (port_ == INVALID_HANDLE_VALUE || !GetCommModemStatus(port_, &modem)) return false;
    high = (modem & MS_RLSD_ON) != 0;
    return true;
}

void Win32SerialDevice::watch(const WorkerContext& context)
{
    const HANDLE waits[2] = {context.stop_event(), wait_.hEvent};
    while (WaitForSingleObject(context.stop_event(), 0) == WAIT_TIMEOUT) {
        DWORD events = 0;
        ResetEvent(wait_.hEvent);
        if (!WaitCommEvent(port_, &events, &wait_)) {
            if (GetLastError() != ERROR_IO_PENDING) return; // the port is gone
            wait_pending_ = true;
            if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
                // Stopped: end the wait this thread started.
                CancelIo(port_);
                if (WaitForSingleObject(wait_.hEvent, kCancelTimeoutMs) == WAIT_OBJECT_0) wait_pending_ = false;
                return;
            }
            wait_pending_ = false;
            DWORD unused = 0;
            if (!GetOverlappedResult(port_, &wait_, &unused, FALSE)) return;
        }
        DWORD modem = 0;
        if (!GetCommModemStatus(port_, &modem)) return;
        context.post(static_cast<LPARAM>(kav::gui::pack_line_event(events, (modem & MS_RLSD_ON) != 0)));
    }
}
