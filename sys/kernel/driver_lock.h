// A lock for code running at the passive level: a synchronization event, so
// a waiter sleeps instead of spinning and the holder may itself sleep (a
// drawer pulse holds the port lock for 200 ms). It is held inside a critical
// region: a holder that could be suspended (a debugger, SuspendThread) would
// stall every drawer request on the machine, and suspension arrives as a
// normal kernel APC, which the region holds off until the lock is released.
#pragma once
#include "kernel_api.h"

class DriverLock {
public:
    // Before first use; the lock starts free.
    void init() { KeInitializeEvent(&event_, SynchronizationEvent, TRUE); }

    _IRQL_requires_max_(PASSIVE_LEVEL) void acquire()
    {
        PAGED_CODE();
        KeEnterCriticalRegion();
        KeWaitForSingleObject(&event_, Executive, KernelMode, FALSE, nullptr);
    }

    _IRQL_requires_max_(PASSIVE_LEVEL) void release()
    {
        KeSetEvent(&event_, IO_NO_INCREMENT, FALSE);
        KeLeaveCriticalRegion();
    }

private:
    KEVENT event_;
};

class DriverLockGuard {
public:
    explicit DriverLockGuard(DriverLock& lock) : lock_(lock) { lock_.acquire(); }
    ~DriverLockGuard() { lock_.release(); }
    DriverLockGuard(const DriverLockGuard&) = delete;
    DriverLockGuard& operator=(const DriverLockGuard&) = delete;

private:
    DriverLock& lock_;
};
