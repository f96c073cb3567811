#include "command_channel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kav::tillio {
namespace {

constexpr const char* kPath = "\\\\.\\KAV_cash";

struct Request {
    uint32_t code;
    bool input_is_null;
    std::vector<uint8_t> input;
    uint32_t output_length;
    uint8_t output_on_entry;
};

// Records every call and checks handle use as the system would: requests and
// closes only on handles that are open, each handle closed once. Its clock
// moves only when the channel pauses.
class FakeDevice final : public DeviceChannel {
public:
    bool opens = true;
    bool accepts = true;
    // The byte the driver writes back; none for open commands.
    std::optional<uint8_t> reply;
    // Opens (or requests) refused as held before one goes through; -1: always.
    int held_opens = 0;
    int held_requests = 0;
    uint32_t pause_ms = 1;

    std::vector<std::string> opened_paths;
    std::vector<Request> requests;
    int closes = 0;
    uint32_t clock_ms = 0xFFFFFF00; // wraps while a call waits
    int clock_reads = 0;
    int pauses = 0;
    // The claim to the next turn as every caller sees it; another caller
    // that holds a claim gets in (and releases it) after this many pauses.
    uint32_t turn_ms = 0;
    int other_gets_in_after = -1;
    std::vector<uint32_t> claims;
    int releases = 0;

    DeviceOpening open(const char* path) override
    {
        opened_paths.emplace_back(path);
        if (held_opens != 0) {
            if (held_opens > 0) --held_opens;
            return {kNoDevice, true};
        }
        if (!opens) return {};
        const auto handle = reinterpret_cast<DeviceHandle>(next_handle_++);
        open_.insert(handle);
        return {handle, false};
    }

    ControlOutcome control(DeviceHandle handle, uint32_t code, const void* input, uint32_t input_length,
                           void* output, uint32_t output_length, uint32_t* bytes_returned) override
    {
        EXPECT_TRUE(open_.count(handle)) << "request on a handle that is not open";
        EXPECT_NE(bytes_returned, nullptr) << "a synchronous request needs a bytes-returned counter";
        EXPECT_NE(output, nullptr);
        const auto* in = static_cast<const uint8_t*>(input);
        Request request{code, input == nullptr, {}, output_length, 0};
        if (in) request.input.assign(in, in + input_length);
        if (output && output_length > 0) request.output_on_entry = *static_cast<uint8_t*>(output);
        requests.push_back(request);
        if (held_requests != 0) {
            if (held_requests > 0) --held_requests;
            return ControlOutcome::kHeld;
        }
        if (!accepts) return ControlOutcome::kFailed;
        if (reply && output_length > 0) *static_cast<uint8_t*>(output) = *reply;
        if (bytes_returned) *bytes_returned = reply ? 1 : 0;
        return ControlOutcome::kDone;
    }

    void close(DeviceHandle handle) override
    {
        EXPECT_EQ(open_.erase(handle), 1u) << "closing a handle that is not open";
        ++closes;
    }

    uint32_t now_ms() override
    {
        ++clock_reads;
        return clock_ms;
    }
    void pause() override
    {
        ++pauses;
        clock_ms += pause_ms;
        if (other_gets_in_after > 0 && --other_gets_in_after == 0) turn_ms = 0;
    }
    uint32_t turn_claimed_ms() override { return turn_ms; }
    void claim_turn(uint32_t now_ms) override
    {
        claims.push_back(now_ms);
        turn_ms = now_ms;
    }
    void release_turn() override
    {
        ++releases;
        turn_ms = 0;
    }

    bool all_closed() const { return open_.empty(); }
    bool untouched() const { return opened_paths.empty() && requests.empty() && closes == 0; }

private:
    std::set<DeviceHandle> open_;
    uintptr_t next_handle_ = 0x100;
};

// --- number to command -------------------------------------------------------

struct ResolveCase {
    int32_t number;
    std::optional<ResolvedCommand> expected;
};

TEST(ResolveCommand, MapsNumbersToCommandsAndPorts)
{
    const std::optional<ResolvedCommand> undefined;
    const ResolveCase cases[] = {
        {9, undefined},
        {10, ResolvedCommand{10, std::nullopt}},
        {15, ResolvedCommand{15, std::nullopt}},
        {16, undefined}, // port-taking, but no base to send
        {23, undefined},
        {24, ResolvedCommand{24, std::nullopt}},
        {33, ResolvedCommand{33, std::nullopt}},
        {34, undefined},
        {37, undefined},
        {38, undefined},
        {0, undefined},
        {-1, undefined},
        {-(0x200 + 16), undefined},
        {INT_MIN, undefined},
        {INT_MAX, undefined},
        {0x200 + 15, undefined},
        {0x200 + 16, ResolvedCommand{16, 0x200}},
        {0x200 + 23, ResolvedCommand{23, 0x200}},
        {0x200 + 24, undefined},
        {0x200 + 34, undefined}, // the DIO windows carry 16..23 only
        {0x220 + 19, ResolvedCommand{19, 0x220}},
        {0x240 + 20, ResolvedCommand{20, 0x240}},
        {0x260 + 22, ResolvedCommand{22, 0x260}},
        {0x280 + 16, ResolvedCommand{16, 0x280}},
        {0x280 + 23, ResolvedCommand{23, 0x280}},
        {0x280 + 24, undefined},
        {0x1E0 + 16, undefined}, // neighbours of the DIO bases are not bases
        {0x2A0 + 16, undefined},
        {0x210 - 1, undefined},
    };
    for (const ResolveCase& c : cases) {
        EXPECT_EQ(resolve_command(c.number), c.expected) << "number " << c.number;
    }
}

// --- the request on the wire -------------------------------------------------

struct WireCase {
    int32_t number;
    uint32_t code;
    std::vector<uint8_t> input; // empty: sent with no input buffer at all
};

TEST(DeviceControl, SendsOneRequestWithTheCommandsCodeAndPort)
{
    const WireCase cases[] = {
        {10, 0x220228, {}},
        {12, 0x220230, {}},
        {15, 0x22023C, {}},
        {24, 0x220260, {}},
        {33, 0x220284, {}},
        {0x200 + 16, 0x220240, {0x00, 0x02}},
        {0x220 + 17, 0x220244, {0x20, 0x02}},
        {0x260 + 21, 0x220254, {0x60, 0x02}},
        {0x280 + 23, 0x22025C, {0x80, 0x02}},
    };
    for (const WireCase& c : cases) {
        SCOPED_TRACE(c.number);
        FakeDevice device;
        CommandChannel channel;
        EXPECT_EQ(channel.device_control(device, kPath, c.number), kDone);

        ASSERT_EQ(device.opened_paths, std::vector<std::string>{kPath});
        ASSERT_EQ(device.requests.size(), 1u);
        const Request& sent = device.requests[0];
        EXPECT_EQ(sent.code, c.code);
        EXPECT_EQ(sent.input, c.input);
        EXPECT_EQ(sent.input_is_null, c.input.empty());
        EXPECT_EQ(sent.output_length, 1u);
        EXPECT_EQ(device.closes, 1);
        EXPECT_TRUE(device.all_closed());
    }
}

TEST(DeviceControl, UndefinedNumbersTouchNothing)
{
    for (int32_t number : {9, 16, 19, 23, 34, 37, 38, 0x280 + 24, 0x210 - 1, -1, INT_MIN, INT_MAX}) {
        FakeDevice device;
        CommandChannel channel;
        EXPECT_EQ(channel.device_control(device, kPath, number), kUndefinedCommand) << number;
        EXPECT_EQ(channel.status(device, kPath, number), kUndefinedCommand) << number;
        EXPECT_TRUE(device.untouched()) << number;
    }
}

// --- result codes and handle hygiene ------------------------------------------

struct OutcomeCase {
    const char* name;
    bool opens;
    bool accepts;
    int32_t expected;
    int closes;
};

// Both entry points share the codes; a status call must never turn a failure
// into a status byte.
TEST(DeviceControl, ReportsEachFailureAndClosesWhatItOpened)
{
    const OutcomeCase cases[] = {
        {"request goes through", true, true, kDone, 1},
        {"device does not open", false, true, kDeviceNotOpened, 0},
        {"request fails", true, false, kControlFailed, 1},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDevice device;
        device.opens = c.opens;
        device.accepts = c.accepts;
        device.reply = 1;
        CommandChannel channel;

        EXPECT_EQ(channel.device_control(device, kPath, 13), c.expected);
        EXPECT_EQ(device.opened_paths.size(), 1u);
        EXPECT_EQ(device.requests.size(), c.opens ? 1u : 0u);
        EXPECT_EQ(device.closes, c.closes);
        EXPECT_TRUE(device.all_closed());

        const int32_t expected_status = c.expected == kDone ? 1 : c.expected;
        EXPECT_EQ(channel.status(device, kPath, 13), expected_status);
        EXPECT_EQ(device.closes, 2 * c.closes);
        EXPECT_TRUE(device.all_closed());
    }
}

// --- a device held through another handle --------------------------------------

struct HeldCase {
    const char* name;
    int held_opens, held_requests;
    uint32_t pause_ms;
    int32_t expected;
    size_t opens;
};

// The driver admits one handle at a time: a call finding it held waits for it
// up to 300 ms before reporting the failure it met; a device that is absent,
// or a request that fails for any other reason, is reported at once.
TEST(HeldDevice, IsTriedAgainForUpTo300Ms)
{
    const HeldCase cases[] = {
        {"free: no clock read at all", 0, 0, 1, 1, 1},
        {"held for three opens", 3, 0, 1, 1, 4},
        {"held by Wine's refused handle twice", 0, 2, 1, 1, 3},
        {"held throughout, 1 ms pauses", -1, 0, 1, kDeviceNotOpened, 301},
        {"held throughout, 16 ms pauses", -1, 0, 16, kDeviceNotOpened, 20},
        {"requests refused throughout", 0, -1, 1, kControlFailed, 301},
        {"free again at the last moment", 300, 0, 1, 1, 301},
    };
    for (const HeldCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDevice device;
        device.reply = 1;
        device.held_opens = c.held_opens;
        device.held_requests = c.held_requests;
        device.pause_ms = c.pause_ms;
        CommandChannel channel;
        EXPECT_EQ(channel.status(device, kPath, 13), c.expected);
        EXPECT_EQ(device.opened_paths.size(), c.opens);
        EXPECT_EQ(device.pauses, static_cast<int>(c.opens) - 1);
        EXPECT_TRUE(device.all_closed());
        if (c.opens == 1) {
            EXPECT_EQ(device.clock_reads, 0) << "an uncontended call costs what it did";
        }
        if (c.expected == kDeviceNotOpened) {
            EXPECT_TRUE(device.requests.empty()) << "no request without a handle";
        }
    }
}

// While it waits, a caller holds the claim to the next turn, and gives it up
// once it got in or gave up.
TEST(HeldDevice, AWaitingCallClaimsTheNextTurn)
{
    FakeDevice device;
    device.reply = 1;
    device.held_opens = 2;
    CommandChannel channel;
    EXPECT_EQ(channel.status(device, kPath, 13), 1);
    EXPECT_EQ(device.claims, (std::vector<uint32_t>{0xFFFFFF00, 0xFFFFFF01}));
    EXPECT_EQ(device.releases, 1);
    EXPECT_EQ(device.turn_ms, 0u);

    FakeDevice held;
    held.held_opens = -1;
    EXPECT_EQ(channel.status(held, kPath, 13), kDeviceNotOpened);
    EXPECT_EQ(held.releases, 1) << "a call that gives up leaves no claim behind";
    EXPECT_EQ(held.turn_ms, 0u);

    FakeDevice gone; // held once, then not there at all (the driver stopped)
    gone.held_opens = 1;
    gone.opens = false;
    EXPECT_EQ(channel.status(gone, kPath, 13), kDeviceNotOpened);
    EXPECT_EQ(gone.releases, 1) << "a device gone while the call waited leaves no claim behind";
    EXPECT_EQ(gone.turn_ms, 0u);
}

// A call that finds another caller's fresh claim lets that caller have the
// device first; a stale claim (its caller went away) holds nobody up long.
TEST(HeldDevice, ACallGivesWayToAClaimedTurn)
{
    struct TurnCase {
        const char* name;
        uint32_t claim_age_ms; // how old the claim is when the call starts
        int other_gets_in_after;
        int pauses;
    };
    const TurnCase cases[] = {
        {"the other caller gets in after 3 pauses", 0, 3, 3},
        {"a claim that never goes: given way to for 50 ms", 0, -1, 50},
        {"a claim 80 ms old counts for its last 20 ms", 80, -1, 20},
        {"a claim older than 100 ms is stale", 150, -1, 0},
    };
    for (const TurnCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDevice device;
        device.reply = 1;
        device.turn_ms = device.clock_ms - c.claim_age_ms;
        device.other_gets_in_after = c.other_gets_in_after;
        CommandChannel channel;
        EXPECT_EQ(channel.status(device, kPath, 13), 1);
        EXPECT_EQ(device.pauses, c.pauses);
        EXPECT_EQ(device.opened_paths.size(), 1u) << "no open while giving way";
        EXPECT_TRUE(device.claims.empty());
    }
}

TEST(HeldDevice, AnAbsentDeviceOrAFailedRequestIsNotWaitedFor)
{
    FakeDevice absent;
    absent.opens = false;
    CommandChannel channel;
    EXPECT_EQ(channel.device_control(absent, kPath, 12), kDeviceNotOpened);
    FakeDevice refusing;
    refusing.accepts = false;
    EXPECT_EQ(channel.device_control(refusing, kPath, 12), kControlFailed);
    for (const FakeDevice* d : {&absent, &refusing}) {
        EXPECT_EQ(d->opened_paths.size(), 1u);
        EXPECT_EQ(d->pauses, 0);
        EXPECT_EQ(d->clock_reads, 0);
    }
}

TEST(DeviceControl, NullPathIsADeviceThatDidNotOpen)
{
    FakeDevice device;
    CommandChannel channel;
    EXPECT_EQ(channel.device_control(device, nullptr, 12), kDeviceNotOpened);
    EXPECT_EQ(channel.status(device, nullptr, 13), kDeviceNotOpened);
    EXPECT_EQ(channel.device_control(device, nullptr, 9), kUndefinedCommand);
    EXPECT_TRUE(device.untouched());
}

// --- the kept status byte -------------------------------------------------------

TEST(KeptStatus, EachStatusCallReturnsItsOwnRequestsByte)
{
    FakeDevice device;
    CommandChannel channel;
    // 0xFF would read as an error code if the byte were widened as signed.
    const uint8_t bytes[] = {1, 0, 1, 1, 0xFF, 0};
    for (uint8_t byte : bytes) {
        device.reply = byte;
        EXPECT_EQ(channel.status(device, kPath, 27), int32_t{byte});
        EXPECT_EQ(channel.kept_status(), byte);
    }
    // Every request started from a zeroed output byte, whatever was kept.
    for (const Request& sent : device.requests) EXPECT_EQ(sent.output_on_entry, 0);
}

// A drawer that always reads the same, for one thread of its own.
class SteadyDrawer final : public DeviceChannel {
public:
    explicit SteadyDrawer(uint8_t state) : state_(state) {}
    DeviceOpening open(const char*) override { return {this, false}; }
    ControlOutcome control(DeviceHandle, uint32_t, const void*, uint32_t, void* output, uint32_t,
                           uint32_t* bytes_returned) override
    {
        *static_cast<uint8_t*>(output) = state_;
        *bytes_returned = 1;
        return ControlOutcome::kDone;
    }
    void close(DeviceHandle) override {}
    uint32_t now_ms() override { return 0; }
    void pause() override {}
    uint32_t turn_claimed_ms() override { return 0; }
    void claim_turn(uint32_t) override {}
    void release_turn() override {}

private:
    uint8_t state_;
};

// Two threads of one POS program, one reading an open drawer and one a closed
// one, through the library's one channel: each gets its own drawer's state.
// (The two threads interleave as the machine schedules them: an answer read
// back from the kept byte shows here as soon as they overlap.)
TEST(KeptStatus, TwoThreadsEachGetTheirOwnAnswer)
{
    CommandChannel channel;
    constexpr int kCalls = 200000;
    std::atomic<int> ready{0};
    std::atomic<int> wrong[2] = {0, 0};
    auto reader = [&](uint8_t state) {
        SteadyDrawer drawer(state);
        ++ready;
        while (ready < 2) std::this_thread::yield();
        for (int i = 0; i < kCalls; ++i) wrong[state] += channel.status(drawer, kPath, 13) != state;
    };
    std::thread open_drawer(reader, uint8_t{1});
    std::thread closed_drawer(reader, uint8_t{0});
    open_drawer.join();
    closed_drawer.join();
    EXPECT_EQ(wrong[1], 0) << "the open drawer read closed";
    EXPECT_EQ(wrong[0], 0) << "the closed drawer read open";
    EXPECT_TRUE(channel.kept_status() == 0 || channel.kept_status() == 1) << "the kept byte is one of the answers";
}

TEST(KeptStatus, FailuresLeaveItAlone)
{
    FakeDevice device;
    CommandChannel channel;
    device.reply = 1;
    ASSERT_EQ(channel.status(device, kPath, 11), 1);

    device.reply = 0;
    device.accepts = false;
    EXPECT_EQ(channel.device_control(device, kPath, 11), kControlFailed);
    EXPECT_EQ(channel.kept_status(), 1);

    device.accepts = true;
    EXPECT_EQ(channel.device_control(device, kPath, 38), kUndefinedCommand);
    EXPECT_EQ(channel.kept_status(), 1);

    device.opens = false;
    EXPECT_EQ(channel.device_control(device, kPath, 11), kDeviceNotOpened);
    EXPECT_EQ(channel.kept_status(), 1);
}

TEST(KeptStatus, AnOpenCommandKeepsZero)
{
    FakeDevice device;
    CommandChannel channel;
    device.reply = 1;
    ASSERT_EQ(channel.status(device, kPath, 0x280 + 17), 1);

    device.reply = std::nullopt; // pulses write nothing back
    EXPECT_EQ(channel.device_control(device, kPath, 0x280 + 16), kDone);
    EXPECT_EQ(channel.kept_status(), 0);
    EXPECT_EQ(channel.status(device, kPath, 12), 0);
}

} // namespace
} // namespace kav::tillio
