// The driver's only allocator. Each block carries a header (its size and tag,
// padded to the platform's allocation alignment) in front and a marker behind
// the caller's bytes. The pool keeps a table of its live blocks and consults
// it first, so a release of a block it does not hold (a second release, a
// foreign pointer) is refused without reading the block, and a live block
// whose marker was overwritten is kept rather than returned to the system.
// Refusals are traced; only with a kernel debugger attached do they break.
#pragma once
#include "debug_platform.h"
#include <stddef.h>
#include <stdint.h>

namespace kav {

// Pool tag "Wdm ": the four bytes 'W', 'd', 'm', ' ' in memory.
inline constexpr uint32_t kPoolTag = 0x206D6457;
// The system pool's alignment: 16 bytes on 64-bit, 8 on 32-bit Windows.
inline constexpr uint32_t kPoolAlignment = 2 * sizeof(void*);
// Header in front of the caller's bytes: size word, tag, padding.
inline constexpr uint32_t kPoolHeaderBytes = kPoolAlignment;
// Bytes the allocator adds to every block: the header and the marker.
inline constexpr uint32_t kGuardBytes = kPoolHeaderBytes + 4;
// Blocks alive at once; the driver needs fewer than ten.
inline constexpr uint32_t kMaxLiveBlocks = 32;

// For inspection with a debugger and the tests.
struct PoolStats {
    uint64_t bytes_allocated; // sum of the caller sizes of live blocks
    uint64_t peak_bytes;      // the largest bytes_allocated has been
    uint32_t allocations;
    uint32_t failed_allocations;
    uint32_t releases;
    uint32_t refused_releases; // not a live block, or its marker overwritten
};

// Safe to call from several threads at once.
class GuardedPool {
public:
    constexpr GuardedPool(RawPool& raw, DebugPlatform& platform) : raw_(raw), platform_(platform) {}

    // The caller's address (kPoolAlignment-aligned), or nullptr when the
    // system has no memory, the table is full or size + kGuardBytes does not
    // fit in 32 bits.
    void* allocate(uint32_t size, bool zero_fill);
    // nullptr is ignored. A refused release keeps the block, counts and
    // traces it, and breaks into a kernel debugger if one is attached.
    void release(void* address);

    PoolStats stats() const;

private:
    bool enter_live(void* block);
    void refuse(const void* address, const char* why);

    RawPool& raw_;
    DebugPlatform& platform_;
    void* live_[kMaxLiveBlocks] = {};
    PoolStats stats_{};
};

} // namespace kav
