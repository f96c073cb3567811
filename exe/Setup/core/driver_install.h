// The installer's run from the distribution media: the driver file into the
// system's driver directory, then the utility's own installer, and on
// Windows 98 the service registration and a restart.
#pragma once
#include "setup_system.h"

namespace kav::setup {

// Where the media keeps its parts, relative to the working directory.
inline constexpr char kMediaDriver[] = ".\\sys\\KAV_cash.sys";
inline constexpr char kMediaUtilitySetup[] = ".\\GUI\\setup.exe";
inline constexpr char kDriverFileName[] = "KAV_cash.sys";
inline constexpr char kRestartCommand[] = "\\rundll user,exitwindowsexec";

// The whole run. Every failure has been shown, logged where it belongs and
// acknowledged with Enter by the time it returns.
void run_install(SetupSystem& system);

} // namespace kav::setup
