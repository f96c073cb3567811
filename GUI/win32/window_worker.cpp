#include "window_worker.h"

#include "serial_port.h"

bool WindowWatch::start(kav::gui::WorkerStamp stamp)
{
    if (window_ == nullptr) return false;
    const HWND window = window_;
    const UINT message = message_;
    return watch_.start(port_, [window, message, stamp](const kav::drawers::LineEvent& event) {
        // A failed port ends the watch; the window is told nothing, as a port
        // whose line stops changing tells it nothing.
        if (event.port_failed) return;
        PostMessageA(window, message, stamp,
                     static_cast<LPARAM>(kav::gui::pack_line_event(event.events, event.carrier_high)));
    });
}
