#include "guarded_pool.h"
#include "fake_debug_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kav {
namespace {

using test::FakeDebugPlatform;
using test::FakeRawPool;

class GuardedPoolTest : public ::testing::Test {
protected:
    static uint8_t* bytes(void* p) { return static_cast<uint8_t*>(p); }
    static uint32_t size_word(void* p)
    {
        uint32_t size = 0;
        std::memcpy(&size, bytes(p) - kPoolHeaderBytes, sizeof size);
        return size;
    }
    static std::string marker(void* p, uint32_t size) { return std::string(reinterpret_cast<char*>(bytes(p) + size), 4); }

    FakeDebugPlatform platform;
    FakeRawPool raw;
    GuardedPool pool{raw, platform};
};

// Odd sizes put the marker at unaligned addresses; 0 is a legal, empty block.
TEST_F(GuardedPoolTest, BlockIsAlignedCarriesHeaderAndMarkerAndComesBackWhole)
{
    for (uint32_t size : {0u, 1u, 7u, 13u, 64u}) {
        SCOPED_TRACE(size);
        for (bool zero_fill : {false, true}) {
            raw.requested.clear();
            void* p = pool.allocate(size, zero_fill);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(raw.requested, std::vector<size_t>{size + kGuardBytes});
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % kPoolAlignment, 0u) << "aligned as the system pool's blocks";
            EXPECT_EQ(size_word(p), size);
            uint32_t tag = 0;
            std::memcpy(&tag, bytes(p) - kPoolHeaderBytes + 4, sizeof tag);
            EXPECT_EQ(tag, kPoolTag);
            EXPECT_EQ(marker(p, size), "ALLC");
            for (uint32_t i = 0; i < size; ++i) {
                ASSERT_EQ(bytes(p)[i], zero_fill ? 0 : FakeRawPool::kFill) << "byte " << i << " zero_fill " << zero_fill;
            }

            pool.release(p);
            EXPECT_EQ(marker(p, size), "FREE"); // the fake keeps released blocks readable
        }
    }
    EXPECT_EQ(platform.breakpoints, 0);
    EXPECT_EQ(raw.live_blocks(), 0u);
}

TEST_F(GuardedPoolTest, StatisticsFollowLiveBytesAndKeepThePeak)
{
    void* a = pool.allocate(100, false);
    void* b = pool.allocate(50, true);
    pool.release(a);
    void* c = pool.allocate(20, false);
    raw.exhausted = true;
    EXPECT_EQ(pool.allocate(10, false), nullptr);

    PoolStats s = pool.stats();
    EXPECT_EQ(s.bytes_allocated, 70u);
    EXPECT_EQ(s.peak_bytes, 150u);
    EXPECT_EQ(s.allocations, 3u);
    EXPECT_EQ(s.failed_allocations, 1u);
    EXPECT_EQ(s.releases, 1u);
    EXPECT_EQ(s.refused_releases, 0u);

    pool.release(b);
    pool.release(c);
    s = pool.stats();
    EXPECT_EQ(s.bytes_allocated, 0u);
    EXPECT_EQ(s.peak_bytes, 150u);
    EXPECT_EQ(s.releases, 3u);
    EXPECT_EQ(raw.live_blocks(), 0u);
}

// The size word is 32 bits: a block that would need more fails on every
// build, without asking the system.
TEST_F(GuardedPoolTest, SizesWhoseBlockOverflows32BitsFail)
{
    for (uint32_t size : {UINT32_MAX - kGuardBytes + 1, 0xFFFFFFFFu}) {
        EXPECT_EQ(pool.allocate(size, true), nullptr) << size;
    }
    EXPECT_TRUE(raw.requested.empty());
    EXPECT_EQ(pool.stats().failed_allocations, 2u);
    EXPECT_EQ(pool.stats().bytes_allocated, 0u);
}

TEST_F(GuardedPoolTest, OverwritingAnyMarkerByteStopsTheReleaseAndKeepsTheBlock)
{
    constexpr uint32_t kSize = 16;
    for (uint32_t offset = kSize; offset < kSize + 4; ++offset) {
        SCOPED_TRACE(offset);
        const PoolStats before = pool.stats();
        const int breakpoints = platform.breakpoints;
        void* p = pool.allocate(kSize, false);
        bytes(p)[offset] = 0; // one byte past what the caller may touch, and so on

        pool.release(p);
        EXPECT_EQ(platform.breakpoints, breakpoints + 1);
        EXPECT_EQ(pool.stats().refused_releases, before.refused_releases + 1);
        EXPECT_EQ(pool.stats().releases, before.releases);
        EXPECT_EQ(pool.stats().bytes_allocated, before.bytes_allocated + kSize);
    }
    EXPECT_EQ(raw.live_blocks(), 4u);
}

// Without a debugger a breakpoint would stop the machine: the refusal is
// traced and the driver goes on.
TEST_F(GuardedPoolTest, ARefusalBreaksOnlyIntoAnAttachedDebugger)
{
    for (const bool debugger : {false, true}) {
        SCOPED_TRACE(debugger);
        platform.debugger = debugger;
        platform.lines.clear();
        const int breakpoints = platform.breakpoints;
        int on_stack = 0;
        pool.release(&on_stack); // never the pool's
        EXPECT_EQ(platform.breakpoints, breakpoints + (debugger ? 1 : 0));
        ASSERT_EQ(platform.lines.size(), 1u);
        EXPECT_NE(platform.lines[0].find("KAV_cash: pool release of 0x"), std::string::npos) << platform.lines[0];
        EXPECT_NE(platform.lines[0].find("refused: not a live block\n"), std::string::npos) << platform.lines[0];
    }
    EXPECT_EQ(pool.stats().refused_releases, 2u);
}

// A raw pool that gives memory back for real, so ASan sees any read of a released block.
class FreeingRawPool final : public RawPool {
public:
    void* allocate(size_t bytes, uint32_t) override { return std::malloc(bytes); }
    void release(void* block) override { std::free(block); }
};

TEST_F(GuardedPoolTest, SecondReleaseIsRefusedWithoutReadingTheReleasedBlock)
{
    FreeingRawPool freeing;
    GuardedPool real{freeing, platform};
    platform.debugger = false;
    void* p = real.allocate(24, false);
    real.release(p);
    real.release(p); // the table says it is gone; the block is not looked at

    EXPECT_EQ(platform.breakpoints, 0);
    EXPECT_EQ(real.stats().releases, 1u);
    EXPECT_EQ(real.stats().refused_releases, 1u);
    EXPECT_EQ(real.stats().bytes_allocated, 0u);
}

TEST_F(GuardedPoolTest, AFullTableFailsTheAllocationAndKeepsNothing)
{
    std::vector<void*> blocks;
    for (uint32_t i = 0; i < kMaxLiveBlocks; ++i) blocks.push_back(pool.allocate(8, false));
    EXPECT_EQ(std::count(blocks.begin(), blocks.end(), nullptr), 0);
    EXPECT_EQ(pool.allocate(8, false), nullptr);
    EXPECT_EQ(raw.live_blocks(), kMaxLiveBlocks) << "the block that found no slot went back";
    EXPECT_EQ(pool.stats().failed_allocations, 1u);
    for (void* b : blocks) pool.release(b);
    EXPECT_EQ(raw.live_blocks(), 0u);
    EXPECT_EQ(pool.stats().refused_releases, 0u);
}

TEST_F(GuardedPoolTest, NoMemoryAndNullReleaseChangeNothingButTheFailureCount)
{
    raw.fail_call(1);
    EXPECT_EQ(pool.allocate(32, true), nullptr);
    pool.release(nullptr);

    const PoolStats s = pool.stats();
    EXPECT_EQ(s.failed_allocations, 1u);
    EXPECT_EQ(s.allocations + s.releases + s.refused_releases, 0u);
    EXPECT_EQ(s.bytes_allocated, 0u);
    EXPECT_EQ(platform.breakpoints, 0);
}

} // namespace
} // namespace kav
