#include "carrier_watch.h"

#include <utility>

namespace kav::drawers {

CarrierWatch::CarrierWatch()
    : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) // manual reset: every wait sees it
{
}

CarrierWatch::~CarrierWatch()
{
    stop();
    if (stop_ != nullptr) CloseHandle(stop_);
}

bool CarrierWatch::start(ComPort& port, Listener listener)
{
    if (stop_ == nullptr || thread_ != nullptr || !port.is_open()) return false;
    ResetEvent(stop_);
    port_ = &port;
    listener_ = std::move(listener);
    thread_ = CreateThread(nullptr, 0, thread_proc, this, 0, nullptr);
    return thread_ != nullptr;
}

void CarrierWatch::stop()
{
    if (thread_ == nullptr) return;
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI CarrierWatch::thread_proc(void* self)
{
    auto* watch = static_cast<CarrierWatch*>(self);
    // An exception must not leave the thread: it would end the program.
    try {
        if (!watch->port_->watch(watch->stop_, watch->listener_)) watch->listener_(LineEvent{0, false, true});
    } catch (...) {
    }
    return 0;
}

} // namespace kav::drawers
