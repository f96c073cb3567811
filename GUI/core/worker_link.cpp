#include "worker_link.h"

namespace kav::gui {

bool WorkerLink::start()
{
    stop();
    if (++stamp_ == 0) ++stamp_;
    running_ = thread_.start(stamp_);
    return running_;
}

void WorkerLink::stop()
{
    if (!running_) return;
    // Refuse the run's events first: whatever it posts from here on, and
    // what is already queued, is dropped when it arrives.
    running_ = false;
    thread_.stop_and_join();
}

} // namespace kav::gui
