// A receipt printer on a serial line, with a cash drawer on its drawer-kick
// connector (ESC/POS). It understands two commands and takes every other
// byte as something it ignores:
//   ESC p m t1 t2 (1B 70 m t1 t2): a pulse on pin 2 (m 0 or 48) or pin 5
//     (m 1 or 49); the drawer springs open when its solenoid is on that pin;
//   DLE EOT 1 (10 04 01): it answers one status byte at once: bits 1 and 4
//     set, bits 0 and 7 clear, bit 2 the drawer switch on pin 3 (1 high).
// It hears bytes only at its own line speed with 8 data bits and no parity;
// anything sent otherwise arrives garbled and is ignored.
#pragma once
#include "drawer_spring.h"

#include <stdint.h>

namespace kav::sim {

struct PrinterSetup {
    uint8_t pin = 2;       // the kick pin the drawer's solenoid hangs on: 2 or 5
    bool open_low = false; // the drawer's switch pulls pin 3 low while it is open
    uint32_t baud = 9600;  // the printer's line speed
};

// What one write brought the printer, for the trace.
struct PrinterHeard {
    uint32_t status_requests = 0; // DLE EOT 1, each answered
    uint32_t kicks = 0;           // ESC p on the drawer's pin
    uint32_t other_pin_kicks = 0; // ESC p on the pin with nothing on it
    uint32_t ignored = 0;         // bytes of no command the printer knows
    bool garbled = false;         // sent at another speed or framing: all ignored
};

class ReceiptPrinterModel {
public:
    static constexpr uint32_t kAnswerQueue = 16; // answers not read yet beyond this are lost

    constexpr explicit ReceiptPrinterModel(PrinterSetup setup = {},
                                           uint64_t close_after_us = DrawerSpring::kDefaultCloseAfterUs)
        : setup_(setup), spring_(close_after_us)
    {
    }

    // line_matches: the port's speed and framing are the printer's. A
    // command may be split across writes.
    PrinterHeard receive(const uint8_t* data, uint32_t length, bool line_matches, uint64_t now_us);
    // True when the drawer closed by now.
    bool advance(uint64_t now_us) { return spring_.advance(now_us); }

    // Takes up to length answer bytes, oldest first; how many it took.
    uint32_t read(uint8_t* out, uint32_t length);
    uint32_t queued() const { return queued_; }
    void discard_answers() { queued_ = 0; }

    // The answer to DLE EOT 1 now.
    uint8_t status_byte() const;
    const DrawerSpring& drawer() const { return spring_; }
    const PrinterSetup& setup() const { return setup_; }

private:
    enum class Expect : uint8_t { Command, EscSecond, KickM, KickT1, KickT2, DleSecond, EotN };

    void take(uint8_t byte, uint64_t now_us, PrinterHeard& heard);
    void kick(uint8_t m, uint64_t now_us, PrinterHeard& heard);
    void answer(uint8_t byte);

    PrinterSetup setup_;
    DrawerSpring spring_;
    Expect expect_ = Expect::Command;
    uint8_t partial_ = 0; // bytes of the command begun so far
    uint8_t m_ = 0;
    uint8_t queue_[kAnswerQueue] = {};
    uint32_t queued_ = 0;
};

} // namespace kav::sim
