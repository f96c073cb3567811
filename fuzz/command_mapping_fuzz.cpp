// The library's command mapping: any command number through the channel, with
// or without a path, over a device that opens or not and answers anything.
// Each call is checked against the request worked out here from the number
// alone (the control code and the port in its two input bytes, or that the
// number is undefined and nothing is opened), against the answer the device
// gave, and against the status byte the channel keeps.
#include "command_channel.h"
#include "fuzz_input.h"
#include "result_codes.h"

#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace {

using namespace kav::tillio;

constexpr const char* kPath = "\\\\.\\KAV_cash";

// The request a number stands for, from the driver's published rules: command
// n (10..37) is CTL_CODE(FILE_DEVICE_UNKNOWN, 0x80 + n, METHOD_BUFFERED,
// FILE_ANY_ACCESS); commands 10..15 and 24..33 have their own ports and are
// passed as themselves; 16..23 are passed as a DIO base plus the command and
// carry that base; a bare 16..23 or 34..37 has no port and is undefined.
struct Request {
    uint32_t code;
    std::optional<uint16_t> port;
};

uint32_t control_code(int64_t command) { return 0x00220000u | static_cast<uint32_t>(0x80 + command) << 2; }

std::optional<Request> expected_request(int32_t number)
{
    if ((number >= 10 && number <= 15) || (number >= 24 && number <= 33)) return Request{control_code(number), {}};
    for (const uint16_t base : {0x200, 0x220, 0x240, 0x260, 0x280}) {
        const int64_t command = int64_t{number} - base;
        if (command >= 16 && command <= 23) return Request{control_code(command), base};
    }
    return std::nullopt;
}

// What one call did to the device.
struct Sent {
    uint32_t code;
    std::vector<uint8_t> input;
    uint32_t output_length;
};

class FuzzedDevice final : public DeviceChannel {
public:
    explicit FuzzedDevice(kav::fuzz::Input& in) : in_(in) {}
    DeviceHandle open(const char* path) override
    {
        if (path == nullptr || std::strcmp(path, kPath) != 0) std::abort(); // not the caller's path
        ++opens;
        opened = in_.byte() % 8 != 0;
        return opened ? &handle_ : kNoDevice;
    }
    bool control(DeviceHandle handle, uint32_t code, const void* input, uint32_t input_length, void* output,
                 uint32_t output_length, uint32_t* bytes_returned) override
    {
        if (handle != &handle_ || output == nullptr || bytes_returned == nullptr) std::abort();
        if (input_length != 0 && input == nullptr) std::abort();
        const auto* bytes = static_cast<const uint8_t*>(input);
        sent.push_back({code, std::vector<uint8_t>(bytes, bytes + input_length), output_length});
        // The answer byte, when the input still has one; the device may
        // leave the output as it found it.
        answer.reset();
        if (output_length != 0 && !in_.empty()) {
            answer = in_.byte();
            static_cast<uint8_t*>(output)[0] = *answer;
        }
        *bytes_returned = in_.byte() % (output_length + 1);
        accepted = in_.byte() % 4 != 0;
        return accepted;
    }
    void close(DeviceHandle handle) override
    {
        if (handle != &handle_) std::abort();
        ++closes;
    }

    void forget()
    {
        opens = closes = 0;
        opened = accepted = false;
        sent.clear();
        answer.reset();
    }

    int opens = 0;
    int closes = 0;
    bool opened = false;
    bool accepted = false; // what control() answered
    std::vector<Sent> sent;
    std::optional<uint8_t> answer;

private:
    kav::fuzz::Input& in_;
    int handle_ = 0;
};

void check(bool fact)
{
    if (!fact) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kav::fuzz::Input in(data, size);
    FuzzedDevice device(in);
    CommandChannel channel;
    uint8_t kept = 0; // the status byte the channel must hold
    while (!in.empty()) {
        const int32_t number = static_cast<int32_t>(in.u32());
        const uint8_t flags = in.byte();
        const bool as_status = flags & 1;
        const char* path = flags & 2 ? nullptr : kPath;
        device.forget();
        const int32_t result =
            as_status ? channel.status(device, path, number) : channel.device_control(device, path, number);

        const std::optional<Request> request = expected_request(number);
        int32_t expected = kUndefinedCommand;
        if (!request || path == nullptr) {
            check(device.opens == 0); // an undefined number touches nothing, no path names no device
            if (request) expected = kDeviceNotOpened;
        } else {
            check(device.opens == 1);
            if (!device.opened) {
                check(device.sent.empty() && device.closes == 0);
                expected = kDeviceNotOpened;
            } else {
                check(device.sent.size() == 1 && device.closes == 1);
                const Sent& sent = device.sent.front();
                check(sent.code == request->code);
                std::vector<uint8_t> port; // low byte first
                if (request->port) port = {uint8_t(*request->port & 0xFF), uint8_t(*request->port >> 8)};
                check(sent.input == port);
                check(sent.output_length == 1);
                // A refused request keeps the old byte; a taken one keeps the
                // device's answer, or 0 when it gave none.
                expected = device.accepted ? kDone : kControlFailed;
                if (device.accepted) kept = device.answer.value_or(0);
            }
        }
        if (as_status && expected == kDone) expected = kept;
        check(result == expected);
        check(channel.kept_status() == kept);
    }
    return 0;
}
