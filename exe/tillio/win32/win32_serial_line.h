// SerialLine over the Win32 comm calls. No decisions here: each method is one
// system call, besides the conversion of the settings record.
#pragma once
#include "serial_line.h"

#include <windows.h>

namespace kav::tillio {

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
    // What a started wait writes into, on the heap: the system may still write
    // there after the port is closed, until the wait has come back.
    struct WaitRecord {
        OVERLAPPED overlapped;
        DWORD mask;
    };
    WaitRecord* wait_ = nullptr;
};

} // namespace kav::tillio
