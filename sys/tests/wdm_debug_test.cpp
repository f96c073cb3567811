#include "wdm_debug.h"
#include "fake_debug_platform.h"
#include "line_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace kav {
namespace {

using test::FakeDebugPlatform;
using test::FakeRawPool;
using Lines = std::vector<std::string>;

// --- line formatter ------------------------------------------------------

struct FormatCase {
    const char* format;
    std::string expected;
};

std::string formatted(size_t capacity, const char* format, ...)
{
    std::vector<char> out(capacity + 1, '#'); // one guard byte past capacity
    va_list args;
    va_start(args, format);
    const size_t length = format_line_v(out.data(), capacity, format, args);
    va_end(args);
    EXPECT_EQ(out[capacity], '#') << "wrote past capacity";
    std::string text = capacity != 0 ? std::string(out.data()) : std::string();
    EXPECT_LT(text.size(), capacity == 0 ? 1 : capacity);
    return text + "|" + std::to_string(length);
}

TEST(LineFormat, Conversions)
{
    const char* none = nullptr;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {formatted(64, "%s: %s", "KAV_cash", "enter X"), "KAV_cash: enter X|17"},
        {formatted(64, "[%s]", none), "[(null)]|8"},
        {formatted(64, "%x %X", 0xC000009Au, 0xabcu), "c000009a ABC|12"},
        {formatted(64, "0x%08x", 0x1234u), "0x00001234|10"},
        {formatted(64, "%08x", 0xC0000206u), "c0000206|8"},
        {formatted(64, "%d %d %d", 0, -42, INT_MIN), "0 -42 -2147483648|17"},
        {formatted(64, "%05d|%4d", -42, 7), "-0042|   7|10"},
        {formatted(64, "%u", 4294967295u), "4294967295|10"},
        {formatted(64, "%c%c", 'o', 'k'), "ok|2"},
        {formatted(64, "100%%"), "100%|4"},
        {formatted(64, "%q%"), "%q%|3"}, // unknown and dangling conversions as written
    };
    for (const auto& [actual, expected] : cases) EXPECT_EQ(actual, expected);
}

TEST(LineFormat, CutsShortAtCapacityAndReportsTheFullLength)
{
    EXPECT_EQ(formatted(6, "%s", "KAV_cash"), "KAV_c|8");
    EXPECT_EQ(formatted(6, "ab%08x", 0x1u), "ab000|10");
    EXPECT_EQ(formatted(1, "text"), "|4");
    EXPECT_EQ(formatted(0, "text"), "|4");
}

// --- trace and logs ------------------------------------------------------

class WdmDebugTest : public ::testing::Test {
protected:
    // The first entry of a ring's block as the system handed it out, behind
    // the pool's size word.
    template <typename Entry>
    static Entry first_entry(const void* block)
    {
        Entry entry{};
        std::memcpy(&entry, static_cast<const uint8_t*>(block) + kPoolHeaderBytes, sizeof entry);
        return entry;
    }

    void TearDown() override
    {
        debug.release_rings();
        EXPECT_EQ(pool.stats().bytes_allocated, 0u) << "leaked";
        EXPECT_EQ(platform.breakpoints, 0);
    }

    void open_as_device_layer()
    {
        debug.set_identity("KAV_cash", "1.00");
        ASSERT_EQ(debug.Debug_OpenWDMDebug(), kStatusSuccess);
        platform.lines.clear();
    }

    FakeDebugPlatform platform;
    FakeRawPool raw;
    GuardedPool pool{raw, platform};
    WdmDebug debug{pool, platform};
};

TEST_F(WdmDebugTest, OpenAllocatesThreeZeroFilledRingsInOrder)
{
    ASSERT_EQ(debug.Debug_OpenWDMDebug(), kStatusSuccess);

    EXPECT_EQ(raw.requested, (std::vector<size_t>{64 * sizeof(RequestLogEntry) + kGuardBytes, 64 * sizeof(TraceEntry) + kGuardBytes,
                                                  64 * sizeof(StatusLogEntry) + kGuardBytes}));
    EXPECT_EQ(debug.request_log().size(), 64u);
    EXPECT_EQ(debug.trace_log().size(), 64u);
    EXPECT_EQ(debug.status_log().size(), 64u);
    for (uint32_t i = 0; i < 64; ++i) {
        ASSERT_EQ(debug.trace_log().at(i).message, nullptr);
        ASSERT_EQ(debug.status_log().at(i).status, 0);
        ASSERT_EQ(debug.request_log().at(i).count, 0);
    }

    // The trace and the status log have entries of one size: tell their
    // blocks apart by what each ring's first write puts into its block.
    static const char kMessage[] = "enter X";
    int device = 0;
    debug.log_request(&device, nullptr, 14, nullptr, 0);
    debug.trace(kMessage);
    debug.log_status(kStatusDeviceBusy);
    ASSERT_EQ(raw.handed_out.size(), 3u);
    EXPECT_EQ(first_entry<RequestLogEntry>(raw.handed_out[0]).device, &device);
    EXPECT_EQ(first_entry<TraceEntry>(raw.handed_out[1]).message, kMessage);
    EXPECT_EQ(first_entry<StatusLogEntry>(raw.handed_out[2]).status, kStatusDeviceBusy);
}

TEST_F(WdmDebugTest, OpenFillsInOnlyTheMissingIdentity)
{
    struct Case {
        const char* name;
        const char* version;
        std::string expected_name;
        std::string expected_version;
    };
    const Case cases[] = {
        {nullptr, nullptr, "DRVSHELL", "0.99"},
        {"KAV_cash", "1.00", "KAV_cash", "1.00"},
        {"KAV_cash", nullptr, "KAV_cash", "0.99"},
        {nullptr, "1.00", "DRVSHELL", "1.00"},
    };
    for (const Case& c : cases) {
        FakeDebugPlatform p;
        FakeRawPool r;
        GuardedPool gp{r, p};
        WdmDebug d{gp, p};
        d.set_identity(c.name, c.version);
        ASSERT_EQ(d.Debug_OpenWDMDebug(), kStatusSuccess);
        EXPECT_EQ(d.name(), c.expected_name);
        EXPECT_EQ(d.version(), c.expected_version);
        d.release_rings();
    }
}

TEST_F(WdmDebugTest, OpenReleasesAllRingsWhenAnyAllocationFails)
{
    for (int failing = 1; failing <= 3; ++failing) {
        SCOPED_TRACE(failing);
        FakeDebugPlatform p;
        FakeRawPool r;
        GuardedPool gp{r, p};
        WdmDebug d{gp, p};
        r.fail_call(failing);

        EXPECT_EQ(d.Debug_OpenWDMDebug(), kStatusInsufficientResources);
        EXPECT_EQ(r.requested.size(), static_cast<size_t>(failing)) << "stops at the first failure";
        EXPECT_EQ(d.request_log().size() + d.trace_log().size() + d.status_log().size(), 0u);
        EXPECT_EQ(gp.stats().bytes_allocated, 0u);
        EXPECT_EQ(gp.stats().failed_allocations, 1u);
        EXPECT_EQ(r.live_blocks(), 0u);
        EXPECT_EQ(p.breakpoints, 0);
        EXPECT_EQ(d.name(), std::string("DRVSHELL")) << "defaults are set before the rings";
    }
}

TEST_F(WdmDebugTest, TracePrintsOneLineAndRecordsTheMessagePointer)
{
    open_as_device_layer();
    static const char kMessage[] = "enter X";
    platform.now = 777;

    debug.trace(kMessage);

    EXPECT_EQ(platform.lines, Lines{"KAV_cash: enter X\n"});
    EXPECT_EQ(debug.trace_log().at(0).timestamp, 777);
    EXPECT_EQ(debug.trace_log().at(0).message, kMessage);
    EXPECT_EQ(debug.trace_log().index(), 1u);
}

TEST_F(WdmDebugTest, TraceStillPrintsWhenItsRingIsOff)
{
    debug.set_identity("KAV_cash", "1.00");
    debug.trace("exit  PIOCORE_Create");
    EXPECT_EQ(platform.lines, Lines{"KAV_cash: exit  PIOCORE_Create\n"});
    EXPECT_EQ(debug.trace_log().size(), 0u);
}

TEST_F(WdmDebugTest, SixtyFifthTraceLineOverwritesTheFirstEntry)
{
    open_as_device_layer();
    std::vector<std::string> messages;
    for (int i = 1; i <= 65; ++i) messages.push_back("line " + std::to_string(i));
    for (int i = 0; i < 65; ++i) {
        platform.now = i;
        debug.trace(messages[i].c_str());
    }

    const Ring<TraceEntry>& ring = debug.trace_log();
    EXPECT_EQ(ring.at(0).message, messages[64].c_str());
    EXPECT_EQ(ring.at(0).timestamp, 64);
    EXPECT_EQ(ring.at(1).message, messages[1].c_str());
    EXPECT_EQ(ring.at(63).message, messages[63].c_str());
    EXPECT_EQ(ring.index(), 1u);
    EXPECT_EQ(platform.lines.size(), 65u);
}

// Each setter acts on its own ring: the current size keeps it as it is,
// another size starts it empty, 0 switches it off.
TEST_F(WdmDebugTest, SettingARingsSizeKeepsOrEmptiesIt)
{
    struct Case {
        const char* ring;
        NtStatus (WdmDebug::*set)(uint32_t);
        void (*fill)(WdmDebug&);
        uint32_t (*size)(const WdmDebug&);
        uint32_t (*index)(const WdmDebug&);
        bool (*first_entry_empty)(const WdmDebug&);
    };
    const Case cases[] = {
        {"request log", &WdmDebug::set_request_log_size,
         [](WdmDebug& d) {
             const uint8_t data[] = {1, 2};
             d.log_request(&d, &d, 14, data, sizeof data);
         },
         [](const WdmDebug& d) { return d.request_log().size(); }, [](const WdmDebug& d) { return d.request_log().index(); },
         [](const WdmDebug& d) { return d.request_log().at(0).count == 0; }},
        {"trace", &WdmDebug::set_trace_size, [](WdmDebug& d) { d.trace("something"); },
         [](const WdmDebug& d) { return d.trace_log().size(); }, [](const WdmDebug& d) { return d.trace_log().index(); },
         [](const WdmDebug& d) { return d.trace_log().at(0).message == nullptr; }},
        {"status log", &WdmDebug::set_status_log_size, [](WdmDebug& d) { d.log_status(kStatusDeviceNotReady); },
         [](const WdmDebug& d) { return d.status_log().size(); }, [](const WdmDebug& d) { return d.status_log().index(); },
         [](const WdmDebug& d) { return d.status_log().at(0).status == 0; }},
    };
    open_as_device_layer();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ring);
        c.fill(debug);
        const size_t calls = raw.requested.size();

        EXPECT_EQ((debug.*c.set)(64), kStatusSuccess);
        EXPECT_EQ(raw.requested.size(), calls) << "same size allocates nothing";
        EXPECT_FALSE(c.first_entry_empty(debug));
        EXPECT_EQ(c.index(debug), 1u);

        EXPECT_EQ((debug.*c.set)(16), kStatusSuccess);
        EXPECT_EQ(c.size(debug), 16u);
        EXPECT_EQ(c.index(debug), 0u);
        EXPECT_TRUE(c.first_entry_empty(debug));

        EXPECT_EQ((debug.*c.set)(0), kStatusSuccess);
        EXPECT_EQ(c.size(debug), 0u);
        c.fill(debug); // switched off: must not write anywhere
    }
    EXPECT_EQ(pool.stats().bytes_allocated, 0u);
}

TEST_F(WdmDebugTest, FailedResizeLeavesTheRingOffAndTheOldBlockReleased)
{
    open_as_device_layer();
    const uint64_t trace_bytes = 64 * sizeof(TraceEntry);
    const uint64_t before = pool.stats().bytes_allocated;
    raw.exhausted = true;

    EXPECT_EQ(debug.set_trace_size(32), kStatusInsufficientResources);
    EXPECT_EQ(debug.trace_log().size(), 0u);
    EXPECT_EQ(pool.stats().bytes_allocated, before - trace_bytes);

    // More entries than a 32-bit block can hold never reach the system.
    raw.exhausted = false;
    const size_t calls = raw.requested.size();
    EXPECT_EQ(debug.set_request_log_size(UINT32_MAX / 8), kStatusInsufficientResources);
    EXPECT_EQ(raw.requested.size(), calls);
    EXPECT_EQ(debug.request_log().size(), 0u);
}

TEST_F(WdmDebugTest, StatusLogKeepsOnlyFailingStatuses)
{
    open_as_device_layer();
    const struct {
        NtStatus status;
        bool kept;
    } cases[] = {
        {kStatusSuccess, false},
        {kStatusPending, false},
        {0x7FFFFFFF, false},
        {kStatusDeviceBusy, true}, // 0x80000011 is negative as a signed 32-bit value
        {kStatusInvalidBufferSize, true},
    };
    for (const auto& c : cases) {
        const uint32_t index = debug.status_log().index();
        platform.now += 5;
        debug.log_status(c.status);
        EXPECT_EQ(debug.status_log().index(), c.kept ? index + 1 : index) << std::hex << c.status;
        if (c.kept) {
            EXPECT_EQ(debug.status_log().at(index).status, c.status);
            EXPECT_EQ(debug.status_log().at(index).timestamp, platform.now);
        }
    }
}

TEST_F(WdmDebugTest, RequestLogKeepsAtMostEightDataBytes)
{
    open_as_device_layer();
    uint8_t data[20];
    for (uint8_t i = 0; i < sizeof data; ++i) data[i] = static_cast<uint8_t>(0xA0 + i);
    int device = 0;
    int request = 0;
    const struct {
        const uint8_t* data;
        uint32_t length;
        uint8_t count;
    } cases[] = {{data, 20, 8}, {data, 8, 8}, {data, 3, 3}, {nullptr, 0, 0}, {data, 0, 0}};

    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const uint32_t index = debug.request_log().index();
        platform.now += 1;
        debug.log_request(&device, &request, 14, c.data, c.length);

        const RequestLogEntry e = debug.request_log().at(index);
        EXPECT_EQ(e.timestamp, platform.now);
        EXPECT_EQ(e.device, &device);
        EXPECT_EQ(e.request, &request);
        EXPECT_EQ(e.major, 14u);
        EXPECT_EQ(e.count, c.count);
        for (uint8_t i = 0; i < 8; ++i) EXPECT_EQ(e.data[i], i < c.count ? data[i] : 0) << int(i);
    }
}

TEST_F(WdmDebugTest, PrintFormatsAfterTheNameAsOneLine)
{
    open_as_device_layer();
    debug.print("status = (%x)\n", static_cast<unsigned>(kStatusInsufficientResources));
    debug.print("RtlCopyMemory copied 0x%08x bytes in 0x%08x cycles\n", 10u, 0x1F4u);
    EXPECT_EQ(platform.lines, (Lines{"KAV_cash: status = (c000009a)\n",
                                     "KAV_cash: RtlCopyMemory copied 0x0000000a bytes in 0x000001f4 cycles\n"}));
}

TEST_F(WdmDebugTest, OverlongLineIsCutButStaysAWholeLine)
{
    open_as_device_layer();
    const std::string message(400, 'm');
    debug.trace(message.c_str());

    ASSERT_EQ(platform.lines.size(), 1u);
    const std::string& line = platform.lines[0];
    EXPECT_EQ(line.size(), WdmDebug::kLineCapacity - 1);
    EXPECT_EQ(line.rfind("KAV_cash: mmm", 0), 0u);
    EXPECT_EQ(line.back(), '\n');
}

TEST(CycleStopwatch, MeasuresCyclesBetweenStartAndStop)
{
    FakeDebugPlatform platform;
    platform.cycles = 0xFFFFFFFFFFFFFFF0u; // across the counter's wrap
    platform.cycle_step = 0x30;
    CycleStopwatch watch{platform};
    watch.start();
    watch.stop();
    EXPECT_EQ(watch.cycles(), 0x30u);
}

// The driver holds these as globals: they must need no constructor at run
// time, which the kernel would never call.
class SilentPlatform final : public DebugPlatform {
public:
    int64_t performance_counter() override { return 0; }
    void print(const char*) override {}
    void break_into_debugger() override {}
    bool debugger_present() override { return false; }
    uint64_t cycle_counter() override { return 0; }
};
class MallocPool final : public RawPool {
public:
    void* allocate(size_t bytes, uint32_t) override { return std::malloc(bytes); }
    void release(void* block) override { std::free(block); }
};
constinit SilentPlatform g_platform;
constinit MallocPool g_raw;
constinit GuardedPool g_pool{g_raw, g_platform};
constinit WdmDebug g_debug{g_pool, g_platform};

TEST(WdmDebugGlobals, AreConstantInitializedAndUsable)
{
    ASSERT_EQ(g_debug.Debug_OpenWDMDebug(), kStatusSuccess);
    g_debug.trace("enter DriverEntry");
    EXPECT_EQ(g_debug.trace_log().index(), 1u);
    g_debug.release_rings();
    EXPECT_EQ(g_pool.stats().bytes_allocated, 0u);
}

} // namespace
} // namespace kav
