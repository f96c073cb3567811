#include "win32_serial_line.h"
#include "serial_drawer.h"

#include <new>

namespace kav::tillio {
namespace {

static_assert(sizeof(DCB) == kLineSettingsLength);

// A cancelled wait comes back at once on Windows and from the simulated
// ports; a driver that never answers must not hang the caller for good.
constexpr DWORD kSettleMs = 1000;

void to_record(const LineSettings& from, DCB& to)
{
    to.DCBlength = from.length;
    to.BaudRate = from.baud_rate;
    to.fBinary = from.binary;
    to.fParity = from.parity_check;
    to.fOutxCtsFlow = from.cts_output_flow;
    to.fOutxDsrFlow = from.dsr_output_flow;
    to.fDtrControl = from.dtr_control & 0x3u;
    to.fDsrSensitivity = from.dsr_sensitivity;
    to.fTXContinueOnXoff = from.tx_continue_on_xoff;
    to.fOutX = from.xon_xoff_output;
    to.fInX = from.xon_xoff_input;
    to.fErrorChar = from.error_char_replace;
    to.fNull = from.discard_null;
    to.fRtsControl = from.rts_control & 0x3u;
    to.fAbortOnError = from.abort_on_error;
    to.fDummy2 = from.reserved_bits & 0x1FFFFu;
    to.wReserved = from.reserved;
    to.XonLim = from.xon_limit;
    to.XoffLim = from.xoff_limit;
    to.ByteSize = from.byte_size;
    to.Parity = from.parity;
    to.StopBits = from.stop_bits;
    to.XonChar = from.xon_char;
    to.XoffChar = from.xoff_char;
    to.ErrorChar = from.error_char;
    to.EofChar = from.eof_char;
    to.EvtChar = from.event_char;
    to.wReserved1 = from.reserved1;
}

void from_record(const DCB& from, LineSettings& to)
{
    to.length = from.DCBlength;
    to.baud_rate = from.BaudRate;
    to.binary = from.fBinary;
    to.parity_check = from.fParity;
    to.cts_output_flow = from.fOutxCtsFlow;
    to.dsr_output_flow = from.fOutxDsrFlow;
    to.dtr_control = static_cast<uint8_t>(from.fDtrControl);
    to.dsr_sensitivity = from.fDsrSensitivity;
    to.tx_continue_on_xoff = from.fTXContinueOnXoff;
    to.xon_xoff_output = from.fOutX;
    to.xon_xoff_input = from.fInX;
    to.error_char_replace = from.fErrorChar;
    to.discard_null = from.fNull;
    to.rts_control = static_cast<uint8_t>(from.fRtsControl);
    to.abort_on_error = from.fAbortOnError;
    to.reserved_bits = from.fDummy2;
    to.reserved = from.wReserved;
    to.xon_limit = from.XonLim;
    to.xoff_limit = from.XoffLim;
    to.byte_size = from.ByteSize;
    to.parity = from.Parity;
    to.stop_bits = from.StopBits;
    to.xon_char = from.XonChar;
    to.xoff_char = from.XoffChar;
    to.error_char = from.ErrorChar;
    to.eof_char = from.EofChar;
    to.event_char = from.EvtChar;
    to.reserved1 = from.wReserved1;
}

} // namespace

SerialHandle Win32SerialLine::open(const char* path, bool overlapped)
{
    const HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    return handle == INVALID_HANDLE_VALUE ? kNoSerialPort : handle;
}

bool Win32SerialLine::get_settings(SerialHandle port, LineSettings& settings)
{
    DCB record{};
    to_record(settings, record);
    if (!GetCommState(port, &record)) return false;
    from_record(record, settings);
    return true;
}

bool Win32SerialLine::set_settings(SerialHandle port, const LineSettings& settings)
{
    DCB record{};
    to_record(settings, record);
    return SetCommState(port, &record) != FALSE;
}

bool Win32SerialLine::write(SerialHandle port, const void* data, uint32_t length)
{
    DWORD written = 0;
    return WriteFile(port, data, length, &written, nullptr) != FALSE;
}

bool Win32SerialLine::set_event_mask(SerialHandle port, uint32_t mask)
{
    return SetCommMask(port, mask) != FALSE;
}

EventHandle Win32SerialLine::create_event()
{
    return CreateEventA(nullptr, TRUE, TRUE, nullptr);
}

Win32SerialLine::~Win32SerialLine()
{
    delete wait_;
}

WaitStart Win32SerialLine::start_wait(SerialHandle port, EventHandle event, uint32_t& received_mask)
{
    received_mask = 0;
    delete wait_;
    wait_ = new (std::nothrow) WaitRecord{};
    if (wait_ == nullptr) return WaitStart::Failed;
    wait_->overlapped.hEvent = event;
    if (WaitCommEvent(port, &wait_->mask, &wait_->overlapped)) {
        received_mask = wait_->mask;
        return WaitStart::Completed;
    }
    return GetLastError() == ERROR_IO_PENDING ? WaitStart::Pending : WaitStart::Failed;
}

void Win32SerialLine::settle_wait(EventHandle event)
{
    if (WaitForSingleObject(event, kSettleMs) == WAIT_OBJECT_0) return;
    // Still outstanding: the system may yet write the record, so it is given
    // up rather than released. Only a driver that never answers gets here.
    wait_ = nullptr;
}

void Win32SerialLine::close(SerialHandle port)
{
    CloseHandle(port);
}

void Win32SerialLine::close_event(EventHandle event)
{
    CloseHandle(event);
}

} // namespace kav::tillio
