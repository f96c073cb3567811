// A window's worker thread, as the window thread sees it. The worker hands
// each event to the window thread in a posted message stamped with the run it
// belongs to; the window delivers only events of the run still going, so
// nothing a stopped worker posted reaches the window, even a message already
// in its queue when the worker was stopped.
#pragma once
#include <cstdint>

namespace kav::gui {

// Which run of a worker posted an event; never 0, so a message that carries
// no stamp is never taken for one.
using WorkerStamp = uint32_t;

// The platform's thread: starts a thread whose events carry the stamp, and
// stops it by signalling it and waiting until it has ended.
class WorkerThread {
public:
    virtual bool start(WorkerStamp stamp) = 0;
    virtual void stop_and_join() = 0;

protected:
    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = default;
    WorkerThread& operator=(const WorkerThread&) = default;
    ~WorkerThread() = default;
};

// Owned by the window's view; every member runs on the window thread, so the
// run state needs no lock. Stop it before the window goes away (the
// destructor stops it too).
class WorkerLink {
public:
    explicit WorkerLink(WorkerThread& thread) : thread_(thread) {}
    ~WorkerLink() { stop(); }
    WorkerLink(const WorkerLink&) = delete;
    WorkerLink& operator=(const WorkerLink&) = delete;

    // Starts a new run, stopping a running one first; false if the thread
    // could not start.
    bool start();
    // Once it returns the thread has ended, and no event it posted is accepted.
    void stop();
    bool running() const { return running_; }
    // Whether a posted event with this stamp is delivered.
    bool accepts(WorkerStamp stamp) const { return running_ && stamp == stamp_; }

private:
    WorkerThread& thread_;
    WorkerStamp stamp_ = 0;
    bool running_ = false;
};

} // namespace kav::gui
