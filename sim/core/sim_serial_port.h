// One simulated COM port with a drawer on it, or with a receipt printer whose
// drawer hangs on its kick connector: the port's settings records, its
// wait mask and event history and the one held WAIT_ON_MASK. The kernel edge owns the requests themselves; this tells it
// what to answer and when to complete the held wait. Not thread-safe: the
// edge serialises every call under the port's lock.
#pragma once
#include "receipt_printer_model.h"
#include "serial_codes.h"
#include "serial_drawer_model.h"

#include <stdint.h>

namespace kav::sim {

// Names the opener a request comes from (the edge's file object).
using FileId = uintptr_t;

// The held wait is to be completed: with these events, or cancelled.
struct WaitCompletion {
    bool due = false;
    NtStatus status = kStatusSuccess;
    uint32_t events = 0;
};

struct SerialAnswer {
    NtStatus status = kStatusSuccess;
    uint32_t information = 0; // bytes written to the output buffer
    bool hold = false;        // WAIT_ON_MASK: keep the request pending
    WaitCompletion held;      // an earlier held wait this request ends
    PrinterHeard heard;       // a write to a printer: what it made of the bytes
};

class SimSerialPort {
public:
    constexpr explicit SimSerialPort(uint64_t close_after_us = SerialDrawerModel::kDefaultCloseAfterUs)
        : drawer_(close_after_us)
    {
    }
    // A receipt printer's port. Its carrier detect stays high: the drawer's
    // state is read through the printer, not the line.
    constexpr SimSerialPort(uint64_t close_after_us, const PrinterSetup& printer)
        : drawer_(close_after_us), printer_(printer, close_after_us), has_printer_(true)
    {
    }

    // Every opener is served. On Windows the I/O manager refuses a second
    // open of the exclusive device before the driver sees it. Under Wine a
    // driver cannot refuse a create, and refusing the later requests does
    // not work either: Wine may deliver a closed handle's close after the
    // next opener's create and requests, so a refusal would hit a program
    // that opened a port just freed. True when the port was open already.
    bool open();
    // Ends the closing opener's held wait (cancelled); the last close drops
    // DTR and RTS and clears the mask, as a real port does.
    WaitCompletion close(FileId file);

    // buffer holds input_length bytes in and receives up to output_length out.
    SerialAnswer control(FileId file, uint32_t code, uint8_t* buffer, uint32_t input_length,
                         uint32_t output_length, uint64_t now_us);
    SerialAnswer write(const uint8_t* data, uint32_t length, uint64_t now_us);
    // What the device sent and no read took yet, up to length bytes, at
    // once: only a printer sends, and only in answer to a write, so a read
    // never has to wait for its bytes.
    SerialAnswer read(uint8_t* buffer, uint32_t length);
    // The drawer's timer: closes it when due and reports the change.
    WaitCompletion advance(uint64_t now_us);
    // The held wait was cancelled from outside (CancelIo).
    void forget_wait() { wait_held_ = false; }
    // A completion that could not be delivered (the wait's cancel routine got
    // to it first): its events stay raised for the next wait.
    void return_events(uint32_t events) { events_ |= events & wait_mask_; }

    bool wait_held() const { return wait_held_; }
    uint64_t next_change_us() const { return drawer().closes_at_us(); }
    // The drawer on the port: the serial drawer's or the printer's.
    const DrawerSpring& drawer() const { return has_printer_ ? printer_.drawer() : drawer_.spring(); }
    bool has_printer() const { return has_printer_; }
    const ReceiptPrinterModel& printer() const { return printer_; }
    uint32_t modem_status() const;
    bool dtr_on() const { return dtr_; }
    bool rts_on() const { return rts_; }
    uint32_t baud_rate() const;

private:
    WaitCompletion raise(uint32_t events);
    SerialAnswer answer_control(uint32_t code, uint8_t* buffer, uint32_t input_length, uint32_t output_length);
    SerialAnswer set_handflow(const uint8_t* buffer, uint32_t length);

    // The printer hears the bytes only at its own speed and framing.
    bool line_suits_printer() const;

    SerialDrawerModel drawer_;
    ReceiptPrinterModel printer_;
    bool has_printer_ = false;
    int opens_ = 0;
    FileId wait_file_ = 0; // whose wait is held
    uint32_t wait_mask_ = 0;
    uint32_t events_ = 0; // raised and in the mask, not yet reported
    bool wait_held_ = false;
    bool dtr_ = false;
    bool rts_ = false;
    // Power-on records: 1200 baud, 7 data bits, even parity, one stop bit,
    // so a caller that sets nothing shows.
    uint8_t baud_[kBaudRateSize] = {0xB0, 0x04, 0, 0};
    uint8_t line_[kLineControlSize] = {0, 2, 7}; // stop bits, parity, word length
    uint8_t handflow_[kHandflowSize] = {};
    uint8_t chars_[kCharsSize] = {0, 0, 0, 0, 0x11, 0x13};
    uint8_t timeouts_[kTimeoutsSize] = {};
};

} // namespace kav::sim
