#include "driver_install.h"

#include <string>

#include "install_log.h"
#include "service_registration.h"
#include "setup_messages.h"

namespace kav::setup {

namespace {

using DirectoryCall = uint32_t (SetupSystem::*)(char*, uint32_t);

// The directory, or "" when the system gave none or one that did not fit:
// a cut-off name must never be used.
std::string ask_directory(SetupSystem& system, DirectoryCall call)
{
    char buffer[kMaxPath] = {};
    const uint32_t length = (system.*call)(buffer, kMaxPath);
    if (length == 0 || length >= kMaxPath) return {};
    return std::string(buffer, length);
}

// "" when the system directory is unusable or the file's name would be longer
// than any path Windows accepts.
std::string driver_target(SetupSystem& system, bool windows98)
{
    std::string target = ask_directory(system, &SetupSystem::system_directory);
    if (target.empty()) return {};
    // Windows 98 names its system folder SYSTEM; its drivers live in SYSTEM32.
    if (windows98) target += "32";
    target += "\\drivers\\";
    target += kDriverFileName;
    if (target.size() >= kMaxPath) return {};
    return target;
}

// The folder the program is in, with its closing backslash; "" when the
// system gave no path, or one cut to fit.
std::string media_root(SetupSystem& system)
{
    char buffer[kMaxPath] = {};
    const uint32_t length = system.program_path(buffer, kMaxPath);
    if (length == 0 || length >= kMaxPath) return {};
    const std::string path(buffer, length);
    const size_t folder_end = path.find_last_of('\\');
    return folder_end == std::string::npos ? std::string() : path.substr(0, folder_end + 1);
}

enum class Search { kFound, kMissing, kCloseFailed };

Search search_for(SetupSystem& system, const char* path)
{
    uintptr_t search = 0;
    if (!system.find_first(path, &search)) return Search::kMissing;
    return system.find_close(search) ? Search::kFound : Search::kCloseFailed;
}

// Copies the driver over the target, clearing a read-only target first.
// The failure's message, or nullptr.
const char* copy_driver(SetupSystem& system, const std::string& driver, const std::string& target)
{
    if (target.empty()) return text::kCopyFileFail;
    uintptr_t search = 0;
    if (system.find_first(target.c_str(), &search)) {
        // Only whether it exists matters here.
        (void)system.find_close(search);
        if (!system.set_attributes_normal(target.c_str())) return text::kSetAttributesFail;
    }
    if (!system.copy_file(driver.c_str(), target.c_str(), false)) return text::kCopyFileFail;
    if (!system.set_attributes_normal(target.c_str())) return text::kSetAttributesFail;
    return nullptr;
}

void restart_windows(SetupSystem& system)
{
    const std::string windows = ask_directory(system, &SetupSystem::windows_directory);
    // Without a usable Windows directory there is no restart command to run;
    // like a failed start, that goes unnoticed and the user restarts by hand.
    if (windows.empty()) return;
    (void)system.start_process(nullptr, (windows + kRestartCommand).c_str());
}

} // namespace

int run_install(SetupSystem& system)
{
    const bool windows98 = kav::tillio::os_version(system) == kav::tillio::kWindows98;
    const std::string target = driver_target(system, windows98);
    const std::string root = media_root(system);
    const std::string driver = root + kMediaDriver;
    const std::string utility_setup = root + kMediaUtilitySetup;

    system.print(text::kInstallDriver);
    if (!system.create_log(kLogPath)) {
        system.print(text::kCreateFileFail);
        system.wait_for_key();
        return kInstallFailed;
    }
    // A 32-bit driver would land, redirected, where a 64-bit system never
    // loads it.
    if (system.runs_under_wow64()) {
        report_and_end(system, text::kUse64BitMedia);
        return kInstallFailed;
    }

    // Without its own folder the program knows no media to install from.
    const Search driver_search = root.empty() ? Search::kMissing : search_for(system, driver.c_str());
    switch (driver_search) {
    case Search::kMissing: report_and_end(system, text::kNoDriverFound); return kInstallFailed;
    case Search::kCloseFailed: report_and_end(system, text::kCloseSearch1Fail); return kInstallFailed;
    case Search::kFound: break;
    }
    if (const char* failure = copy_driver(system, driver, target)) {
        report_and_end(system, failure);
        return kInstallFailed;
    }
    // Windows 2000-class systems get the service from the utility at each start.
    if (windows98) (void)register_driver_service(system);

    system.print(text::kInstallApplication);
    switch (search_for(system, utility_setup.c_str())) {
    case Search::kMissing: report_and_end(system, text::kNoSetupFound); return kInstallFailed;
    case Search::kCloseFailed: report_and_end(system, text::kCloseSearch4Fail); return kInstallFailed;
    case Search::kFound: break;
    }
    // Found but not startable (a folder, an empty or broken file): there is
    // no setup program there either.
    if (!system.start_process(utility_setup.c_str(), nullptr)) {
        report_and_end(system, text::kNoSetupFound);
        return kInstallFailed;
    }

    if (windows98) {
        system.print(text::kPressEnterToRestart);
        system.wait_for_key();
        restart_windows(system);
    }
    (void)system.write_log(text::kInstallFinished, sizeof text::kInstallFinished);
    system.close_log();
    return kInstallFinished;
}

} // namespace kav::setup
