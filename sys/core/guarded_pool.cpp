#include "guarded_pool.h"

#include <string.h>

namespace kav {
namespace {

constexpr char kLiveMarker[4] = {'A', 'L', 'L', 'C'};
constexpr char kFreedMarker[4] = {'F', 'R', 'E', 'E'};
constexpr uint32_t kSizeWordBytes = 4;

} // namespace

void* GuardedPool::allocate(uint32_t size, bool zero_fill)
{
    // The size word is 32 bits, so the whole block must be too, on every build.
    if (size > UINT32_MAX - kGuardBytes) {
        ++stats_.failed_allocations;
        return nullptr;
    }
    auto* block = static_cast<uint8_t*>(raw_.allocate(size_t{size} + kGuardBytes, kPoolTag));
    if (block == nullptr) {
        ++stats_.failed_allocations;
        return nullptr;
    }
    uint8_t* caller = block + kSizeWordBytes;
    // The marker lands wherever the caller's size ends: copy, never cast.
    memcpy(block, &size, sizeof size);
    memcpy(caller + size, kLiveMarker, sizeof kLiveMarker);
    if (zero_fill) memset(caller, 0, size);

    stats_.bytes_allocated += size;
    if (stats_.bytes_allocated > stats_.peak_bytes) stats_.peak_bytes = stats_.bytes_allocated;
    ++stats_.allocations;
    return caller;
}

void GuardedPool::release(void* address)
{
    if (address == nullptr) return;
    uint8_t* caller = static_cast<uint8_t*>(address);
    uint8_t* block = caller - kSizeWordBytes;
    uint32_t size = 0;
    memcpy(&size, block, sizeof size);

    if (memcmp(caller + size, kLiveMarker, sizeof kLiveMarker) != 0) {
        // Freeing it could corrupt the system pool; keep it and stop here.
        ++stats_.refused_releases;
        platform_.break_into_debugger();
        return;
    }
    memcpy(caller + size, kFreedMarker, sizeof kFreedMarker);
    stats_.bytes_allocated -= size;
    ++stats_.releases;
    raw_.release(block);
}

} // namespace kav
