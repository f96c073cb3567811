// SerialLine, as tillio's RS232 exports use it, over the serial edge. No
// decisions here: each method is one system call.
#pragma once
#include "com_port_io.h"
#include "serial_line.h"

#include <windows.h>

#include <memory>

namespace kav::drawers {

class Win32SerialLine final : public SerialLine {
public:
    Win32SerialLine() = default;
    ~Win32SerialLine();
    Win32SerialLine(const Win32SerialLine&) = delete;
    Win32SerialLine& operator=(const Win32SerialLine&) = delete;

    SerialHandle open(const char* path, bool overlapped) override;
    bool get_settings(SerialHandle port, LineSettings& settings) override;
    bool set_settings(SerialHandle port, const LineSettings& settings) override;
    bool write(SerialHandle port, const void* data, uint32_t length) override;
    bool set_event_mask(SerialHandle port, uint32_t mask) override;
    EventHandle create_event() override;
    WaitStart start_wait(SerialHandle port, EventHandle event, uint32_t& received_mask) override;
    void settle_wait(EventHandle event) override;
    void close(SerialHandle port) override;
    void close_event(EventHandle event) override;

private:
    // The started wait's record, kept by the serial edge's rule.
    std::unique_ptr<OverlappedRequest> wait_;
};

} // namespace kav::drawers
