// Fakes of the kernel's debugger and raw pool for tests of the trace, the
// guarded pool and everything built on them.
#pragma once
#include "debug_platform.h"
#include "guarded_pool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace kav::test {

// Captures printed lines, counts breakpoints; the clocks move only when the
// test moves them (the cycle counter by cycle_step per read).
class FakeDebugPlatform final : public DebugPlatform {
public:
    int64_t performance_counter() override { return now; }
    void print(const char* line) override { lines.emplace_back(line); }
    void break_into_debugger() override { ++breakpoints; }
    bool debugger_present() override { return debugger; }
    uint64_t cycle_counter() override
    {
        const uint64_t value = cycles;
        cycles += cycle_step;
        return value;
    }

    int64_t now = 1000;
    uint64_t cycles = 0;
    uint64_t cycle_step = 0;
    std::vector<std::string> lines;
    int breakpoints = 0;
    bool debugger = true;
};

// Real memory from malloc, filled with kFill so a missing zero fill shows.
// Released blocks stay readable until the fake goes away, so a test may look
// at a released block or release it again without undefined behaviour.
class FakeRawPool final : public RawPool {
public:
    static constexpr uint8_t kFill = 0xCD;

    FakeRawPool() = default;
    FakeRawPool(const FakeRawPool&) = delete;
    FakeRawPool& operator=(const FakeRawPool&) = delete;
    ~FakeRawPool()
    {
        for (void* block : live_) std::free(block);
        for (void* block : released_) std::free(block);
    }

    void* allocate(size_t bytes, uint32_t tag) override
    {
        ++calls_;
        EXPECT_EQ(tag, kPoolTag) << "every block is tagged \"Wdm \"";
        requested.push_back(bytes);
        if (exhausted || failing_calls_.count(calls_) != 0) return nullptr;
        void* block = std::malloc(bytes == 0 ? 1 : bytes);
        std::memset(block, kFill, bytes);
        live_.insert(block);
        handed_out.push_back(block);
        return block;
    }

    void release(void* block) override
    {
        EXPECT_EQ(live_.erase(block), 1u) << "released a block this pool does not hold";
        released_.push_back(block);
    }

    // The k-th allocate() call from the start (1-based) answers nullptr.
    void fail_call(int k) { failing_calls_.insert(k); }
    bool exhausted = false;

    size_t live_blocks() const { return live_.size(); }
    // Whole-block sizes asked for, in order, failed calls included.
    std::vector<size_t> requested;
    // Every block given out, in order, released ones included.
    std::vector<void*> handed_out;

private:
    int calls_ = 0;
    std::set<int> failing_calls_;
    std::set<void*> live_;
    std::vector<void*> released_;
};

} // namespace kav::test
