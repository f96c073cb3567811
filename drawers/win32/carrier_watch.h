// A thread that watches a serial drawer's port and reports each line event
// to a listener, on the watch's own thread. A window adapts it by posting
// to itself; a console program or a DLL by setting an event or a state.
#pragma once
#include "com_port.h"

#include <windows.h>

#include <functional>

namespace kav::drawers {

class CarrierWatch {
public:
    // Runs on the watch's thread and must not throw. After the port fails it
    // is called once more with port_failed set, and the watch ends.
    using Listener = std::function<void(const LineEvent&)>;

    CarrierWatch();
    // Stops the watch first.
    ~CarrierWatch();
    CarrierWatch(const CarrierWatch&) = delete;
    CarrierWatch& operator=(const CarrierWatch&) = delete;

    // Watches an open port until stop(); false if it could not start (or a
    // watch runs already). The port must stay open until stop() returns.
    bool start(ComPort& port, Listener listener);
    // Once it returns the thread has ended and the listener is not called again.
    void stop();
    bool running() const { return thread_ != nullptr; }

private:
    static DWORD WINAPI thread_proc(void* self);

    HANDLE stop_;
    HANDLE thread_ = nullptr;
    ComPort* port_ = nullptr;
    Listener listener_;
};

} // namespace kav::drawers
