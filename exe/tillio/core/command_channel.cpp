#include "command_channel.h"

namespace kav::tillio {

int32_t CommandChannel::device_control(DeviceChannel& device, const char* path, int32_t number)
{
    const std::optional<ResolvedCommand> resolved = resolve_command(number);
    if (!resolved) return kUndefinedCommand;
    // No path names no device: the same answer as a device that is not there.
    if (path == nullptr) return kDeviceNotOpened;

    uint8_t input[2] = {};
    uint32_t input_length = 0;
    if (resolved->port) {
        input[0] = static_cast<uint8_t>(*resolved->port & 0xFF);
        input[1] = static_cast<uint8_t>(*resolved->port >> 8);
        input_length = sizeof input;
    }

    const DeviceHandle handle = device.open(path);
    if (handle == kNoDevice) return kDeviceNotOpened;

    // Open commands return no byte, so what was here before the request is what
    // gets kept: start from 0 rather than from the last answer.
    uint8_t output = 0;
    uint32_t bytes_returned = 0;
    const bool sent = device.control(handle, drawer_code(resolved->command), input_length ? input : nullptr,
                                     input_length, &output, sizeof output, &bytes_returned);
    device.close(handle);
    if (!sent) return kControlFailed;

    kept_status_ = output;
    return kDone;
}

int32_t CommandChannel::status(DeviceChannel& device, const char* path, int32_t number)
{
    const int32_t result = device_control(device, path, number);
    return result == kDone ? int32_t{kept_status_} : result;
}

} // namespace kav::tillio
