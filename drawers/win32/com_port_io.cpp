#include "com_port_io.h"

#include "serial_drawer.h"

#include <new>

namespace kav::drawers {
namespace {

static_assert(sizeof(DCB) == kLineSettingsLength);

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

HANDLE open_com_port(int32_t port, bool overlapped)
{
    SerialPortPath path;
    if (!serial_port_path(port, path)) return INVALID_HANDLE_VALUE;
    return open_com_port(path.text, overlapped);
}

HANDLE open_com_port(const char* path, bool overlapped)
{
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
}

bool read_line_settings(HANDLE port, LineSettings& settings)
{
    DCB record{};
    to_record(settings, record);
    if (!GetCommState(port, &record)) return false;
    from_record(record, settings);
    return true;
}

bool write_line_settings(HANDLE port, const LineSettings& settings)
{
    DCB record{};
    to_record(settings, record);
    return SetCommState(port, &record) != FALSE;
}

struct OverlappedRequest::Record {
    OVERLAPPED overlapped{};
    DWORD events = 0;
    DWORD transferred = 0;
    std::string bytes;
    bool owns_event = false;
};

OverlappedRequest::OverlappedRequest(HANDLE event, bool owns_event)
{
    if (event == nullptr) return;
    record_ = new (std::nothrow) Record{};
    if (record_ == nullptr) {
        if (owns_event) CloseHandle(event);
        return;
    }
    record_->overlapped.hEvent = event;
    record_->owns_event = owns_event;
}

OverlappedRequest::~OverlappedRequest()
{
    // Still outstanding: the system may yet write the record and signal its
    // event, so both are given up rather than released. Only a driver that
    // never answers a cancelled request gets here.
    if (record_ == nullptr || outstanding_) return;
    if (record_->owns_event) CloseHandle(record_->overlapped.hEvent);
    delete record_;
}

HANDLE OverlappedRequest::event() const { return record_ != nullptr ? record_->overlapped.hEvent : nullptr; }

DWORD OverlappedRequest::events() const { return record_ != nullptr ? record_->events : 0; }

DWORD OverlappedRequest::transferred() const { return record_ != nullptr ? record_->transferred : 0; }

bool OverlappedRequest::start_wait(HANDLE port)
{
    if (record_ == nullptr || outstanding_) return false;
    record_->events = 0;
    return WaitCommEvent(port, &record_->events, &record_->overlapped) != FALSE;
}

bool OverlappedRequest::start_write(HANDLE port, std::string_view bytes)
{
    if (record_ == nullptr || outstanding_) return false;
    record_->bytes.assign(bytes);
    record_->transferred = 0;
    return WriteFile(port, record_->bytes.data(), static_cast<DWORD>(record_->bytes.size()), &record_->transferred,
                     &record_->overlapped) != FALSE;
}

bool OverlappedRequest::start_read(HANDLE port, DWORD length)
{
    if (record_ == nullptr || outstanding_) return false;
    record_->bytes.assign(length, '\0');
    record_->transferred = 0;
    return ReadFile(port, record_->bytes.data(), length, &record_->transferred, &record_->overlapped) != FALSE;
}

std::string_view OverlappedRequest::read_bytes(DWORD count) const
{
    if (record_ == nullptr || outstanding_) return {};
    return std::string_view(record_->bytes).substr(0, count);
}

bool OverlappedRequest::settle(DWORD timeout_ms)
{
    if (!outstanding_) return true;
    if (WaitForSingleObject(record_->overlapped.hEvent, timeout_ms) != WAIT_OBJECT_0) return false;
    outstanding_ = false;
    return true;
}

bool OverlappedRequest::result(HANDLE port, DWORD& transferred)
{
    // Read without waiting: under Wine a pending request's status is not
    // STATUS_PENDING, so a waiting GetOverlappedResult would return at once.
    return record_ != nullptr && !outstanding_ &&
           GetOverlappedResult(port, &record_->overlapped, &transferred, FALSE) != FALSE;
}

} // namespace kav::drawers
