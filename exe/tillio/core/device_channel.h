// The library's view of the driver's device: open it, send one device I/O
// control request, close it. The Win32 edge implements it with CreateFileA,
// DeviceIoControl and CloseHandle; the tests with a recording fake.
#pragma once
#include <stdint.h>

namespace kav::tillio {

// Opaque to the core; the edge maps its own "no handle" value to kNoDevice.
using DeviceHandle = void*;
inline constexpr DeviceHandle kNoDevice = nullptr;

class DeviceChannel {
public:
    // kNoDevice when the device did not open.
    virtual DeviceHandle open(const char* path) = 0;

    // One synchronous request. input may be null when input_length is 0.
    virtual bool control(DeviceHandle handle, uint32_t code, const void* input, uint32_t input_length,
                         void* output, uint32_t output_length, uint32_t* bytes_returned) = 0;

    virtual void close(DeviceHandle handle) = 0;

protected:
    DeviceChannel() = default;
    DeviceChannel(const DeviceChannel&) = default;
    DeviceChannel& operator=(const DeviceChannel&) = default;
    // Channels are never owned through this interface.
    ~DeviceChannel() = default;
};

} // namespace kav::tillio
