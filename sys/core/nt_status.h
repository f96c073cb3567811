// Kernel status values the driver reports. Kept apart from the DDK headers so
// the core builds without them; the values are the kernel's own.
#pragma once
#include <stdint.h>

namespace kav {

using NtStatus = int32_t;

inline constexpr NtStatus kStatusSuccess = 0;
inline constexpr NtStatus kStatusPending = 0x103;
inline constexpr NtStatus kStatusDeviceBusy = static_cast<NtStatus>(0x80000011u);
inline constexpr NtStatus kStatusInvalidParameter = static_cast<NtStatus>(0xC000000Du);
inline constexpr NtStatus kStatusInsufficientResources = static_cast<NtStatus>(0xC000009Au);
inline constexpr NtStatus kStatusDeviceNotReady = static_cast<NtStatus>(0xC00000A3u);
inline constexpr NtStatus kStatusInvalidBufferSize = static_cast<NtStatus>(0xC0000206u);

inline constexpr bool nt_failed(NtStatus s) { return s < 0; }

} // namespace kav
