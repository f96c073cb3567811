// The utility's own installer, GUI\setup.exe from the build's media, run
// silently (/S): it installs the utility, auto.ini and tillio.dll; the
// installed utility starts on the emulation driver and shows its main window;
// the uninstaller removes what was installed and leaves the driver.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>

#include "gui_driver.h"

namespace {

const std::string kProgramFolder = "C:\\Program Files\\KAV Cash Drawer Utility";
const std::string kUtility = kProgramFolder + "\\KAV_Cash_Drawer_Utility.exe";
const std::string kAutoIni = kProgramFolder + "\\auto.ini";
const std::string kUninstaller = kProgramFolder + "\\uninstall.exe";
const std::string kShortcut =
    "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\KAV Cash Drawer Utility\\KAV Cash Drawer Utility.lnk";

bool exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string system_file(const char* name)
{
    char buffer[MAX_PATH] = {};
    GetSystemDirectoryA(buffer, MAX_PATH);
    return std::string(buffer) + "\\" + name;
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Runs a program with a command line and waits for it; its exit code, or -1.
long run_and_wait(const std::string& command_line, DWORD timeout_ms = 60000)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string line = command_line;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    kavwine::Handle process_handle(process.hProcess), thread(process.hThread);
    if (WaitForSingleObject(process.hProcess, timeout_ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<long>(code);
}

struct WindowOfProcess {
    DWORD pid;
    HWND found;
};

// A named CALLBACK: a lambda cannot have the i686 callback convention.
BOOL CALLBACK match_main_window(HWND window, LPARAM context)
{
    auto* wanted = reinterpret_cast<WindowOfProcess*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != wanted->pid || !IsWindowVisible(window)) return TRUE;
    if (kavgui::window_text(window) != kavgui::kMainCaption) return TRUE;
    wanted->found = window;
    return FALSE;
}

HWND main_window_of(DWORD pid)
{
    WindowOfProcess search{pid, nullptr};
    EnumWindows(match_main_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(UtilitySetup, SilentInstallRunsTheUtilityAndTheUninstallerRemovesIt)
{
    const char* setup = getenv("KAV_UTILITY_SETUP");
    ASSERT_NE(setup, nullptr) << "KAV_UTILITY_SETUP names no installer";
    const std::string driver = system_file("drivers\\KAV_cash.sys");
    ASSERT_TRUE(exists(driver)) << "the harness put the driver in place";

    ASSERT_EQ(run_and_wait(std::string("\"") + setup + "\" /S"), 0);
    for (const std::string& installed : {kUtility, kAutoIni, kUninstaller, system_file("tillio.dll"), kShortcut})
        EXPECT_TRUE(exists(installed)) << installed;
    EXPECT_EQ(read_file(kAutoIni), "[Application]\r\nauto=0\r\n");

    // The service is made with a path Wine can load; the utility starts it.
    ASSERT_EQ(kavgui::prepare_stopped_service(), static_cast<DWORD>(ERROR_SUCCESS));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(kUtility.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, kProgramFolder.c_str(),
                               &startup, &process));
    kavwine::Handle process_handle(process.hProcess), thread(process.hThread);
    HWND main = nullptr;
    EXPECT_TRUE(kavwine::wait_until([&] { return (main = main_window_of(process.dwProcessId)) != nullptr; }))
        << "the installed utility showed no main window";
    EXPECT_EQ(kavgui::service_state(), static_cast<DWORD>(SERVICE_RUNNING));
    kavgui::screenshot("installed_utility");
    if (main != nullptr) PostMessageA(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, kavwine::kWaitMs) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    EXPECT_TRUE(kavgui::remove_service());

    // The uninstaller runs from a copy of itself, which outlives this call.
    ASSERT_EQ(run_and_wait("\"" + kUninstaller + "\" /S"), 0);
    const std::string removed[] = {kUninstaller, kProgramFolder, kUtility, kAutoIni, system_file("tillio.dll"), kShortcut};
    // The copy works on after run_and_wait has returned: wait for all of it.
    kavwine::wait_until([&] { return std::none_of(std::begin(removed), std::end(removed), exists); });
    for (const std::string& file : removed) EXPECT_FALSE(exists(file)) << file;
    EXPECT_TRUE(exists(driver)) << "the driver is setup.exe's, not the utility's";
}

} // namespace
