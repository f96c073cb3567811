// The library's view of the driver's device: open it, send one device I/O
// control request, close it. The Win32 edge implements it with CreateFileA,
// DeviceIoControl and CloseHandle; the tests with a recording fake.
#pragma once
#include <stdint.h>

namespace kav::tillio {

// Opaque to the core; the edge maps its own "no handle" value to kNoDevice.
using DeviceHandle = void*;
inline constexpr DeviceHandle kNoDevice = nullptr;

// An open: the handle, or kNoDevice and whether the device is there but held
// through another handle (the driver admits one at a time).
struct DeviceOpening {
    DeviceHandle handle = kNoDevice;
    bool held = false;
};

// A request's outcome. kHeld: refused because the device was held when the
// handle was opened (Windows refuses such an open already; Wine hands out a
// handle whose requests the driver refuses).
enum class ControlOutcome : uint8_t { kDone, kFailed, kHeld };

class DeviceChannel {
public:
    virtual DeviceOpening open(const char* path) = 0;

    // One synchronous request. input may be null when input_length is 0.
    virtual ControlOutcome control(DeviceHandle handle, uint32_t code, const void* input, uint32_t input_length,
                                   void* output, uint32_t output_length, uint32_t* bytes_returned) = 0;

    virtual void close(DeviceHandle handle) = 0;

    // For waiting out a held device: a steady clock in milliseconds (it may
    // wrap), and a short pause that lets the holder finish.
    virtual uint32_t now_ms() = 0;
    virtual void pause() = 0;

    // Turn-taking among the callers of every process on the machine's
    // session: the clock reading at which one of them last found the device
    // held (0: nobody waits), and claiming and releasing the next turn. A
    // caller polling in a tight loop would otherwise take the device back
    // the moment it let go, every time.
    virtual uint32_t turn_claimed_ms() = 0;
    virtual void claim_turn(uint32_t now_ms) = 0;
    virtual void release_turn() = 0;

protected:
    DeviceChannel() = default;
    DeviceChannel(const DeviceChannel&) = default;
    DeviceChannel& operator=(const DeviceChannel&) = default;
    // Channels are never owned through this interface.
    ~DeviceChannel() = default;
};

} // namespace kav::tillio
