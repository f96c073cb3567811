// The Win32 worker behind a WorkerLink: the drawer library's carrier watch on
// a serial-port object's COM port, posting each line event to a window as
// (message, stamp, payload). The window procedure hands the stamp to
// WorkerLink::accepts and acts on the payload only when it is accepted.
#pragma once
#include "carrier_watch.h"
#include "worker_link.h"

#include <windows.h>

class WindowWatch final : public kav::gui::WorkerThread {
public:
    // Events go to the window given to post_to before the first start.
    WindowWatch(UINT message, kav::drawers::ComPort& port) : message_(message), port_(port) {}

    void post_to(HWND window) { window_ = window; }
    bool start(kav::gui::WorkerStamp stamp) override;
    void stop_and_join() override { watch_.stop(); }

private:
    HWND window_ = nullptr;
    UINT message_;
    kav::drawers::ComPort& port_;
    kav::drawers::CarrierWatch watch_;
};
