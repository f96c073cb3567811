// The library's command mapping: any command number through the channel, over
// a device that opens or not and answers anything. A number maps to exactly
// one drawer code, a port only ever to a DIO base, and the result is one of
// the documented values.
#include "command_channel.h"
#include "fuzz_input.h"
#include "ioctl_codes.h"
#include "result_codes.h"

#include <cstdlib>

namespace {

using namespace kav::tillio;

class FuzzedDevice final : public DeviceChannel {
public:
    explicit FuzzedDevice(kav::fuzz::Input& in) : in_(in) {}
    DeviceOpening open(const char*) override
    {
        static int device;
        switch (in_.byte() % 8) {
        case 0: return {};
        case 1: return {kNoDevice, true}; // held through another handle
        default: return {&device, false};
        }
    }
    ControlOutcome control(DeviceHandle, uint32_t code, const void* input, uint32_t input_length, void* output,
                           uint32_t output_length, uint32_t* bytes_returned) override
    {
        if (!kav::is_drawer_code(code)) std::abort();
        if (input_length != 0) {
            if (input_length != 2 || input == nullptr) std::abort();
            const auto* port = static_cast<const uint8_t*>(input);
            if (!kav::is_dio_base(port[0] | port[1] << 8)) std::abort(); // never an arbitrary port
        }
        if (output_length != 0) in_.bytes(static_cast<uint8_t*>(output), output_length);
        *bytes_returned = in_.byte() % (output_length + 1);
        switch (in_.byte() % 8) {
        case 0: return ControlOutcome::kFailed;
        case 1: return ControlOutcome::kHeld;
        default: return ControlOutcome::kDone;
        }
    }
    void close(DeviceHandle) override {}
    // Every pause moves the clock on by what the input says, at least 1 ms,
    // so a held device is given up on after a bounded number of tries.
    uint32_t now_ms() override { return clock_ms_; }
    void pause() override { clock_ms_ += 1 + in_.byte(); }
    uint32_t turn_claimed_ms() override { return turn_ms_; }
    void claim_turn(uint32_t now_ms) override { turn_ms_ = now_ms; }
    void release_turn() override { turn_ms_ = 0; }

private:
    kav::fuzz::Input& in_;
    uint32_t clock_ms_ = 0;
    uint32_t turn_ms_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kav::fuzz::Input in(data, size);
    FuzzedDevice device(in);
    CommandChannel channel;
    while (!in.empty()) {
        const int32_t number = static_cast<int32_t>(in.u32());
        const bool as_status = in.byte() & 1;
        const int32_t result = as_status ? channel.status(device, "\\\\.\\KAV_cash", number)
                                         : channel.device_control(device, "\\\\.\\KAV_cash", number);
        const bool known = result == kDone || result == kDeviceNotOpened || result == kControlFailed ||
                           result == kUndefinedCommand || (as_status && result >= 0 && result <= 255);
        if (!known) std::abort();
        if (!resolve_command(number) && result != kUndefinedCommand) std::abort();
    }
    return 0;
}
