// The driver's only allocator. Each block carries its size in front and a
// marker behind the caller's bytes, so a release can tell an overrun, a
// double release or a foreign pointer from a good block and stop in the
// debugger instead of corrupting the system pool.
#pragma once
#include "debug_platform.h"
#include <stddef.h>
#include <stdint.h>

namespace kav {

// Pool tag "Wdm ": the four bytes 'W', 'd', 'm', ' ' in memory.
inline constexpr uint32_t kPoolTag = 0x206D6457;
// Bytes the allocator adds to every block: the size word and the marker.
inline constexpr uint32_t kGuardBytes = 8;

// For inspection with a debugger; nothing in the driver reads it back.
struct PoolStats {
    uint64_t bytes_allocated; // sum of the caller sizes of live blocks
    uint64_t peak_bytes;      // the largest bytes_allocated has been
    uint32_t allocations;
    uint32_t failed_allocations;
    uint32_t releases;
    uint32_t refused_releases; // marker wrong: overrun, foreign or already released
};

class GuardedPool {
public:
    constexpr GuardedPool(RawPool& raw, DebugPlatform& platform) : raw_(raw), platform_(platform) {}

    // The address after the size word (4-byte aligned only), or nullptr when
    // the system has no memory or size + 8 does not fit in 32 bits.
    void* allocate(uint32_t size, bool zero_fill);
    // nullptr is ignored. A block whose marker is not intact is kept, counted
    // and reported by a breakpoint.
    void release(void* address);

    PoolStats stats() const { return stats_; }

private:
    RawPool& raw_;
    DebugPlatform& platform_;
    PoolStats stats_{};
};

} // namespace kav
