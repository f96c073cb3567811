#include "guarded_pool.h"
#include "fake_debug_platform.h"

#include <gtest/gtest.h>

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
        std::memcpy(&size, bytes(p) - 4, sizeof size);
        return size;
    }
    static std::string marker(void* p, uint32_t size) { return std::string(reinterpret_cast<char*>(bytes(p) + size), 4); }

    FakeDebugPlatform platform;
    FakeRawPool raw;
    GuardedPool pool{raw, platform};
};

// Odd sizes put the marker at unaligned addresses; 0 is a legal, empty block.
TEST_F(GuardedPoolTest, BlockCarriesSizeWordAndMarkerAndComesBackWhole)
{
    for (uint32_t size : {0u, 1u, 7u, 13u, 64u}) {
        SCOPED_TRACE(size);
        for (bool zero_fill : {false, true}) {
            raw.requested.clear();
            void* p = pool.allocate(size, zero_fill);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(raw.requested, std::vector<size_t>{size + 8u});
            EXPECT_EQ(size_word(p), size);
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
    for (uint32_t size : {0xFFFFFFF8u, 0xFFFFFFFFu}) {
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

TEST_F(GuardedPoolTest, SecondReleaseOfABlockIsRefused)
{
    void* p = pool.allocate(24, false);
    pool.release(p);
    pool.release(p);

    EXPECT_EQ(platform.breakpoints, 1);
    EXPECT_EQ(pool.stats().releases, 1u);
    EXPECT_EQ(pool.stats().refused_releases, 1u);
    EXPECT_EQ(pool.stats().bytes_allocated, 0u);
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
