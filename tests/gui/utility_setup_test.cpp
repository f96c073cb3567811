// The utility's own installer, GUI\setup.exe from the build's media, run
// silently (/S): it installs the utility, auto.ini, tillio.dll and the OPOS
// service object, registered (the x64 installer also the i686 one, for
// 32-bit applications); the installed utility starts on the emulation driver
// and shows its main window; the uninstaller removes what was installed,
// unregisters the service object and removes our OPOS devices in every
// registry view, and leaves the driver, another service object's device and
// the statistics under the program data.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "gui_driver.h"

namespace {

const std::string kProgramFolder = "C:\\Program Files\\KAV Cash Drawer Utility";
const std::string kUtility = kProgramFolder + "\\KAV_Cash_Drawer_Utility.exe";
const std::string kAutoIni = kProgramFolder + "\\auto.ini";
const std::string kUninstaller = kProgramFolder + "\\uninstall.exe";
const std::string kShortcut =
    "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\KAV Cash Drawer Utility\\KAV Cash Drawer Utility.lnk";
const std::string kServiceObject = kProgramFolder + "\\KAV_CashDrawer_SO.dll";
const std::string kServiceObjectX86 = kProgramFolder + "\\x86\\KAV_CashDrawer_SO.dll";
const std::string kStatistics = "C:\\ProgramData\\KAV\\OPOS CashDrawer";
constexpr const char* kClsidKey = "CLSID\\{E4BFA6F8-33FF-4681-9C87-B84E1A367A69}\\InprocServer32";
constexpr const char* kDevices = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer";

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

// The registry views of this machine, and whether 32-bit programs run in it
// (an i686 service object needs the 32-bit regsvr32 of syswow64).
bool x64_installer() { return sizeof(void*) == 8; }
bool runs_32bit_code()
{
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    return exists(std::string(windows) + "\\syswow64\\kernel32.dll");
}
std::vector<REGSAM> views()
{
    if (x64_installer()) return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
    return {0};
}

// A string value in a view, nothing when the key is not there.
std::optional<std::string> registry_string(HKEY root, const std::string& path, const char* name, REGSAM view = 0)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return std::nullopt;
    char text[MAX_PATH * 2] = {};
    DWORD size = sizeof text - 1;
    const LONG status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(text) : std::string();
}

void add_device(REGSAM view, const std::string& name, const char* progid)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kDevices) + "\\" + name).c_str(), 0, nullptr, 0,
                              KEY_WRITE | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(progid), static_cast<DWORD>(strlen(progid) + 1));
    RegSetValueExA(key, "Drawer", 0, REG_SZ, reinterpret_cast<const BYTE*>("com3"), 5);
    RegCloseKey(key);
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
    for (const std::string& installed :
         {kUtility, kAutoIni, kUninstaller, system_file("tillio.dll"), kShortcut, kServiceObject})
        EXPECT_TRUE(exists(installed)) << installed;
    EXPECT_EQ(read_file(kAutoIni), "[Application]\r\nauto=0\r\n");

    // The service object registered as regsvr32 registers it, in this
    // installer's own view; the x64 installer's i686 one in the 32-bit view,
    // with its tillio.dll in syswow64.
    EXPECT_EQ(registry_string(HKEY_CLASSES_ROOT, kClsidKey, nullptr), kServiceObject);
    EXPECT_TRUE(registry_string(HKEY_CLASSES_ROOT, "KAV.CashDrawer.SO\\CLSID", nullptr));
    const bool both_bitnesses = x64_installer() && runs_32bit_code();
    if (x64_installer() && !both_bitnesses)
        std::printf("32-bit code does not run in this prefix: the i686 service object's registration is not checked\n");
    if (both_bitnesses) {
        char windows[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, MAX_PATH);
        EXPECT_TRUE(exists(kServiceObjectX86));
        EXPECT_TRUE(exists(std::string(windows) + "\\syswow64\\tillio.dll"));
        EXPECT_EQ(registry_string(HKEY_CLASSES_ROOT, kClsidKey, nullptr, KEY_WOW64_32KEY), kServiceObjectX86);
    }
    // Devices as `kavdrawer opos add` makes them, and another vendor's.
    for (REGSAM view : views()) {
        add_device(view, "KAVTill", "KAV.CashDrawer.SO");
        add_device(view, "OtherTill", "Other.CashDrawer.SO");
    }
    CreateDirectoryA("C:\\ProgramData\\KAV", nullptr);
    CreateDirectoryA(kStatistics.c_str(), nullptr);
    std::ofstream(kStatistics + "\\KAVTILL.0123456789abcdef.stat") << "DrawerGoodOpenCount=1\n";

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
    const std::string removed[] = {kUninstaller, kProgramFolder, kUtility,      kAutoIni, system_file("tillio.dll"),
                                   kShortcut,    kServiceObject, kServiceObjectX86};
    // The copy works on after run_and_wait has returned: wait for all of it.
    kavwine::wait_until([&] { return std::none_of(std::begin(removed), std::end(removed), exists); });
    for (const std::string& file : removed) EXPECT_FALSE(exists(file)) << file;
    EXPECT_TRUE(exists(driver)) << "the driver is setup.exe's, not the utility's";
    EXPECT_FALSE(registry_string(HKEY_CLASSES_ROOT, kClsidKey, nullptr)) << "unregistered";
    EXPECT_FALSE(registry_string(HKEY_CLASSES_ROOT, "KAV.CashDrawer.SO", nullptr));
    if (both_bitnesses) {
        EXPECT_FALSE(registry_string(HKEY_CLASSES_ROOT, kClsidKey, nullptr, KEY_WOW64_32KEY)) << "unregistered";
    }
    for (REGSAM view : views()) {
        EXPECT_FALSE(registry_string(HKEY_LOCAL_MACHINE, std::string(kDevices) + "\\KAVTill", nullptr, view))
            << "our device, view " << view;
        EXPECT_EQ(registry_string(HKEY_LOCAL_MACHINE, std::string(kDevices) + "\\OtherTill", nullptr, view),
                  "Other.CashDrawer.SO")
            << "another vendor's device stays, view " << view;
    }
    EXPECT_TRUE(exists(kStatistics + "\\KAVTILL.0123456789abcdef.stat")) << "the statistics stay";
}

} // namespace
