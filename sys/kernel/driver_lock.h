// A lock for code running at the passive level: a synchronization event, so
// a waiter sleeps instead of spinning and the holder may itself sleep (a
// drawer pulse holds the port lock for 200 ms).
#pragma once
#include "kernel_api.h"

class DriverLock {
public:
    // Before first use; the lock starts free.
    void init() { KeInitializeEvent(&event_, SynchronizationEvent, TRUE); }
    void acquire() { KeWaitForSingleObject(&event_, Executive, KernelMode, FALSE, nullptr); }
    void release() { KeSetEvent(&event_, IO_NO_INCREMENT, FALSE); }

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
