#include "win32_device_channel.h"
#include "ioctl_codes.h"

#include <windows.h>
#include <winioctl.h>

namespace kav::tillio {
namespace {

// The driver's codes are written without the system headers; these are what
// CTL_CODE makes of them.
constexpr uint32_t system_code(uint32_t function)
{
    return CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_BUFFERED, FILE_ANY_ACCESS);
}
static_assert(kIoctlGetDriverInfo == system_code(0x88));
static_assert(kFirstDrawerCode == system_code(0x80 + kFirstCommand));
static_assert(kLastDrawerCode == system_code(0x80 + kLastCommand));

} // namespace

DeviceOpening Win32DeviceChannel::open(const char* path)
{
    const HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return {handle, false};
    // The driver refuses a second handle with STATUS_DEVICE_BUSY; an exclusive
    // holder shows as a sharing violation.
    const DWORD error = GetLastError();
    return {kNoDevice, error == ERROR_BUSY || error == ERROR_SHARING_VIOLATION};
}

ControlOutcome Win32DeviceChannel::control(DeviceHandle handle, uint32_t code, const void* input,
                                           uint32_t input_length, void* output, uint32_t output_length,
                                           uint32_t* bytes_returned)
{
    DWORD returned = 0;
    const BOOL sent = DeviceIoControl(handle, code, const_cast<void*>(input), input_length, output, output_length,
                                      &returned, nullptr);
    if (sent) {
        *bytes_returned = returned;
        return ControlOutcome::kDone;
    }
    // The driver answers a request through a handle it did not admit (Wine
    // hands one out for a refused create) with STATUS_ACCESS_DENIED; the
    // drawer codes need no access right, so that is the only way to it.
    return GetLastError() == ERROR_ACCESS_DENIED ? ControlOutcome::kHeld : ControlOutcome::kFailed;
}

void Win32DeviceChannel::close(DeviceHandle handle)
{
    CloseHandle(handle);
}

uint32_t Win32DeviceChannel::now_ms()
{
    return GetTickCount();
}

void Win32DeviceChannel::pause()
{
    Sleep(1);
}

} // namespace kav::tillio
