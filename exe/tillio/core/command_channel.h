// Drawer command numbers to driver requests: one open, one request, one close
// per call, and the one status byte the library keeps between calls.
#pragma once
#include "device_channel.h"
#include "ioctl_codes.h"
#include "result_codes.h"
#include <atomic>
#include <optional>
#include <stdint.h>

namespace kav::tillio {

// What a caller's number stands for: a command 10..37 and, for the port-taking
// commands, the port that travels in the request's two input bytes.
struct ResolvedCommand {
    int32_t command;
    std::optional<uint16_t> port;

    friend constexpr bool operator==(const ResolvedCommand&, const ResolvedCommand&) = default;
};

// Fixed-port commands are passed as themselves. Port-taking commands have no
// port argument, so callers pass a DIO base plus the command (0x280 + 17); a
// bare port-taking number has no port to send and stays undefined.
constexpr std::optional<ResolvedCommand> resolve_command(int32_t number)
{
    if (number >= kFirstCommand && number <= kLastCommand) {
        if (is_port_command(number)) return std::nullopt;
        return ResolvedCommand{number, std::nullopt};
    }
    for (uint16_t base : kDioBases) {
        if (number < base) continue; // keeps the subtraction below from overflowing
        const int32_t command = number - base;
        if (is_dio_command(command)) return ResolvedCommand{command, base};
    }
    return std::nullopt;
}

// How long a call waits for a device that another handle holds (a monitor
// polling the drawers, another program's call) before it reports the failure.
inline constexpr uint32_t kHeldDeviceWaitMs = 300;
// How long a call gives way, at most, to a caller that claimed the next turn,
// and how long such a claim counts (its caller may have gone away).
inline constexpr uint32_t kGiveWayMs = 50;
inline constexpr uint32_t kTurnClaimMs = 100;

// Calls may come from any thread at once.
class CommandChannel {
public:
    constexpr CommandChannel() = default;

    // kDone, kDeviceNotOpened, kControlFailed or kUndefinedCommand. Only kDone
    // updates the kept status byte. An undefined number touches nothing.
    int32_t device_control(DeviceChannel& device, const char* path, int32_t number);

    // As device_control, with its own request's status byte (0..255) in place
    // of kDone: never the byte of a request another thread made meanwhile.
    int32_t status(DeviceChannel& device, const char* path, int32_t number);

    uint8_t kept_status() const { return kept_status_.load(std::memory_order_relaxed); }

private:
    // One request; its output byte lands in *answer when it went through.
    int32_t request(DeviceChannel& device, const char* path, int32_t number, uint8_t* answer);

    // The last answer, for whoever reads it later; each call's own answer
    // travels on its stack.
    std::atomic<uint8_t> kept_status_{0};
};

} // namespace kav::tillio
