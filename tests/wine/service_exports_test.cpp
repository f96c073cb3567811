// tillio.dll's service control and utility exports under Wine, with the real
// service control manager, registry and file search. The harness puts the
// driver file in place but makes no service (LoadService installs it here),
// and maps drive D: to an empty folder of this test's own.
#include "core/maker_address.h"
#include "wine_service_control.h"
#include "wine_test_support.h"

#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using kavwine::export_of;
using kavwine::kNoService;
using kavwine::kServiceName;
using kavwine::kWineImagePath;

constexpr const char* kProductImagePath = "system32\\drivers\\KAV_cash.sys";

constexpr DWORD kWaitMs = 10000;

// The five exports, bound by name from the system directory as the utility does.
class TillioExports : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(module_, nullptr) << "LoadLibrary(tillio.dll), error " << GetLastError();
        load_ = export_of<LoadFn>(module_, "LoadService");
        unload_ = export_of<UnloadFn>(module_, "UnloadService");
        os_version_ = export_of<OsVersionFn>(module_, "OSVersion");
        get_ie_path_ = export_of<GetIePathFn>(module_, "GetIePath");
        string_trim_ = export_of<StringTrimFn>(module_, "StringTrim");
        ASSERT_TRUE(load_ && unload_ && os_version_ && get_ie_path_ && string_trim_) << "an export is missing";
    }
    void TearDown() override
    {
        if (module_ != nullptr) FreeLibrary(module_);
    }

    using LoadFn = int(__stdcall*)(const char*, const char*);
    using UnloadFn = int(__stdcall*)(const char*, int);
    using OsVersionFn = int(__stdcall*)();
    using GetIePathFn = int(__stdcall*)(char*);
    using StringTrimFn = int(__stdcall*)(char*, const char*);

    HMODULE module_ = LoadLibraryA("tillio.dll");
    LoadFn load_ = nullptr;
    UnloadFn unload_ = nullptr;
    OsVersionFn os_version_ = nullptr;
    GetIePathFn get_ie_path_ = nullptr;
    StringTrimFn string_trim_ = nullptr;
};

// --- service control -------------------------------------------------------------

DWORD service_state() { return kavwine::service_state(kServiceName); }

// Start and stop requests may return before the driver host has finished.
bool wait_for_state(DWORD wanted)
{
    return kavwine::wait_until([wanted] { return service_state() == wanted; }, kWaitMs);
}

bool device_opens()
{
    kavwine::Handle device(kavwine::open_device().handle);
    return device.valid();
}

struct ServiceConfig {
    DWORD type = 0;
    DWORD start_type = 0;
    DWORD error_control = 0;
    std::string image_path;
    std::string display_name;
};

ServiceConfig service_config()
{
    ServiceConfig config;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, kServiceName, SERVICE_QUERY_CONFIG) : nullptr;
    DWORD needed = 0;
    if (service && !QueryServiceConfigA(service, nullptr, 0, &needed) && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        std::vector<char> bytes(needed);
        auto* q = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(bytes.data());
        if (QueryServiceConfigA(service, q, needed, &needed)) {
            config = {q->dwServiceType, q->dwStartType, q->dwErrorControl, q->lpBinaryPathName ? q->lpBinaryPathName : "",
                      q->lpDisplayName ? q->lpDisplayName : ""};
        }
    }
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
    return config;
}

// The absence checks below read "gone" only when the manager says so: a name
// it refuses to open (a service name holds no backslash) is not absent.
TEST(ServiceStateQuery, AServiceThatDoesNotOpenIsNotAbsent)
{
    EXPECT_EQ(kavwine::service_state("KAV\\cash"), kavwine::kServiceUnknown);
    EXPECT_EQ(kavwine::service_state("KAV_no_such_service"), kNoService);
}

// Every case starts without the service and leaves none behind.
class ServiceExports : public TillioExports {
protected:
    void SetUp() override
    {
        TillioExports::SetUp();
        ASSERT_EQ(service_state(), kNoService) << "the service is left over from an earlier case";
    }
    void TearDown() override
    {
        EXPECT_EQ(kavwine::remove_service(kServiceName), 0u) << "removing the service after the case";
        TillioExports::TearDown();
    }
};

TEST_F(ServiceExports, LoadServiceInstallsAndStartsTheDriver)
{
    ASSERT_FALSE(device_opens()) << "the device exists before the driver is loaded";
    EXPECT_EQ(load_(kServiceName, kWineImagePath), 0);
    EXPECT_TRUE(wait_for_state(SERVICE_RUNNING)) << "state " << service_state();
    EXPECT_TRUE(device_opens()) << "the driver's device after LoadService";

    const ServiceConfig config = service_config();
    EXPECT_EQ(config.type, DWORD{SERVICE_KERNEL_DRIVER});
    EXPECT_EQ(config.start_type, DWORD{SERVICE_DEMAND_START});
    EXPECT_EQ(config.error_control, DWORD{SERVICE_ERROR_NORMAL});
    EXPECT_EQ(config.image_path, kWineImagePath);
    EXPECT_EQ(config.display_name, kServiceName);
}

TEST_F(ServiceExports, LoadServiceStartsAnExistingStoppedServiceWithItsOwnPath)
{
    ASSERT_EQ(kavwine::create_kernel_service(kServiceName, kWineImagePath), 0u);
    EXPECT_EQ(load_(kServiceName, "C:\\no\\such\\driver.sys"), 0);
    EXPECT_TRUE(wait_for_state(SERVICE_RUNNING)) << "state " << service_state();
    EXPECT_TRUE(device_opens());
    EXPECT_EQ(service_config().image_path, kWineImagePath) << "the given path was ignored";
}

TEST_F(ServiceExports, LoadServiceOnARunningServiceIsAnError)
{
    ASSERT_EQ(kavwine::create_kernel_service(kServiceName, kWineImagePath), 0u);
    ASSERT_EQ(kavwine::start_service(kServiceName), 0u);
    EXPECT_EQ(load_(kServiceName, kWineImagePath), int{ERROR_SERVICE_ALREADY_RUNNING});
    EXPECT_EQ(service_state(), DWORD{SERVICE_RUNNING});
    EXPECT_TRUE(device_opens());
}

TEST_F(ServiceExports, WithoutAServiceOrAPathNothingIsCreated)
{
    for (const char* no_path : {static_cast<const char*>(nullptr), ""}) {
        EXPECT_EQ(load_(kServiceName, no_path), int{ERROR_SERVICE_DOES_NOT_EXIST}) << (no_path ? "empty" : "null");
        EXPECT_EQ(service_state(), kNoService) << "a service was created";
    }
    EXPECT_EQ(unload_(kServiceName, -1), int{ERROR_SERVICE_DOES_NOT_EXIST});
    EXPECT_EQ(load_(nullptr, kWineImagePath), int{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(unload_(nullptr, -1), int{ERROR_INVALID_PARAMETER});
    EXPECT_EQ(service_state(), kNoService);
}

struct UnloadCase {
    int delete_flag;
    bool deleted;
};

// Stopping unloads the driver; only a stop that succeeded can delete.
TEST_F(ServiceExports, UnloadServiceStopsAndDeletesOnlyWhenAsked)
{
    for (const UnloadCase c : {UnloadCase{0, false}, UnloadCase{-1, true}}) {
        SCOPED_TRACE("delete flag " + std::to_string(c.delete_flag));
        ASSERT_EQ(load_(kServiceName, kWineImagePath), 0);
        ASSERT_TRUE(wait_for_state(SERVICE_RUNNING));

        EXPECT_EQ(unload_(kServiceName, c.delete_flag), 0);
        EXPECT_TRUE(wait_for_state(c.deleted ? kNoService : DWORD{SERVICE_STOPPED})) << "state " << service_state();
        EXPECT_FALSE(device_opens()) << "the device outlived the driver";
        if (c.deleted) continue;

        // A stopped service: nothing to stop, so neither call deletes it.
        EXPECT_EQ(unload_(kServiceName, -1), int{ERROR_SERVICE_NOT_ACTIVE});
        EXPECT_EQ(unload_(kServiceName, 0), int{ERROR_SERVICE_NOT_ACTIVE});
        EXPECT_EQ(service_state(), DWORD{SERVICE_STOPPED}) << "the stopped service is still there";

        ASSERT_EQ(kavwine::delete_service(kServiceName), 0u);
        ASSERT_TRUE(wait_for_state(kNoService));
    }
}

// The utility's own call: the service is created with its relative path as
// given; Windows loads the driver from it, Wine cannot.
TEST_F(ServiceExports, TheProductsRelativePathIsInstalledAsGiven)
{
    const int result = load_(kServiceName, kProductImagePath);
    EXPECT_EQ(service_config().image_path, kProductImagePath);
    if (kavwine::on_wine()) {
        kavwine::known_wine_difference("a relative ImagePath does not load: StartService fails with 1114");
        EXPECT_EQ(result, int{ERROR_DLL_INIT_FAILED});
    } else {
        EXPECT_EQ(result, 0);
    }
}

// --- system family ----------------------------------------------------------------

TEST_F(TillioExports, OSVersionIsWindows2000ClassHere)
{
    EXPECT_EQ(os_version_(), 2000);
}

// The probe's printed line: "<major>.<minor> <OSVersion()>", or why there is none.
std::string run_probe(const std::string& exe)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return "no pipe";
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write_end;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    std::string command = "\"" + exe + "\"";
    const BOOL started =
        CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(write_end);
    if (!started) {
        CloseHandle(read_end);
        return "not started, error " + std::to_string(GetLastError());
    }

    std::string output;
    char chunk[128];
    DWORD got = 0;
    while (ReadFile(read_end, chunk, sizeof chunk, &got, nullptr) && got > 0) output.append(chunk, got);
    CloseHandle(read_end);
    WaitForSingleObject(process.hProcess, kWaitMs);
    DWORD exit_code = 0;
    GetExitCodeProcess(process.hProcess, &exit_code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (exit_code != 0) return "exit " + std::to_string(exit_code);
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    return output;
}

struct VersionCase {
    const char* wine_version;
    const char* expected; // the version the probe sees, then OSVersion's answer
};

TEST(OSVersion, OnlyWindows98GivesNinetyEight)
{
    if (!kavwine::on_wine()) GTEST_SKIP() << "the version is set through Wine's AppDefaults";
    const std::string probe = kavwine::beside_this_program("kav_os_version_probe.exe");
    ASSERT_FALSE(probe.empty()) << "this program's path";

    // A program without a compatibility manifest sees Windows 10 as 6.2, on
    // Windows as under Wine.
    const VersionCase cases[] = {
        {"win98", "4.10 98"}, {"win95", "4.0 2000"}, {"winme", "4.90 2000"},
        {"win2k", "5.0 2000"}, {"win10", "6.2 2000"},
    };
    for (const VersionCase& c : cases) {
        ASSERT_TRUE(kavwine::set_wine_version_for("kav_os_version_probe.exe", c.wine_version)) << c.wine_version;
        EXPECT_EQ(run_probe(probe), c.expected) << "the probe as " << c.wine_version;
    }
    EXPECT_TRUE(kavwine::set_wine_version_for("kav_os_version_probe.exe", nullptr));
}

// --- browser command line -----------------------------------------------------------

constexpr const char* kBrowserDir = ":\\Program Files\\Internet Explorer";
constexpr size_t kCallerBuffer = 100; // what the About window offers

std::string browser_file(char drive) { return std::string(1, drive) + kBrowserDir + "\\iexplore.exe"; }

// A fresh prefix has the browser on C:; D: is the harness's empty folder.
class BrowserCommand : public TillioExports {
protected:
    void SetUp() override
    {
        TillioExports::SetUp();
        ASSERT_NE(GetFileAttributesA(browser_file('c').c_str()), INVALID_FILE_ATTRIBUTES)
            << "a fresh prefix has " << browser_file('c');
        ASSERT_NE(GetFileAttributesA("D:\\"), INVALID_FILE_ATTRIBUTES) << "the harness maps D: (--drive d)";
        CreateDirectoryA("D:\\Program Files", nullptr);
        ASSERT_TRUE(CreateDirectoryA((std::string("d") + kBrowserDir).c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
    }
    void TearDown() override
    {
        EXPECT_TRUE(place('c', true)) << "putting C:'s browser back";
        place('d', false);
        TillioExports::TearDown();
    }

    // C:'s browser is hidden by a rename, D:'s is made and removed.
    static bool place(char drive, bool present)
    {
        const std::string file = browser_file(drive);
        const bool there = GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (there == present) return true;
        if (drive == 'c') {
            const std::string hidden = file + ".hidden";
            return present ? MoveFileA(hidden.c_str(), file.c_str()) : MoveFileA(file.c_str(), hidden.c_str());
        }
        if (!present) return DeleteFileA(file.c_str());
        kavwine::Handle made(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        return made.valid();
    }
};

struct BrowserCase {
    const char* name;
    bool on_c;
    bool on_d;
    int expected;
    char drive; // whose browser the command line starts, 0 for none
};

TEST_F(BrowserCommand, FirstDriveWithTheBrowserFromC)
{
    const BrowserCase cases[] = {
        {"on C: and D:", true, true, 0, 'c'},
        {"only on D:", false, true, 0, 'd'},
        {"nowhere", false, false, -1, 0},
    };
    for (const BrowserCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(place('c', c.on_c));
        ASSERT_TRUE(place('d', c.on_d));

        std::string buffer(kCallerBuffer + 16, 'x');
        EXPECT_EQ(get_ie_path_(buffer.data()), c.expected);
        const std::string command(buffer.c_str());
        const std::string expected = c.drive ? std::string(1, c.drive) + kBrowserDir + "\\IEXPLORE.EXE " +
                                                   kav::tillio::kMakerAddress
                                             : "";
        EXPECT_EQ(command, expected);
        EXPECT_LT(command.size(), kCallerBuffer);
        EXPECT_EQ(buffer.substr(kCallerBuffer), std::string(16, 'x')) << "written past the caller's 100 bytes";
    }
    EXPECT_EQ(get_ie_path_(nullptr), -1);
}

// --- trimming -------------------------------------------------------------------------

struct TrimCase {
    const char* text;
    const char* chars;
    const char* expected;
    bool trimmed;
};

// The same answers as the system's StrTrimA.
TEST_F(TillioExports, StringTrimAgreesWithStrTrimA)
{
    const TrimCase cases[] = {
        {"  COM3  ", " ", "COM3", true},
        {"COM3", " ", "COM3", false},
        {"CO M3", " ", "CO M3", false},
        {" \tCOM12\t ", " \t", "COM12", true},
        {"xyCOMyx", "xy", "COM", true},
        {"yxxy", "xy", "", true},
        {"", " ", "", false},
        {"  COM3  ", "", "  COM3  ", false},
        {"\xE9" "COM\xE9", "\xE9", "COM", true},
    };
    for (const TrimCase& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "' less '" + c.chars + "'");
        std::string ours = c.text;
        std::string system = c.text;
        const int trimmed = string_trim_(ours.data(), c.chars);
        const BOOL system_trimmed = StrTrimA(system.data(), c.chars);
        EXPECT_STREQ(ours.c_str(), c.expected);
        EXPECT_EQ(trimmed != 0, c.trimmed);
        EXPECT_STREQ(ours.c_str(), system.c_str());
        EXPECT_EQ(trimmed != 0, system_trimmed != FALSE);
    }

    char text[] = "  COM3  ";
    EXPECT_EQ(string_trim_(text, nullptr), 0);
    EXPECT_STREQ(text, "  COM3  ");
    EXPECT_EQ(string_trim_(nullptr, " "), 0);
}

} // namespace
