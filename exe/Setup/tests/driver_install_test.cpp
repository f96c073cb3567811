#include "driver_install.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "fake_setup_system.h"

namespace kav::setup {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FakeSetupSystem;

const std::string kTarget = "C:\\WINDOWS\\system32\\drivers\\KAV_cash.sys";

// The log as lines: each one a message and its zero byte.
std::string logged(std::initializer_list<const char*> lines)
{
    std::string bytes;
    for (const char* line : lines) bytes.append(line, std::char_traits<char>::length(line) + 1);
    return bytes;
}

TEST(DriverInstall, FreshInstallCopiesTheDriverStartsTheUtilitySetupAndLogsTheEnd)
{
    FakeSetupSystem system;
    run_install(system);

    EXPECT_THAT(system.calls,
                ElementsAre("GetVersionEx", "GetSystemDirectory 260", "print Install KAV_cash.sys Driver\n",
                            "CreateFile c:\\log", "IsWow64", "FindFirstFile .\\sys\\KAV_cash.sys",
                            "FindClose .\\sys\\KAV_cash.sys", "FindFirstFile " + kTarget,
                            "CopyFile .\\sys\\KAV_cash.sys -> " + kTarget + " overwrite",
                            "SetFileAttributes normal " + kTarget, "print Install Application\n",
                            "FindFirstFile .\\GUI\\setup.exe", "FindClose .\\GUI\\setup.exe",
                            "CreateProcess .\\GUI\\setup.exe | (none)", "CloseHandle log"));
    EXPECT_EQ(system.console, "Install KAV_cash.sys Driver\nInstall Application\n");
    EXPECT_EQ(system.log, logged({"Install Finished\n"}));
    EXPECT_EQ(system.keys_read, 0);
    EXPECT_EQ(system.files.count(kTarget), 1u);
}

TEST(DriverInstall, ReadOnlyTargetIsMadeNormalBeforeAndAfterTheCopy)
{
    FakeSetupSystem system;
    system.files.insert(kTarget);
    system.read_only.insert(kTarget);
    run_install(system);

    const std::string expected[] = {
        "FindFirstFile " + kTarget,
        "FindClose " + kTarget,
        "SetFileAttributes normal " + kTarget,
        "CopyFile .\\sys\\KAV_cash.sys -> " + kTarget + " overwrite",
        "SetFileAttributes normal " + kTarget,
        "print Install Application\n",
    };
    EXPECT_THAT(std::vector<std::string>(system.calls.begin() + 7, system.calls.begin() + 13),
                ElementsAreArray(expected));
    EXPECT_EQ(system.read_only.count(kTarget), 0u);
    EXPECT_EQ(system.log, logged({"Install Finished\n"}));
}

TEST(DriverInstall, LogThatDoesNotOpenEndsAfterEnterWithNothingCopied)
{
    FakeSetupSystem system;
    system.log_opens = false;
    run_install(system);

    EXPECT_THAT(system.calls, ElementsAre("GetVersionEx", "GetSystemDirectory 260",
                                          "print Install KAV_cash.sys Driver\n", "CreateFile c:\\log",
                                          "print Create File Fail\n", "wait for key"));
}

// Each failing step: its message on the console and in the log (with its
// zero), the log closed, one key waited for, and nothing done after it.
struct FailureCase {
    const char* name;
    void (*arrange)(FakeSetupSystem&);
    const char* message;
    const char* last_call_before_report;
    bool driver_copied;
};

TEST(DriverInstall, EachFailureIsShownLoggedAndWaitsForEnter)
{
    const FailureCase cases[] = {
        {"no sys folder", [](FakeSetupSystem& s) { s.files.erase(".\\sys\\KAV_cash.sys"); },
         "No KAV_cash.sys Found\n", "FindFirstFile .\\sys\\KAV_cash.sys", false},
        {"driver search does not close", [](FakeSetupSystem& s) { s.failing_close.insert(".\\sys\\KAV_cash.sys"); },
         "Couldn't close search handle 1\n", "FindClose .\\sys\\KAV_cash.sys", false},
        {"copy fails", [](FakeSetupSystem& s) { s.failing_copy.insert(kTarget); }, "Copy File Fail\n",
         "CopyFile .\\sys\\KAV_cash.sys -> C:\\WINDOWS\\system32\\drivers\\KAV_cash.sys overwrite", false},
        {"attributes after a fresh copy", [](FakeSetupSystem& s) { s.failing_attributes_call = 1; },
         "Set File Attributes Fail\n", "SetFileAttributes normal C:\\WINDOWS\\system32\\drivers\\KAV_cash.sys",
         true},
        {"attributes before replacing",
         [](FakeSetupSystem& s) {
             s.files.insert(kTarget);
             s.read_only.insert(kTarget);
             s.failing_attributes_call = 1;
         },
         "Set File Attributes Fail\n", "SetFileAttributes normal C:\\WINDOWS\\system32\\drivers\\KAV_cash.sys",
         true /* the old copy stays */},
        {"attributes after replacing",
         [](FakeSetupSystem& s) {
             s.files.insert(kTarget);
             s.failing_attributes_call = 2;
         },
         "Set File Attributes Fail\n", "SetFileAttributes normal C:\\WINDOWS\\system32\\drivers\\KAV_cash.sys",
         true},
        {"no GUI setup", [](FakeSetupSystem& s) { s.files.erase(".\\GUI\\setup.exe"); }, "No Setup.exe Found\n",
         "FindFirstFile .\\GUI\\setup.exe", true},
        {"GUI setup search does not close", [](FakeSetupSystem& s) { s.failing_close.insert(".\\GUI\\setup.exe"); },
         "Couldn't close search handle 4\n", "FindClose .\\GUI\\setup.exe", true},
        {"32-bit media on 64-bit Windows", [](FakeSetupSystem& s) { s.wow64 = true; },
         "Use the 64-bit installation media\n", "IsWow64", false},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSetupSystem system;
        c.arrange(system);
        run_install(system);

        ASSERT_GE(system.calls.size(), 4u);
        const std::vector<std::string> tail(system.calls.end() - 4, system.calls.end());
        EXPECT_THAT(tail, ElementsAre(c.last_call_before_report, std::string("print ") + c.message, "CloseHandle log",
                                      "wait for key"));
        EXPECT_EQ(system.log, logged({c.message}));
        EXPECT_EQ(system.keys_read, 1);
        EXPECT_EQ(system.files.count(kTarget) == 1, c.driver_copied);
        for (const std::string& call : system.calls) EXPECT_EQ(call.rfind("CreateProcess", 0), std::string::npos);
    }
}

TEST(DriverInstall, SystemDirectoryThatDoesNotFitIsNeverUsed)
{
    const struct {
        const char* name;
        std::string system_dir;
    } cases[] = {
        {"longer than the buffer", "C:\\" + std::string(300, 'w')},
        {"exactly the buffer without room for the zero", "C:\\" + std::string(257, 'w')},
        {"fits, but the driver's path would not", "C:\\" + std::string(240, 'w')},
        {"the system gives none", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSetupSystem system;
        system.system_dir = c.system_dir;
        run_install(system);

        EXPECT_EQ(system.console, "Install KAV_cash.sys Driver\nCopy File Fail\n");
        EXPECT_EQ(system.log, logged({"Copy File Fail\n"}));
        EXPECT_EQ(system.keys_read, 1);
        for (const std::string& call : system.calls) {
            EXPECT_EQ(call.rfind("CopyFile", 0), std::string::npos) << call;
            EXPECT_EQ(call.rfind("SetFileAttributes", 0), std::string::npos) << call;
        }
    }
}

TEST(DriverInstall, LongestSystemDirectoryThatFitsIsUsed)
{
    FakeSetupSystem system;
    // 259 characters in all with "\drivers\KAV_cash.sys": one below MAX_PATH.
    system.system_dir = "C:\\" + std::string(259 - 3 - 21, 'w');
    run_install(system);
    EXPECT_EQ(system.log, logged({"Install Finished\n"}));
    EXPECT_EQ(system.files.count(system.system_dir + "\\drivers\\KAV_cash.sys"), 1u);
}

TEST(DriverInstall, SecondRunStartsAFreshLog)
{
    FakeSetupSystem system;
    system.files.erase(".\\GUI\\setup.exe");
    run_install(system);
    system.files.insert(".\\GUI\\setup.exe");
    run_install(system);
    EXPECT_EQ(system.log, logged({"Install Finished\n"}));
}

} // namespace
} // namespace kav::setup
