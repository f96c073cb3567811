// Rundown protection for the driver's requests, built from interlocked
// operations and an event (the kernel's ExXxxRundownProtection calls are not
// there under Wine). Each request enters before it touches the device and
// leaves when it is done; unload closes the gate and waits until the last one
// has left. Passive level only.
#pragma once
#include "kernel_api.h"

class RequestRundown {
public:
    // Before first use: the gate open, no request inside.
    void init()
    {
        __atomic_store_n(&count_, 0, __ATOMIC_RELEASE);
        KeInitializeEvent(&drained_, NotificationEvent, FALSE);
    }
    // False once unload has begun: the request must be refused.
    bool enter()
    {
        LONG seen = __atomic_load_n(&count_, __ATOMIC_ACQUIRE);
        do {
            if (seen & kClosed) return false;
        } while (!__atomic_compare_exchange_n(&count_, &seen, seen + kPerRequest, true, __ATOMIC_ACQ_REL,
                                              __ATOMIC_ACQUIRE));
        return true;
    }
    void leave()
    {
        if (__atomic_sub_fetch(&count_, kPerRequest, __ATOMIC_ACQ_REL) == kClosed) KeSetEvent(&drained_, IO_NO_INCREMENT, FALSE);
    }
    // Closes the gate, then waits for the requests inside.
    void close_and_wait()
    {
        if (__atomic_or_fetch(&count_, kClosed, __ATOMIC_ACQ_REL) != kClosed) {
            KeWaitForSingleObject(&drained_, Executive, KernelMode, FALSE, nullptr);
        }
    }

private:
    static constexpr LONG kClosed = 1;
    static constexpr LONG kPerRequest = 2;
    LONG count_;
    KEVENT drained_;
};
