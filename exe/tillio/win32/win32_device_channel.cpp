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

// The claim to the next turn, in a page every process of the session that
// loads the library maps: mapped once per process and kept, its handle with
// it (a name lives only as long as a handle to it). Null when the mapping is
// not to be had; turn-taking is then left out.
volatile LONG* turn_word()
{
    static void* volatile word = nullptr;
    static volatile LONG tried = 0;
    if (word == nullptr && InterlockedCompareExchange(&tried, 1, 0) == 0) {
        HANDLE mapping =
            CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG), "KAV_cash_next_turn");
        void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(LONG)) : nullptr;
        if (view == nullptr && mapping != nullptr) CloseHandle(mapping);
        InterlockedExchangePointer(&word, view);
    }
    return static_cast<volatile LONG*>(word);
}

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

uint32_t Win32DeviceChannel::turn_claimed_ms()
{
    volatile LONG* word = turn_word();
    return word ? static_cast<uint32_t>(*word) : 0;
}

void Win32DeviceChannel::claim_turn(uint32_t now_ms)
{
    // 0 says nobody waits: a claim at tick 0 is made at tick 1.
    if (volatile LONG* word = turn_word()) InterlockedExchange(word, static_cast<LONG>(now_ms ? now_ms : 1));
}

void Win32DeviceChannel::release_turn()
{
    if (volatile LONG* word = turn_word()) InterlockedExchange(word, 0);
}

} // namespace kav::tillio
