// Registers the driver as a kernel service that the system starts during its
// own start-up. Used on Windows 98 only, where nothing else registers it.
#pragma once
#include "setup_system.h"

namespace kav::setup {

inline constexpr char kServiceKey[] = "SYSTEM\\CurrentControlSet\\Services\\KAV";
inline constexpr char kServiceImagePath[] = "\\SystemRoot\\system32\\drivers\\KAV_cash.sys";

// Each failure is reported on the console and in the log; a failed value skips
// the rest. True when every value was set.
bool register_driver_service(SetupSystem& system);

} // namespace kav::setup
