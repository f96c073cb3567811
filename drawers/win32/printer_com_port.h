// A receipt printer's COM port for the printer drawer's requests, over the
// serial edge's ComPort. No decisions here: each method is ComPort's own.
#pragma once
#include "com_port.h"
#include "printer_drawer.h"

namespace kav::drawers {

class PrinterComPort final : public PrinterPort {
public:
    PrinterComPort() = default;
    ~PrinterComPort() { close(); }
    PrinterComPort(const PrinterComPort&) = delete;
    PrinterComPort& operator=(const PrinterComPort&) = delete;

    bool open(int port, uint32_t baud) override;
    bool write(std::span<const uint8_t> bytes) override;
    void discard_input() override;
    std::optional<uint8_t> read_byte(uint32_t timeout_ms) override;
    void close() override;

private:
    ComPort port_;
};

} // namespace kav::drawers
