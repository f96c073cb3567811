#include "command_channel.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
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
// closes only on handles that are open, each handle closed once.
class FakeDevice final : public DeviceChannel {
public:
    bool opens = true;
    bool accepts = true;
    // The byte the driver writes back; none for open commands.
    std::optional<uint8_t> reply;

    std::vector<std::string> opened_paths;
    std::vector<Request> requests;
    int closes = 0;

    DeviceHandle open(const char* path) override
    {
        opened_paths.emplace_back(path);
        if (!opens) return kNoDevice;
        const auto handle = reinterpret_cast<DeviceHandle>(next_handle_++);
        open_.insert(handle);
        return handle;
    }

    bool control(DeviceHandle handle, uint32_t code, const void* input, uint32_t input_length, void* output,
                 uint32_t output_length, uint32_t* bytes_returned) override
    {
        EXPECT_TRUE(open_.count(handle)) << "request on a handle that is not open";
        EXPECT_NE(bytes_returned, nullptr) << "a synchronous request needs a bytes-returned counter";
        EXPECT_NE(output, nullptr);
        const auto* in = static_cast<const uint8_t*>(input);
        Request request{code, input == nullptr, {}, output_length, 0};
        if (in) request.input.assign(in, in + input_length);
        if (output && output_length > 0) request.output_on_entry = *static_cast<uint8_t*>(output);
        requests.push_back(request);
        if (!accepts) return false;
        if (reply && output_length > 0) *static_cast<uint8_t*>(output) = *reply;
        if (bytes_returned) *bytes_returned = reply ? 1 : 0;
        return true;
    }

    void close(DeviceHandle handle) override
    {
        EXPECT_EQ(open_.erase(handle), 1u) << "closing a handle that is not open";
        ++closes;
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
