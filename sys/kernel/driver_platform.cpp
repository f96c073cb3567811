#include "driver_platform.h"

int64_t KernelDebugPlatform::performance_counter() { return KeQueryPerformanceCounter(nullptr).QuadPart; }

void KernelDebugPlatform::print(const char* line) { DbgPrint("%s", line); }

void KernelDebugPlatform::break_into_debugger() { DbgBreakPoint(); }

bool KernelDebugPlatform::debugger_present() { return KD_DEBUGGER_ENABLED && !KD_DEBUGGER_NOT_PRESENT; }

uint64_t KernelDebugPlatform::cycle_counter() { return read_cycle_counter(); }

void* KernelRawPool::allocate(size_t bytes, uint32_t tag) { return ExAllocatePoolWithTag(NonPagedPool, bytes, tag); }

void KernelRawPool::release(void* block) { ExFreePool(block); }
