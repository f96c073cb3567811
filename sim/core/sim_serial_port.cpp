#include "sim_serial_port.h"

#include <string.h>

namespace kav::sim {
namespace {

constexpr SerialAnswer answered(NtStatus status, uint32_t information = 0)
{
    SerialAnswer answer;
    answer.status = status;
    answer.information = information;
    return answer;
}

uint32_t load32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void store32(uint8_t* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

void store16(uint8_t* p, uint16_t value)
{
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

// A record read back: only when the caller's buffer holds all of it.
SerialAnswer get_record(uint8_t* buffer, uint32_t output_length, const uint8_t* record, uint32_t size)
{
    if (output_length < size) return answered(kStatusBufferTooSmall);
    memcpy(buffer, record, size);
    return answered(kStatusSuccess, size);
}

SerialAnswer set_record(const uint8_t* buffer, uint32_t input_length, uint8_t* record, uint32_t size)
{
    if (input_length < size) return answered(kStatusInvalidParameter);
    memcpy(record, buffer, size);
    return {};
}

SerialAnswer get_value(uint8_t* buffer, uint32_t output_length, uint32_t value)
{
    if (output_length < 4) return answered(kStatusBufferTooSmall);
    store32(buffer, value);
    return answered(kStatusSuccess, 4);
}

// What GetCommProperties reports: an RS232 port up to 115200 baud.
SerialAnswer get_properties(uint8_t* buffer, uint32_t output_length)
{
    if (output_length < kPropertiesSize) return answered(kStatusBufferTooSmall);
    memset(buffer, 0, kPropertiesSize);
    store16(buffer + 0, kPropertiesSize); // packet length
    store16(buffer + 2, 2);               // packet version
    store32(buffer + 4, 1);               // service: serial communication
    store32(buffer + 12, 4096);           // largest send queue
    store32(buffer + 16, 4096);           // largest receive queue
    store32(buffer + 20, 0x20000);        // fastest rate: 115200
    store32(buffer + 24, 1);              // provider: RS232
    store32(buffer + 44, 4096);           // current send queue
    store32(buffer + 48, 4096);           // current receive queue
    return answered(kStatusSuccess, kPropertiesSize);
}

} // namespace

bool SimSerialPort::open()
{
    return opens_++ > 0;
}

WaitCompletion SimSerialPort::close(FileId file)
{
    if (opens_ > 0) --opens_;
    if (opens_ == 0) {
        dtr_ = false;
        rts_ = false;
        wait_mask_ = 0;
        events_ = 0;
        printer_.discard_answers();
    }
    if (!wait_held_ || wait_file_ != file) return {};
    wait_held_ = false;
    return {true, kStatusCancelled, 0};
}

SerialAnswer SimSerialPort::control(FileId file, uint32_t code, uint8_t* buffer, uint32_t input_length,
                                    uint32_t output_length, uint64_t now_us)
{
    // Requests without a buffer carry no data; one with a length must have one.
    if (buffer == nullptr && (input_length != 0 || output_length != 0)) return answered(kStatusInvalidParameter);
    // A drawer due to close has closed before the request is looked at; a
    // held wait that this ends is the only one the request can end, since
    // none is held after it.
    const WaitCompletion closed = advance(now_us);
    SerialAnswer answer = answer_control(code, buffer, input_length, output_length);
    if (answer.hold) wait_file_ = file;
    if (closed.due) answer.held = closed;
    return answer;
}

SerialAnswer SimSerialPort::answer_control(uint32_t code, uint8_t* buffer, uint32_t input_length,
                                           uint32_t output_length)
{
    switch (code) {
    case kGetBaudRate: return get_record(buffer, output_length, baud_, kBaudRateSize);
    case kSetBaudRate: return set_record(buffer, input_length, baud_, kBaudRateSize);
    case kGetLineControl: return get_record(buffer, output_length, line_, kLineControlSize);
    case kSetLineControl: return set_record(buffer, input_length, line_, kLineControlSize);
    case kGetChars: return get_record(buffer, output_length, chars_, kCharsSize);
    case kSetChars: return set_record(buffer, input_length, chars_, kCharsSize);
    case kGetTimeouts: return get_record(buffer, output_length, timeouts_, kTimeoutsSize);
    case kSetTimeouts: return set_record(buffer, input_length, timeouts_, kTimeoutsSize);
    case kGetHandflow: return get_record(buffer, output_length, handflow_, kHandflowSize);
    case kSetHandflow: return set_handflow(buffer, input_length);
    case kSetDtr: dtr_ = true; return {};
    case kClrDtr: dtr_ = false; return {};
    case kSetRts: rts_ = true; return {};
    case kClrRts: rts_ = false; return {};
    case kGetDtrRts: return get_value(buffer, output_length, (dtr_ ? 1u : 0u) | (rts_ ? 2u : 0u));
    case kGetModemStatus: return get_value(buffer, output_length, modem_status());
    case kGetWaitMask: return get_value(buffer, output_length, wait_mask_);
    case kSetWaitMask: {
        if (input_length < 4) return answered(kStatusInvalidParameter);
        wait_mask_ = load32(buffer);
        events_ = 0;
        SerialAnswer answer;
        // A new mask ends a held wait with no events, as the system's ports do.
        if (wait_held_) {
            wait_held_ = false;
            answer.held = {true, kStatusSuccess, 0};
        }
        return answer;
    }
    case kWaitOnMask: {
        if (output_length < 4 || wait_held_ || wait_mask_ == 0) return answered(kStatusInvalidParameter);
        if (events_ != 0) {
            store32(buffer, events_);
            events_ = 0;
            return answered(kStatusSuccess, 4);
        }
        wait_held_ = true;
        SerialAnswer answer = answered(kStatusPending);
        answer.hold = true;
        return answer;
    }
    case kGetCommStatus: {
        // No errors; queued only what a printer answered and no read took.
        if (output_length < kCommStatusSize) return answered(kStatusBufferTooSmall);
        memset(buffer, 0, kCommStatusSize);
        store32(buffer + 8, printer_.queued());
        return answered(kStatusSuccess, kCommStatusSize);
    }
    case kPurge: {
        if (input_length < 4) return answered(kStatusInvalidParameter);
        if (load32(buffer) & kPurgeReceiveClear) printer_.discard_answers();
        return {};
    }
    case kGetProperties: return get_properties(buffer, output_length);
    case kSetQueueSize:
    case kSetBreakOn:
    case kSetBreakOff:
    case kSetXon:
    case kSetXoff:
    case kImmediateChar:
    case kResetDevice: return {};
    default: return answered(kStatusInvalidDeviceRequest);
    }
}

SerialAnswer SimSerialPort::set_handflow(const uint8_t* buffer, uint32_t length)
{
    SerialAnswer answer = set_record(buffer, length, handflow_, kHandflowSize);
    if (answer.status != kStatusSuccess) return answer;
    // SetCommState's "enable" for DTR and RTS arrives only here.
    dtr_ = (load32(handflow_) & 0x3u) == kHandshakeDtrControl;
    rts_ = (load32(handflow_ + 4) & 0xC0u) == kFlowRtsControl;
    return answer;
}

SerialAnswer SimSerialPort::write(const uint8_t* data, uint32_t length, uint64_t now_us)
{
    if (data == nullptr && length != 0) return answered(kStatusInvalidParameter);
    SerialAnswer answer = answered(kStatusSuccess, length);
    if (has_printer_) {
        answer.heard = printer_.receive(data, length, line_suits_printer(), now_us);
        return answer;
    }
    if (drawer_.receive(data, length, now_us)) answer.held = raise(kEventRlsd);
    return answer;
}

SerialAnswer SimSerialPort::read(uint8_t* buffer, uint32_t length)
{
    if (buffer == nullptr && length != 0) return answered(kStatusInvalidParameter);
    return answered(kStatusSuccess, printer_.read(buffer, length));
}

WaitCompletion SimSerialPort::advance(uint64_t now_us)
{
    // A printer's drawer changes no line.
    if (has_printer_) {
        printer_.advance(now_us);
        return {};
    }
    return drawer_.advance(now_us) ? raise(kEventRlsd) : WaitCompletion{};
}

bool SimSerialPort::line_suits_printer() const
{
    const PrinterSetup& setup = printer_.setup();
    return baud_rate() == setup.baud && line_[2] == 8 && line_[1] == 0; // word length, parity none
}

uint32_t SimSerialPort::modem_status() const
{
    return kModemCts | kModemDsr | (drawer_.carrier() ? kModemRlsd : 0u);
}

uint32_t SimSerialPort::baud_rate() const { return load32(baud_); }

WaitCompletion SimSerialPort::raise(uint32_t events)
{
    events_ |= events & wait_mask_;
    if (events_ == 0 || !wait_held_) return {};
    WaitCompletion completion{true, kStatusSuccess, events_};
    events_ = 0;
    wait_held_ = false;
    return completion;
}

} // namespace kav::sim
