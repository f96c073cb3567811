// Hardware backend: the terminal's real I/O ports through the HAL.
#include "drvshell.h"
#include "pulse_wait.h"

namespace {

class HalPorts final : public kav::PortIo {
public:
    constexpr HalPorts() = default;
    uint8_t read(uint16_t port) override { return READ_PORT_UCHAR(reinterpret_cast<PUCHAR>(ULONG_PTR{port})); }
    void write(uint16_t port, uint8_t value) override
    {
        WRITE_PORT_UCHAR(reinterpret_cast<PUCHAR>(ULONG_PTR{port}), value);
    }
    void stall(uint32_t microseconds) override { DRVSHELL_Wait(microseconds); }
};

constinit HalPorts g_ports;

} // namespace

kav::PortIo& DRVSHELL_Ports() { return g_ports; }
