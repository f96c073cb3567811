#include "held_com_line.h"

#include "serial_drawer.h"

#include <string_view>

namespace kav::opos::win32 {

HeldComLine::~HeldComLine()
{
    watch_.stop(); // before the port it watches closes
    com_.close();
}

bool HeldComLine::open()
{
    return com_.open(port_);
}

void HeldComLine::close()
{
    com_.close();
}

bool HeldComLine::fire()
{
    return com_.write(std::string_view(reinterpret_cast<const char*>(drawers::kDrawerMessage),
                                       sizeof drawers::kDrawerMessage));
}

std::optional<bool> HeldComLine::carrier()
{
    return com_.carrier_detect();
}

bool HeldComLine::start_watch(std::function<void(std::optional<bool>)> on_carrier)
{
    return watch_.start(com_, [on_carrier = std::move(on_carrier)](const drawers::LineEvent& event) {
        if (event.port_failed) on_carrier(std::nullopt);
        else if ((event.events & drawers::kEventCarrier) != 0) on_carrier(event.carrier_high);
    });
}

void HeldComLine::stop_watch()
{
    watch_.stop();
}

} // namespace kav::opos::win32
