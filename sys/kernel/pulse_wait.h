// How the driver waits inside a port sequence, on the hardware and the
// emulation build alike.
#pragma once
#include <stdint.h>

// The part of a wait spent spinning at its end; the rest is slept.
inline constexpr uint32_t kSpinMarginUs = 3000;

// Returns no earlier than `microseconds` after the call, by the performance
// counter. Sleeps (with the system timer's resolution raised for the time
// being) until kSpinMarginUs before the deadline, then spins to it: a busy
// wait of 200 ms would hold a processor for the whole pulse. Passive level only.
void DRVSHELL_Wait(uint32_t microseconds);
