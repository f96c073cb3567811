// DeviceChannel over the Win32 file and device I/O calls. No decisions here:
// each method is one system call, its failure mapped to what the core knows.
#pragma once
#include "device_channel.h"

namespace kav::tillio {

class Win32DeviceChannel final : public DeviceChannel {
public:
    constexpr Win32DeviceChannel() = default;

    DeviceOpening open(const char* path) override;
    ControlOutcome control(DeviceHandle handle, uint32_t code, const void* input, uint32_t input_length,
                           void* output, uint32_t output_length, uint32_t* bytes_returned) override;
    void close(DeviceHandle handle) override;
    uint32_t now_ms() override;
    void pause() override;
    uint32_t turn_claimed_ms() override;
    void claim_turn(uint32_t now_ms) override;
    void release_turn() override;
};

} // namespace kav::tillio
