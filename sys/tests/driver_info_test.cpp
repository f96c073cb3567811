#include "driver_info.h"
#include "fake_debug_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace kav {
namespace {

using test::FakeDebugPlatform;
using test::FakeRawPool;

const std::string kInfoText = "\n\n\nDriver:\t KAV_cash\n\nVersion: 1.00\n\n";
constexpr uint8_t kUntouched = 0xEE;

class DriverInfoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        debug.set_identity("KAV_cash", "1.00");
        ASSERT_EQ(debug.Debug_OpenWDMDebug(), kStatusSuccess);
        platform.lines.clear();
        raw.requested.clear();
        rings = pool.stats();
    }
    void TearDown() override
    {
        EXPECT_EQ(pool.stats().bytes_allocated, rings.bytes_allocated) << "working buffer leaked";
        debug.release_rings();
    }

    // A system buffer of exactly the request's length, so ASan sees any
    // write past it.
    ControlResult ask(uint32_t input_length, uint32_t output_length)
    {
        buffer = std::make_unique<uint8_t[]>(std::max(input_length, output_length));
        request = RequestBuffer{buffer.get(), input_length, output_length};
        std::fill_n(buffer.get(), request.length(), kUntouched);
        return answer_driver_info(debug, pool, request, debug.name(), debug.version());
    }

    FakeDebugPlatform platform;
    FakeRawPool raw;
    GuardedPool pool{raw, platform};
    WdmDebug debug{pool, platform};
    PoolStats rings{};
    std::unique_ptr<uint8_t[]> buffer;
    RequestBuffer request{};
};

TEST_F(DriverInfoTest, AnswersNameAndVersionText)
{
    const ControlResult r = ask(0, 256);

    EXPECT_EQ(r.status, kStatusSuccess);
    ASSERT_EQ(r.bytes_returned, 37u);
    ASSERT_EQ(kInfoText.size(), 37u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.get()), 37), kInfoText);
    EXPECT_EQ(buffer[37], 0);
    EXPECT_EQ(buffer[38], kUntouched);
    EXPECT_EQ(platform.lines, std::vector<std::string>{"KAV_cash: GET_DRIVER_INFO\n"});
    EXPECT_EQ(raw.requested, std::vector<size_t>{256 + kGuardBytes}) << "one 256-byte working buffer";
    EXPECT_EQ(pool.stats().releases, rings.releases + 1);
}

// The text goes out only when it fits with its terminating zero; otherwise
// the caller gets an empty buffer and 0 bytes, still with success.
TEST_F(DriverInfoTest, OutputLengthBoundary)
{
    const struct {
        uint32_t input_length;
        uint32_t output_length;
        uint32_t bytes;
    } cases[] = {
        {0, 38, 37}, {0, 37, 0}, {0, 1, 0}, {4, 0, 0}, {100, 10, 0}, {100, 38, 37},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "in " << c.input_length << " out " << c.output_length);
        const ControlResult r = ask(c.input_length, c.output_length);
        EXPECT_EQ(r.status, kStatusSuccess);
        EXPECT_EQ(r.bytes_returned, c.bytes);
        if (c.bytes == 0) {
            EXPECT_EQ(buffer[0], 0);
            for (uint32_t i = 1; i < request.length(); ++i) ASSERT_EQ(buffer[i], kUntouched) << i;
        } else {
            EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.get())), kInfoText);
        }
    }
}

TEST_F(DriverInfoTest, NoWorkingBufferGivesInsufficientResources)
{
    raw.exhausted = true;
    const ControlResult r = ask(0, 256);

    EXPECT_EQ(r.status, kStatusInsufficientResources);
    EXPECT_EQ(r.bytes_returned, 0u);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], kUntouched);
    EXPECT_EQ(pool.stats().failed_allocations, rings.failed_allocations + 1);
}

TEST_F(DriverInfoTest, RequestWithoutBufferIsRefusedUntouched)
{
    for (RequestBuffer empty : {RequestBuffer{nullptr, 0, 0}, RequestBuffer{nullptr, 0, 64}}) {
        const ControlResult r = answer_driver_info(debug, pool, empty, "KAV_cash", "1.00");
        EXPECT_EQ(r.status, kStatusInvalidParameter);
        EXPECT_EQ(r.bytes_returned, 0u);
    }
    EXPECT_TRUE(raw.requested.empty());
}

} // namespace
} // namespace kav
