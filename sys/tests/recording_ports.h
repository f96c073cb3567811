// A port space for tests that assert exact sequences: it records every access
// and answers reads from values the test sets.
#pragma once
#include "port_io.h"
#include <cstdint>
#include <map>
#include <ostream>
#include <vector>

namespace kav::test {

struct PortEvent {
    enum Op : uint8_t { Read, Write, Stall } op;
    uint32_t arg;  // port, or microseconds for a stall
    uint8_t value; // written value, or the value a read answered

    bool operator==(const PortEvent&) const = default;
};

PortEvent rd(uint16_t port, uint8_t answered);
PortEvent wr(uint16_t port, uint8_t value);
PortEvent st(uint32_t microseconds);
std::ostream& operator<<(std::ostream& os, const PortEvent& e);

class RecordingPorts final : public PortIo {
public:
    uint8_t read(uint16_t port) override;
    void write(uint16_t port, uint8_t value) override;
    void stall(uint32_t microseconds) override;

    // Reads of port answer value until changed; unset ports read 0.
    void answer(uint16_t port, uint8_t value) { answers_[port] = value; }

    const std::vector<PortEvent>& events() const { return events_; }
    void clear() { events_.clear(); }

private:
    std::vector<PortEvent> events_;
    std::map<uint16_t, uint8_t> answers_;
};

} // namespace kav::test
