// What the trace and the guarded pool need from the kernel: debugger output,
// clocks and raw non-paged pool. The kernel build backs them with DbgPrint,
// DbgBreakPoint, the debugger flags, KeQueryPerformanceCounter, the time-stamp counter and
// ExAllocatePoolWithTag/ExFreePool; tests use fakes.
#pragma once
#include <stddef.h>
#include <stdint.h>

namespace kav {

class DebugPlatform {
public:
    virtual int64_t performance_counter() = 0;
    // One complete line, trailing newline included, printed as one piece.
    virtual void print(const char* line) = 0;
    virtual void break_into_debugger() = 0;
    // Whether a kernel debugger is attached to take a breakpoint.
    virtual bool debugger_present() = 0;
    virtual uint64_t cycle_counter() = 0;

protected:
    // Never deleted through this interface: the kernel has no operator delete.
    ~DebugPlatform() = default;
};

class RawPool {
public:
    // nullptr when the system has no memory left.
    virtual void* allocate(size_t bytes, uint32_t tag) = 0;
    virtual void release(void* block) = 0;

protected:
    ~RawPool() = default;
};

} // namespace kav
