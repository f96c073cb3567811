// The port a serial drawer's holder keeps open: the drawer library's COM port
// (the drawer's line settings, one lifetime rule for overlapped requests) and
// its carrier watch, one call each.
#pragma once
#include "carrier_watch.h"
#include "com_port.h"
#include "serial_room.h"

namespace kav::opos::win32 {

class HeldComLine final : public HeldLine {
public:
    explicit HeldComLine(int port) : port_(port) {}
    ~HeldComLine() override;
    HeldComLine(const HeldComLine&) = delete;
    HeldComLine& operator=(const HeldComLine&) = delete;

    bool open() override;
    void close() override;
    bool fire() override;
    std::optional<bool> carrier() override;
    bool start_watch(std::function<void(std::optional<bool>)> on_carrier) override;
    void stop_watch() override;

private:
    const int port_;
    drawers::ComPort com_;
    drawers::CarrierWatch watch_;
};

} // namespace kav::opos::win32
