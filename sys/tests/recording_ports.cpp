#include "recording_ports.h"
#include <iomanip>

namespace kav::test {

PortEvent rd(uint16_t port, uint8_t answered) { return {PortEvent::Read, port, answered}; }
PortEvent wr(uint16_t port, uint8_t value) { return {PortEvent::Write, port, value}; }
PortEvent st(uint32_t microseconds) { return {PortEvent::Stall, microseconds, 0}; }

std::ostream& operator<<(std::ostream& os, const PortEvent& e)
{
    const auto flags = os.flags();
    switch (e.op) {
    case PortEvent::Read: os << "read 0x" << std::hex << e.arg << " -> 0x" << int{e.value}; break;
    case PortEvent::Write: os << "write 0x" << std::hex << e.arg << ", 0x" << int{e.value}; break;
    case PortEvent::Stall: os << "stall " << std::dec << e.arg; break;
    }
    os.flags(flags);
    return os;
}

uint8_t RecordingPorts::read(uint16_t port)
{
    const auto it = answers_.find(port);
    const uint8_t value = it == answers_.end() ? 0 : it->second;
    events_.push_back(rd(port, value));
    return value;
}

void RecordingPorts::write(uint16_t port, uint8_t value) { events_.push_back(wr(port, value)); }

void RecordingPorts::stall(uint32_t microseconds) { events_.push_back(st(microseconds)); }

} // namespace kav::test
