// The library's command mapping: any command number through the channel, with
// or without a path, over a device that opens or not and answers anything.
// Each call is checked against the request worked out here from the number
// alone (the control code and the port in its two input bytes, or that the
// number is undefined and nothing is opened), against the answer the device
// gave, and against the status byte the channel keeps. A device held through
// another handle (at open, or refused as held at the request) is tried again
// until 300 ms have passed since it was first found held; the fake's clock
// moves only when the channel pauses.
#include "command_channel.h"
#include "fuzz_input.h"
#include "result_codes.h"

#include <algorithm>
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


// One request as the device received it.
struct Sent {
    uint32_t code;
    std::vector<uint8_t> input;
    uint32_t output_length;
};

// One try of a call: what the open gave and, with a handle, what was sent and
// what the request came to.
struct Attempt {
    enum Open { kNone, kHeldOpen, kHandle } open;
    std::optional<Sent> sent;
    ControlOutcome outcome = ControlOutcome::kDone;
    std::optional<uint8_t> answer; // the byte the device wrote, if any
    uint32_t at_ms = 0;            // the clock when the try ended
};

class FuzzedDevice final : public DeviceChannel {
public:
    explicit FuzzedDevice(kav::fuzz::Input& in) : in_(in) {}
    DeviceOpening open(const char* path) override
    {
        if (path == nullptr || std::strcmp(path, kPath) != 0) std::abort(); // not the caller's path
        if (handle_open_) std::abort();                                     // the last handle was not closed
        Attempt attempt;
        switch (in_.byte() % 8) {
        case 0: attempt.open = Attempt::kNone; break;
        case 1: attempt.open = Attempt::kHeldOpen; break;
        default: attempt.open = Attempt::kHandle; break;
        }
        attempt.at_ms = clock_ms_;
        attempts.push_back(attempt);
        if (attempt.open != Attempt::kHandle) return {kNoDevice, attempt.open == Attempt::kHeldOpen};
        handle_open_ = true;
        return {&handle_, false};
    }
    ControlOutcome control(DeviceHandle handle, uint32_t code, const void* input, uint32_t input_length, void* output,
                           uint32_t output_length, uint32_t* bytes_returned) override
    {
        if (handle != &handle_ || !handle_open_ || output == nullptr || bytes_returned == nullptr) std::abort();
        if (input_length != 0 && input == nullptr) std::abort();
        Attempt& attempt = attempts.back();
        if (attempt.sent) std::abort(); // one request per opening
        const auto* bytes = static_cast<const uint8_t*>(input);
        attempt.sent = Sent{code, std::vector<uint8_t>(bytes, bytes + input_length), output_length};
        // The answer byte, when the input still has one; the device may
        // leave the output as it found it.
        if (output_length != 0 && !in_.empty()) {
            attempt.answer = in_.byte();
            static_cast<uint8_t*>(output)[0] = *attempt.answer;
        }
        *bytes_returned = in_.byte() % (output_length + 1);
        switch (in_.byte() % 8) {
        case 0: attempt.outcome = ControlOutcome::kFailed; break;
        case 1: attempt.outcome = ControlOutcome::kHeld; break;
        default: attempt.outcome = ControlOutcome::kDone; break;
        }
        return attempt.outcome;
    }
    void close(DeviceHandle handle) override
    {
        if (handle != &handle_ || !handle_open_) std::abort();
        handle_open_ = false;
        attempts.back().at_ms = clock_ms_;
    }
    // Every pause moves the clock on by what the input says, at least 1 ms,
    // so a held device is given up on after a bounded number of tries.
    uint32_t now_ms() override { return clock_ms_; }
    void pause() override { clock_ms_ += 1 + in_.byte(); }
    uint32_t turn_claimed_ms() override { return turn_ms_; }
    void claim_turn(uint32_t now_ms) override { turn_ms_ = now_ms; }
    void release_turn() override { turn_ms_ = 0; }

    void forget()
    {
        attempts.clear();
        // Another caller's claim to the next turn, or none, as the input says.
        turn_ms_ = others_claim_ms = in_.byte() % 4 == 0 ? clock_ms_ : 0;
    }

    std::vector<Attempt> attempts;
    bool handle_open_ = false;
    uint32_t turn_ms_ = 0;
    uint32_t others_claim_ms = 0;

private:
    kav::fuzz::Input& in_;
    uint32_t clock_ms_ = 1;
    int handle_ = 0;
};

void check(bool fact)
{
    if (!fact) std::abort();
}

bool held(const Attempt& attempt)
{
    return attempt.open == Attempt::kHeldOpen ||
           (attempt.open == Attempt::kHandle && attempt.outcome == ControlOutcome::kHeld);
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
        const std::vector<Attempt>& attempts = device.attempts;
        int32_t expected = kUndefinedCommand;
        if (!request || path == nullptr) {
            check(attempts.empty()); // an undefined number touches nothing, no path names no device
            if (request) expected = kDeviceNotOpened;
        } else {
            check(!attempts.empty() && !device.handle_open_);
            for (const Attempt& attempt : attempts) {
                // Each opening sends the number's one request; a failed open sends nothing.
                check(attempt.sent.has_value() == (attempt.open == Attempt::kHandle));
                if (!attempt.sent) continue;
                check(attempt.sent->code == request->code);
                std::vector<uint8_t> port; // low byte first
                if (request->port) port = {uint8_t(*request->port & 0xFF), uint8_t(*request->port >> 8)};
                check(attempt.sent->input == port);
                check(attempt.sent->output_length == 1);
            }
            // Every try but the last found the device held, and the clock
            // had not yet run 300 ms past the first of them.
            for (size_t i = 0; i + 1 < attempts.size(); ++i) {
                check(held(attempts[i]));
                check(attempts[i].at_ms - attempts.front().at_ms < 300);
            }
            const Attempt& last = attempts.back();
            if (held(last)) {
                // Given up only once 300 ms have passed since it was first found held.
                check(attempts.size() > 1 && last.at_ms - attempts.front().at_ms >= 300);
                expected = last.open == Attempt::kHeldOpen ? kDeviceNotOpened : kControlFailed;
            } else if (last.open == Attempt::kNone) {
                expected = kDeviceNotOpened;
            } else if (last.outcome == ControlOutcome::kFailed) {
                expected = kControlFailed; // a refused request keeps the old byte
            } else {
                expected = kDone;
                kept = last.answer.value_or(0); // the device's answer, or 0 when it gave none
            }
            // A caller that waited gives the turn it claimed back; one that
            // did not leaves another's claim alone.
            const bool waited = std::any_of(attempts.begin(), attempts.end(), held);
            check(device.turn_ms_ == (waited ? 0 : device.others_claim_ms));
        }
        // The status export answers with its own request's byte.
        if (as_status && expected == kDone) expected = attempts.back().answer.value_or(0);
        check(result == expected);
        check(channel.kept_status() == kept);
    }
    return 0;
}
