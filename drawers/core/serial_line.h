// A serial port as tillio's RS232 drawer exports use it: the handful of calls
// they make. The Win32 edge maps each method to one system call (the comm
// functions, CreateEventA, CloseHandle); the tests use a recording fake.
#pragma once
#include <stddef.h>
#include <stdint.h>

namespace kav::drawers {

// Opaque to the core; the edge maps its own "no handle" values to these.
using SerialHandle = void*;
inline constexpr SerialHandle kNoSerialPort = nullptr;
using EventHandle = void*;
inline constexpr EventHandle kNoEvent = nullptr;

// A port's settings record, field for field as the system keeps it, so that
// what the library does not set goes back to the port unchanged.
struct LineSettings {
    uint32_t length = 0;
    uint32_t baud_rate = 0;
    bool binary = false;
    bool parity_check = false;
    bool cts_output_flow = false;
    bool dsr_output_flow = false;
    uint8_t dtr_control = 0; // 0 off, 1 held on, 2 handshake
    bool dsr_sensitivity = false;
    bool tx_continue_on_xoff = false;
    bool xon_xoff_output = false;
    bool xon_xoff_input = false;
    bool error_char_replace = false;
    bool discard_null = false;
    uint8_t rts_control = 0; // 0 off, 1 held on, 2 handshake, 3 toggle
    bool abort_on_error = false;
    uint32_t reserved_bits = 0; // the record's unnamed flag bits
    uint16_t reserved = 0;
    uint16_t xon_limit = 0;
    uint16_t xoff_limit = 0;
    uint8_t byte_size = 0;
    uint8_t parity = 0;    // 0 none
    uint8_t stop_bits = 0; // 0 one stop bit
    char xon_char = 0;
    char xoff_char = 0;
    char error_char = 0;
    char eof_char = 0;
    char event_char = 0;
    uint16_t reserved1 = 0;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// How an overlapped wait for a port event started.
enum class WaitStart {
    Completed, // an event was already there; its mask is in the received mask
    Pending,   // the system holds the wait
    Failed,
};

class SerialLine {
public:
    // Read and write, not shared, existing ports only; overlapped for the
    // status test. kNoSerialPort when the port did not open.
    virtual SerialHandle open(const char* path, bool overlapped) = 0;
    // settings.length travels into the system's record as it is.
    virtual bool get_settings(SerialHandle port, LineSettings& settings) = 0;
    virtual bool set_settings(SerialHandle port, const LineSettings& settings) = 0;
    // One synchronous write.
    virtual bool write(SerialHandle port, const void* data, uint32_t length) = 0;
    virtual bool set_event_mask(SerialHandle port, uint32_t mask) = 0;
    // Manual reset, created signalled. kNoEvent on failure.
    virtual EventHandle create_event() = 0;
    // Starts an overlapped wait signalled through event; received_mask is
    // cleared first and holds the events of a wait that completed at once.
    virtual WaitStart start_wait(SerialHandle port, EventHandle event, uint32_t& received_mask) = 0;
    // After the port of a pending wait is closed: lets the cancelled wait
    // come back before the record it writes into is released.
    virtual void settle_wait(EventHandle event) = 0;
    virtual void close(SerialHandle port) = 0;
    virtual void close_event(EventHandle event) = 0;

protected:
    SerialLine() = default;
    SerialLine(const SerialLine&) = default;
    SerialLine& operator=(const SerialLine&) = default;
    // Lines are never owned through this interface.
    ~SerialLine() = default;
};

} // namespace kav::drawers
