// The three hardware operations every drawer sequence is made of. The kernel
// build backs them with the HAL; tests and the emulation build use a port
// space of their own.
#pragma once
#include <stdint.h>

namespace kav {

class PortIo {
public:
    virtual uint8_t read(uint16_t port) = 0;
    virtual void write(uint16_t port, uint8_t value) = 0;
    virtual void stall(uint32_t microseconds) = 0;

protected:
    // Never deleted through this interface: the kernel has no operator delete.
    ~PortIo() = default;
};

} // namespace kav
