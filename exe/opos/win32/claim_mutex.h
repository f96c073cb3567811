// A device's claim as a named mutex every process shares. A mutex is owned by
// a thread and may be taken again by its owner, so each claim is held by a
// thread of its own: two service objects on one application thread then
// exclude each other as two processes do, and a process that dies gives the
// claim up (the next owner finds it abandoned). A named manual-reset event
// beside it says whether anyone holds it, so asking never takes the mutex
// from an application that is claiming at that moment.
#pragma once
#include "platform.h"

#include <windows.h>

#include <string>

namespace kav::opos::win32 {

class ClaimMutex final : public ClaimArbiter {
public:
    explicit ClaimMutex(const std::string& device_name);
    ~ClaimMutex() override;
    ClaimMutex(const ClaimMutex&) = delete;
    ClaimMutex& operator=(const ClaimMutex&) = delete;

    ClaimWait acquire(int32_t timeout_ms) override;
    void release() override;
    bool held_elsewhere() override;

private:
    static DWORD WINAPI holder_proc(void* self);
    void end_holder();

    std::wstring mutex_name_;
    std::wstring flag_name_;
    HANDLE holder_ = nullptr;
    HANDLE answered_ = nullptr; // the holder has the mutex, or gave up
    HANDLE let_go_ = nullptr;   // the holder is to release it
    DWORD timeout_ = 0;
    ClaimWait outcome_ = ClaimWait::Failed;
};

} // namespace kav::opos::win32
