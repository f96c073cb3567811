// Emulation backend: a simulated terminal inside the driver, for machines
// without drawer hardware (and for Wine, which has no port access). It
// waits as the hardware build does.
#include "drvshell.h"
#include "pulse_wait.h"
#include "emulated_terminal.h"

namespace {

class CounterClock final : public kav::SimClock {
public:
    constexpr CounterClock() = default;

    uint64_t now_us() override
    {
        LARGE_INTEGER frequency;
        const LARGE_INTEGER now = KeQueryPerformanceCounter(&frequency);
        const uint64_t ticks = static_cast<uint64_t>(now.QuadPart);
        const uint64_t hz = frequency.QuadPart > 0 ? static_cast<uint64_t>(frequency.QuadPart) : 1;
        // Split so the multiplication cannot overflow after long uptimes.
        return ticks / hz * 1000000u + ticks % hz * 1000000u / hz;
    }

    void stall(uint32_t microseconds) override { DRVSHELL_Wait(microseconds); }
};

// Shows in the debug output what a technician would have heard.
class TracePrinter final : public kav::SimObserver {
public:
    constexpr TracePrinter() = default;
    void drawer_opened(const char* board, uint16_t port, int drawer, uint64_t pulse_us) override
    {
        DRVSHELL_Debug().print("simulated terminal: %s drawer %d opened (port 0x%x)\n", board, drawer,
                               static_cast<unsigned>(port));
        DRVSHELL_Debug().print("simulated terminal: pulse of %u us\n", static_cast<unsigned>(pulse_us));
    }
    void stray_config_access(uint16_t port) override
    {
        DRVSHELL_Debug().print("simulated terminal: configuration port 0x%x used outside its bracket\n",
                               static_cast<unsigned>(port));
    }
};

CounterClock g_clock;
TracePrinter g_printer;
constinit kav::SimTerminal g_terminal{g_clock, &g_printer};

} // namespace

kav::PortIo& DRVSHELL_Ports() { return g_terminal; }

#if !defined(KAV_KERNEL)
void DRVSHELL_ResetPortsForTests() { g_terminal.reset(); }
#endif
