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
    DeviceHandle open(const char*) override
    {
        static int device;
        return in_.byte() % 8 == 0 ? kNoDevice : &device;
    }
    bool control(DeviceHandle, uint32_t code, const void* input, uint32_t input_length, void* output,
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
        return in_.byte() % 4 != 0;
    }
    void close(DeviceHandle) override {}

private:
    kav::fuzz::Input& in_;
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
