#include "guarded_pool.h"
#include "kav_cash_device.h"
#include "line_format.h"

#include <string.h>

namespace kav {
namespace {

constexpr char kLiveMarker[4] = {'A', 'L', 'L', 'C'};
constexpr char kFreedMarker[4] = {'F', 'R', 'E', 'E'};

struct Header {
    uint32_t size;
    uint32_t tag;
};
static_assert(sizeof(Header) <= kPoolHeaderBytes);

template <typename T>
void add(T& counter, T amount)
{
    __atomic_fetch_add(&counter, amount, __ATOMIC_RELAXED);
}

} // namespace

bool GuardedPool::enter_live(void* block)
{
    for (void*& slot : live_) {
        void* expected = nullptr;
        if (__atomic_compare_exchange_n(&slot, &expected, block, false, __ATOMIC_ACQ_REL, __ATOMIC_RELAXED)) return true;
    }
    return false;
}

void* GuardedPool::allocate(uint32_t size, bool zero_fill)
{
    // The size word is 32 bits, so the whole block must be too, on every build.
    if (size > UINT32_MAX - kGuardBytes) {
        add(stats_.failed_allocations, 1u);
        return nullptr;
    }
    auto* block = static_cast<uint8_t*>(raw_.allocate(size_t{size} + kGuardBytes, kPoolTag));
    if (block == nullptr) {
        add(stats_.failed_allocations, 1u);
        return nullptr;
    }
    uint8_t* caller = block + kPoolHeaderBytes;
    const Header header{size, kPoolTag};
    memset(block, 0, kPoolHeaderBytes);
    memcpy(block, &header, sizeof header);
    // The marker lands wherever the caller's size ends: copy, never cast.
    memcpy(caller + size, kLiveMarker, sizeof kLiveMarker);
    if (zero_fill) memset(caller, 0, size);
    if (!enter_live(block)) {
        raw_.release(block);
        add(stats_.failed_allocations, 1u);
        return nullptr;
    }

    const uint64_t now = __atomic_add_fetch(&stats_.bytes_allocated, uint64_t{size}, __ATOMIC_RELAXED);
    uint64_t peak = __atomic_load_n(&stats_.peak_bytes, __ATOMIC_RELAXED);
    while (now > peak &&
           !__atomic_compare_exchange_n(&stats_.peak_bytes, &peak, now, false, __ATOMIC_RELAXED, __ATOMIC_RELAXED)) {
    }
    add(stats_.allocations, 1u);
    return caller;
}

void GuardedPool::release(void* address)
{
    if (address == nullptr) return;
    uint8_t* block = static_cast<uint8_t*>(address) - kPoolHeaderBytes;
    void** slot = nullptr;
    for (void*& s : live_) {
        if (__atomic_load_n(&s, __ATOMIC_ACQUIRE) == block) slot = &s;
    }
    // Only a live block is read: anything else may be memory the system took back.
    if (slot == nullptr) return refuse(address, "not a live block");
    Header header;
    memcpy(&header, block, sizeof header);
    if (memcmp(block + kPoolHeaderBytes + header.size, kLiveMarker, sizeof kLiveMarker) != 0) {
        // Freeing it could corrupt the system pool; keep it.
        return refuse(address, "marker overwritten");
    }
    void* expected = block;
    if (!__atomic_compare_exchange_n(slot, &expected, nullptr, false, __ATOMIC_ACQ_REL, __ATOMIC_RELAXED)) {
        return refuse(address, "released twice at once");
    }
    memcpy(block + kPoolHeaderBytes + header.size, kFreedMarker, sizeof kFreedMarker);
    __atomic_fetch_sub(&stats_.bytes_allocated, uint64_t{header.size}, __ATOMIC_RELAXED);
    add(stats_.releases, 1u);
    raw_.release(block);
}

void GuardedPool::refuse(const void* address, const char* why)
{
    add(stats_.refused_releases, 1u);
    char line[128];
    format_line(line, sizeof line, "%s: pool release of 0x%08x refused: %s\n", kDriverName,
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(address)), why);
    platform_.print(line);
    // A breakpoint without a debugger stops the machine: only stop where someone can look.
    if (platform_.debugger_present()) platform_.break_into_debugger();
}

PoolStats GuardedPool::stats() const
{
    PoolStats s;
    s.bytes_allocated = __atomic_load_n(&stats_.bytes_allocated, __ATOMIC_RELAXED);
    s.peak_bytes = __atomic_load_n(&stats_.peak_bytes, __ATOMIC_RELAXED);
    s.allocations = __atomic_load_n(&stats_.allocations, __ATOMIC_RELAXED);
    s.failed_allocations = __atomic_load_n(&stats_.failed_allocations, __ATOMIC_RELAXED);
    s.releases = __atomic_load_n(&stats_.releases, __ATOMIC_RELAXED);
    s.refused_releases = __atomic_load_n(&stats_.refused_releases, __ATOMIC_RELAXED);
    return s;
}

} // namespace kav
