// The Win32 thread behind a WorkerLink: a thread that runs a body until its
// stop event is set, and posts each event to a window as (message, stamp,
// payload). The window procedure hands the stamp to WorkerLink::accepts and
// acts on the payload only when it is accepted.
#pragma once
#include "worker_link.h"

#include <windows.h>

#include <functional>

class WorkerContext {
public:
    // Set when the owner stops the worker: wait on it beside whatever the
    // body blocks on, and return once it is set.
    HANDLE stop_event() const { return stop_; }
    // Posts one event to the owning window; false if the queue refused it.
    bool post(LPARAM payload) const { return PostMessageA(window_, message_, stamp_, payload) != FALSE; }

private:
    friend class Win32WorkerThread;
    WorkerContext(HANDLE stop, HWND window, UINT message, kav::gui::WorkerStamp stamp)
        : stop_(stop), window_(window), message_(message), stamp_(stamp)
    {
    }
    HANDLE stop_;
    HWND window_ = nullptr;
    UINT message_;
    kav::gui::WorkerStamp stamp_;
};

class Win32WorkerThread final : public kav::gui::WorkerThread {
public:
    using Body = std::function<void(const WorkerContext&)>;

    // The body runs on the worker thread and must not throw. Events go to
    // the window given to post_to before the first start.
    Win32WorkerThread(UINT message, Body body);
    ~Win32WorkerThread();
    Win32WorkerThread(const Win32WorkerThread&) = delete;
    Win32WorkerThread& operator=(const Win32WorkerThread&) = delete;

    void post_to(HWND window) { window_ = window; }
    bool start(kav::gui::WorkerStamp stamp) override;
    void stop_and_join() override;

private:
    static DWORD WINAPI thread_proc(void* self);

    HWND window_;
    UINT message_;
    Body body_;
    HANDLE stop_;
    HANDLE thread_ = nullptr;
    kav::gui::WorkerStamp stamp_ = 0;
};
