#include "printer_com_port.h"

namespace kav::drawers {

bool PrinterComPort::open(int port, uint32_t baud) { return port_.open(port, baud); }

bool PrinterComPort::write(std::span<const uint8_t> bytes)
{
    return port_.write(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void PrinterComPort::discard_input() { port_.discard_input(); }

std::optional<uint8_t> PrinterComPort::read_byte(uint32_t timeout_ms)
{
    const std::string bytes = port_.read(1, timeout_ms);
    if (bytes.empty()) return std::nullopt;
    return static_cast<uint8_t>(bytes[0]);
}

void PrinterComPort::close() { port_.close(); }

} // namespace kav::drawers
