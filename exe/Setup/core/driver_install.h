// The installer's run from the distribution media: the driver file into the
// system's driver directory, then the utility's own installer, and on
// Windows 98 the service registration and a restart.
#pragma once
#include "setup_system.h"

namespace kav::setup {

// Where the media keeps its parts, relative to its root: the folder setup.exe
// itself is in. Never the working directory: started by its full path from
// another folder it would find nothing there, or what that folder's owner
// put there (an administrator's run would install and start it).
inline constexpr char kMediaDriver[] = "sys\\KAV_cash.sys";
inline constexpr char kMediaUtilitySetup[] = "GUI\\setup.exe";
inline constexpr char kDriverFileName[] = "KAV_cash.sys";
inline constexpr char kRestartCommand[] = "\\rundll user,exitwindowsexec";

// What setup.exe ends with, so that a deployment script can tell.
inline constexpr int kInstallFinished = 0;
inline constexpr int kInstallFailed = 1;

// The whole run. Every failure has been shown, logged where it belongs and
// acknowledged with Enter by the time it returns kInstallFailed.
int run_install(SetupSystem& system);

} // namespace kav::setup
