// The names under which user mode finds the KAV_cash driver: its device, the
// path a program opens, and the kernel service that loads it.
#pragma once

namespace kav {

// The device is \Device\KAV_cash, linked as \DosDevices\KAV_cash.
inline constexpr const char* kDriverName = "KAV_cash";
inline constexpr const char* kDevicePath = "\\\\.\\KAV_cash";
inline constexpr const char* kServiceName = "KAV_cash";
// Relative to the system root, as the service records it.
inline constexpr const char* kDriverImagePath = "system32\\drivers\\KAV_cash.sys";

// The longest message a write may leave with the driver; a longer write is
// refused (STATUS_INVALID_BUFFER_SIZE).
inline constexpr unsigned long kMaxMessageBytes = 4096;

} // namespace kav
