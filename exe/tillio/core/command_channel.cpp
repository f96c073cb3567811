#include "command_channel.h"

namespace kav::tillio {
namespace {

// A caller that found the device held has claimed the next turn: let it have
// the device before opening it again. Without a claim this is one read.
void give_way(DeviceChannel& device)
{
    uint32_t claimed_ms = device.turn_claimed_ms();
    if (claimed_ms == 0) return;
    const uint32_t since_ms = device.now_ms();
    for (uint32_t now_ms = since_ms; claimed_ms != 0 && now_ms - claimed_ms < kTurnClaimMs &&
                                     now_ms - since_ms < kGiveWayMs;
         now_ms = device.now_ms()) {
        device.pause();
        claimed_ms = device.turn_claimed_ms();
    }
}

} // namespace

int32_t CommandChannel::request(DeviceChannel& device, const char* path, int32_t number, uint8_t* answer)
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

    // A device held through another handle is usually free again within a
    // millisecond or two: try again for a while before reporting the failure,
    // holding the claim to the next turn meanwhile. The clock is read only
    // once the device was found held.
    give_way(device);
    bool waiting = false;
    uint32_t waiting_since_ms = 0;
    for (;;) {
        int32_t failure = kDeviceNotOpened;
        const DeviceOpening opening = device.open(path);
        if (opening.handle != kNoDevice) {
            // Open commands return no byte, so what was here before the request
            // is what gets kept: start from 0 rather than from the last answer.
            uint8_t output = 0;
            uint32_t bytes_returned = 0;
            const ControlOutcome outcome =
                device.control(opening.handle, drawer_code(resolved->command), input_length ? input : nullptr,
                               input_length, &output, sizeof output, &bytes_returned);
            device.close(opening.handle);
            if (waiting && outcome != ControlOutcome::kHeld) device.release_turn();
            if (outcome == ControlOutcome::kDone) {
                kept_status_.store(output, std::memory_order_relaxed);
                *answer = output;
                return kDone;
            }
            if (outcome == ControlOutcome::kFailed) return kControlFailed;
            failure = kControlFailed; // refused as held: nothing reached the ports
        } else if (!opening.held) {
            // Gone while this caller waited: the turn it claimed goes back.
            if (waiting) device.release_turn();
            return kDeviceNotOpened;
        }

        const uint32_t now_ms = device.now_ms();
        if (!waiting) {
            waiting = true;
            waiting_since_ms = now_ms;
        } else if (now_ms - waiting_since_ms >= kHeldDeviceWaitMs) {
            device.release_turn();
            return failure;
        }
        device.claim_turn(now_ms);
        device.pause();
    }
}

int32_t CommandChannel::device_control(DeviceChannel& device, const char* path, int32_t number)
{
    uint8_t answer = 0;
    return request(device, path, number, &answer);
}

int32_t CommandChannel::status(DeviceChannel& device, const char* path, int32_t number)
{
    uint8_t answer = 0;
    const int32_t result = request(device, path, number, &answer);
    return result == kDone ? int32_t{answer} : result;
}

} // namespace kav::tillio
