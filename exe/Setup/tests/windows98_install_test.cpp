#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "driver_install.h"
#include "fake_setup_system.h"
#include "service_registration.h"

namespace kav::setup {
namespace {

using ::testing::ElementsAre;
using testing::FakeSetupSystem;

// Windows 98 reports 4.10 and names its system folder SYSTEM.
FakeSetupSystem windows98()
{
    FakeSetupSystem system;
    system.major = 4;
    system.minor = 10;
    system.system_dir = "C:\\WINDOWS\\SYSTEM";
    return system;
}

const std::string kTarget98 = "C:\\WINDOWS\\SYSTEM32\\drivers\\KAV_cash.sys";

TEST(Windows98Install, CopiesIntoSystem32RegistersTheServiceAndRestartsAfterEnter)
{
    FakeSetupSystem system = windows98();
    run_install(system);

    EXPECT_THAT(system.calls,
                ElementsAre("GetVersionEx", "GetSystemDirectory 260", "GetModuleFileName 260",
                            "print Install KAV_cash.sys Driver\n",
                            "CreateFile c:\\log", "IsWow64", "FindFirstFile D:\\media\\sys\\KAV_cash.sys",
                            "FindClose D:\\media\\sys\\KAV_cash.sys", "FindFirstFile " + kTarget98,
                            "CopyFile D:\\media\\sys\\KAV_cash.sys -> " + kTarget98 + " overwrite",
                            "SetFileAttributes normal " + kTarget98,
                            "RegCreateKey HKLM\\SYSTEM\\CurrentControlSet\\Services\\KAV", "RegSetValue ErrorControl",
                            "RegSetValue ImagePath", "RegSetValue Start", "RegSetValue Type", "RegCloseKey",
                            "print Install Application\n", "FindFirstFile D:\\media\\GUI\\setup.exe",
                            "FindClose D:\\media\\GUI\\setup.exe", "CreateProcess D:\\media\\GUI\\setup.exe | (none)",
                            "print Please press enter to restart after successful installation\n", "wait for key",
                            "GetWindowsDirectory 260",
                            "CreateProcess (none) | C:\\WINDOWS\\rundll user,exitwindowsexec", "CloseHandle log"));
    EXPECT_EQ(system.registry.at("ErrorControl"), "dword:1");
    EXPECT_EQ(system.registry.at("ImagePath"), "text:\\SystemRoot\\system32\\drivers\\KAV_cash.sys");
    EXPECT_EQ(system.registry.at("Start"), "dword:1");
    EXPECT_EQ(system.registry.at("Type"), "dword:1");
    EXPECT_EQ(system.log, std::string("Install Finished\n", 18));
}

TEST(Windows98Install, OnlyFourTenTakesTheWindows98Branch)
{
    for (const auto& [major, minor] : {std::pair{4u, 0u}, {4u, 90u}, {5u, 0u}, {6u, 1u}, {10u, 0u}}) {
        FakeSetupSystem system;
        system.major = major;
        system.minor = minor;
        run_install(system);
        EXPECT_EQ(system.console, "Install KAV_cash.sys Driver\nInstall Application\n") << major << "." << minor;
        EXPECT_EQ(system.keys_read, 0);
        EXPECT_TRUE(system.registry.empty());
    }
}

TEST(Windows98Install, WindowsDirectoryThatDoesNotFitRunsNoRestartCommand)
{
    FakeSetupSystem system = windows98();
    system.windows_dir = "C:\\" + std::string(300, 'w');
    run_install(system);
    EXPECT_EQ(system.calls.at(system.calls.size() - 2), "GetWindowsDirectory 260");
    EXPECT_EQ(system.calls.back(), "CloseHandle log");
    EXPECT_EQ(system.log, std::string("Install Finished\n", 18));
}

TEST(ServiceRegistration, EachFailureIsReportedAndSkipsTheRemainingValues)
{
    const struct {
        const char* failing_value;
        const char* message;
        size_t values_tried;
    } cases[] = {
        {"ErrorControl", "Register Value Fail for ErrorControl\n", 1},
        {"ImagePath", "Register Value Fail for ImagePath\n", 2},
        {"Start", "Register Value Fail for Start\n", 3},
        {"Type", "Register Value Fail for Type\n", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing_value);
        FakeSetupSystem system = windows98();
        system.failing_value = c.failing_value;
        ASSERT_TRUE(system.create_log("c:\\log"));
        system.calls.clear();

        EXPECT_FALSE(register_driver_service(system));
        ASSERT_EQ(system.calls.size(), 1 + c.values_tried + 2);
        EXPECT_EQ(system.calls.at(c.values_tried), std::string("RegSetValue ") + c.failing_value);
        EXPECT_EQ(system.calls.at(c.values_tried + 1), std::string("print ") + c.message);
        EXPECT_EQ(system.calls.back(), "RegCloseKey");
        EXPECT_EQ(system.log, std::string(c.message) + '\0');
    }
}

TEST(ServiceRegistration, KeyThatCannotBeCreatedIsReportedAndNotClosed)
{
    FakeSetupSystem system = windows98();
    system.key_opens = false;
    ASSERT_TRUE(system.create_log("c:\\log"));
    system.calls.clear();

    EXPECT_FALSE(register_driver_service(system));
    EXPECT_THAT(system.calls, ElementsAre("RegCreateKey HKLM\\SYSTEM\\CurrentControlSet\\Services\\KAV",
                                          "print Register Create key Fail\n"));
    EXPECT_EQ(system.log, std::string("Register Create key Fail\n", 26));
}

TEST(Windows98Install, FailedRegistrationIsLoggedAndTheInstallGoesOn)
{
    FakeSetupSystem system = windows98();
    system.key_opens = false;
    run_install(system);
    EXPECT_EQ(system.console,
              "Install KAV_cash.sys Driver\nRegister Create key Fail\nInstall Application\n"
              "Please press enter to restart after successful installation\n");
    EXPECT_EQ(system.log, std::string("Register Create key Fail\n\0Install Finished\n\0", 44));
}

} // namespace
} // namespace kav::setup
