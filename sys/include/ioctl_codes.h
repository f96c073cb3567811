// Every control code and command number of the KAV_cash device, in one
// place: the driver serves them, the library and the utility send them.
#pragma once
#include <stdint.h>

namespace kav {

// CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_BUFFERED, FILE_ANY_ACCESS)
inline constexpr uint32_t ctl_code(uint32_t function) { return (0x22u << 16) | (function << 2); }

inline constexpr uint32_t kIoctlGetDriverInfo = ctl_code(0x88); // 0x220220

inline constexpr int32_t kFirstCommand = 10;
inline constexpr int32_t kLastCommand = 37;

// Command number n (10..37) is function 0x80 + n.
inline constexpr uint32_t drawer_code(int32_t command) { return ctl_code(0x80u + static_cast<uint32_t>(command)); }

inline constexpr uint32_t kFirstDrawerCode = drawer_code(kFirstCommand);
inline constexpr uint32_t kLastDrawerCode = drawer_code(kLastCommand);

inline constexpr bool is_drawer_code(uint32_t code)
{
    return code >= kFirstDrawerCode && code <= kLastDrawerCode && (code - kFirstDrawerCode) % 4 == 0;
}

inline constexpr int32_t command_of_code(uint32_t code)
{
    return kFirstCommand + static_cast<int32_t>((code - kFirstDrawerCode) / 4);
}

// Commands whose port is the DIO base the user picks (thin client 16..19,
// VOLX-8623 20..23): callers pass them as that base plus the command.
inline constexpr int32_t kFirstDioCommand = 16;
inline constexpr int32_t kLastDioCommand = 23;
// 34..37 repeat 16..19 for a caller that names its port; nothing sends them.
inline constexpr int32_t kFirstSpareDioCommand = 34;
inline constexpr int32_t kLastSpareDioCommand = kLastCommand;

inline constexpr bool is_dio_command(int32_t command)
{
    return command >= kFirstDioCommand && command <= kLastDioCommand;
}

// Commands that carry their port in the first two request bytes.
inline constexpr bool is_port_command(int32_t command)
{
    return is_dio_command(command) || (command >= kFirstSpareDioCommand && command <= kLastSpareDioCommand);
}

// The only ports a port-taking command may address: the DIO base addresses.
inline constexpr uint16_t kDioBases[] = {0x200, 0x220, 0x240, 0x260, 0x280};

inline constexpr bool is_dio_base(uint32_t port)
{
    for (uint16_t base : kDioBases) {
        if (port == base) return true;
    }
    return false;
}

static_assert(drawer_code(10) == 0x220228 && drawer_code(37) == 0x220294);
static_assert(is_drawer_code(0x220294) && !is_drawer_code(0x220298) && !is_drawer_code(0x22022A));

} // namespace kav
