#include "window_worker.h"

#include <utility>

Win32WorkerThread::Win32WorkerThread(UINT message, Body body)
    : message_(message), body_(std::move(body)),
      stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) // manual reset: every wait sees it
{
}

Win32WorkerThread::~Win32WorkerThread()
{
    stop_and_join();
    if (stop_ != nullptr) CloseHandle(stop_);
}

bool Win32WorkerThread::start(kav::gui::WorkerStamp stamp)
{
    if (stop_ == nullptr || thread_ != nullptr || window_ == nullptr) return false;
    ResetEvent(stop_);
    stamp_ = stamp;
    thread_ = CreateThread(nullptr, 0, thread_proc, this, 0, nullptr);
    return thread_ != nullptr;
}

void Win32WorkerThread::stop_and_join()
{
    if (thread_ == nullptr) return;
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

DWORD WINAPI Win32WorkerThread::thread_proc(void* self)
{
    auto* worker = static_cast<Win32WorkerThread*>(self);
    // An exception must not leave the thread: it would end the program.
    try {
        worker->body_(WorkerContext(worker->stop_, worker->window_, worker->message_, worker->stamp_));
    } catch (...) {
    }
    return 0;
}
