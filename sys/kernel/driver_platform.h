// The trace's and the pool's view of the kernel: debugger output, clocks and
// non-paged pool.
#pragma once
#include "kernel_api.h"
#include "debug_platform.h"

class KernelDebugPlatform final : public kav::DebugPlatform {
public:
    constexpr KernelDebugPlatform() = default;
    int64_t performance_counter() override;
    void print(const char* line) override;
    void break_into_debugger() override;
    bool debugger_present() override;
    uint64_t cycle_counter() override;
};

class KernelRawPool final : public kav::RawPool {
public:
    constexpr KernelRawPool() = default;
    void* allocate(size_t bytes, uint32_t tag) override;
    void release(void* block) override;
};
