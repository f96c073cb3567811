// Turns one drawer control code into its fixed port sequence. Pure logic over
// PortIo: no state between requests, no memory allocated.
#pragma once
#include "nt_status.h"
#include "port_io.h"
#include <stdint.h>

namespace kav {

inline constexpr uint32_t kPulseMicroseconds = 200000;

struct ControlResult {
    NtStatus status;
    uint32_t bytes_returned;
};

// One buffered request: the system buffer holds the caller's input on entry and
// the output on completion; its length is the larger of the two lengths.
struct RequestBuffer {
    uint8_t* data;
    uint32_t input_length;
    uint32_t output_length;

    uint32_t length() const { return input_length > output_length ? input_length : output_length; }
};

// Runs a drawer code (is_drawer_code(code) must hold). Port-taking codes act
// only on the DIO base addresses; requests too short for what the code reads
// or writes are refused before any port is touched.
ControlResult run_drawer_code(PortIo& ports, uint32_t code, const RequestBuffer& request);

} // namespace kav
