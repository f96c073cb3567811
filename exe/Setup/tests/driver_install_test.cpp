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
    EXPECT_EQ(run_install(system), kInstallFinished);

    EXPECT_THAT(system.calls,
                ElementsAre("GetVersionEx", "GetSystemDirectory 260", "GetModuleFileName 260",
                            "print Install KAV_cash.sys Driver\n",
                            "CreateFile c:\\log", "IsWow64", "FindFirstFile D:\\media\\sys\\KAV_cash.sys",
                            "FindClose D:\\media\\sys\\KAV_cash.sys", "FindFirstFile " + kTarget,
                            "CopyFile D:\\media\\sys\\KAV_cash.sys -> " + kTarget + " overwrite",
                            "SetFileAttributes normal " + kTarget, "print Install Application\n",
                            "FindFirstFile D:\\media\\GUI\\setup.exe", "FindClose D:\\media\\GUI\\setup.exe",
                            "CreateProcess D:\\media\\GUI\\setup.exe | (none)", "CloseHandle log"));
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
        "CopyFile D:\\media\\sys\\KAV_cash.sys -> " + kTarget + " overwrite",
        "SetFileAttributes normal " + kTarget,
        "print Install Application\n",
    };
    EXPECT_THAT(std::vector<std::string>(system.calls.begin() + 8, system.calls.begin() + 14),
                ElementsAreArray(expected));
    EXPECT_EQ(system.read_only.count(kTarget), 0u);
    EXPECT_EQ(system.log, logged({"Install Finished\n"}));
}

TEST(DriverInstall, LogThatDoesNotOpenEndsAfterEnterWithNothingCopied)
{
    FakeSetupSystem system;
    system.log_opens = false;

    EXPECT_EQ(run_install(system), kInstallFailed);
    EXPECT_THAT(system.calls, ElementsAre("GetVersionEx", "GetSystemDirectory 260", "GetModuleFileName 260",
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
        {"no sys folder", [](FakeSetupSystem& s) { s.files.erase("D:\\media\\sys\\KAV_cash.sys"); },
         "No KAV_cash.sys Found\n", "FindFirstFile D:\\media\\sys\\KAV_cash.sys", false},
        {"driver search does not close", [](FakeSetupSystem& s) { s.failing_close.insert("D:\\media\\sys\\KAV_cash.sys"); },
         "Couldn't close search handle 1\n", "FindClose D:\\media\\sys\\KAV_cash.sys", false},
        {"copy fails", [](FakeSetupSystem& s) { s.failing_copy.insert(kTarget); }, "Copy File Fail\n",
         "CopyFile D:\\media\\sys\\KAV_cash.sys -> C:\\WINDOWS\\system32\\drivers\\KAV_cash.sys overwrite", false},
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
        {"no GUI setup", [](FakeSetupSystem& s) { s.files.erase("D:\\media\\GUI\\setup.exe"); }, "No Setup.exe Found\n",
         "FindFirstFile D:\\media\\GUI\\setup.exe", true},
        {"GUI setup search does not close", [](FakeSetupSystem& s) { s.failing_close.insert("D:\\media\\GUI\\setup.exe"); },
         "Couldn't close search handle 4\n", "FindClose D:\\media\\GUI\\setup.exe", true},
        {"32-bit media on 64-bit Windows", [](FakeSetupSystem& s) { s.wow64 = true; },
         "Use the 64-bit installation media\n", "IsWow64", false},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSetupSystem system;
        c.arrange(system);
        EXPECT_EQ(run_install(system), kInstallFailed) << "a deployment script can tell";

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

// Found but not startable (a folder, an empty or broken file): reported as
// none, and no "Install Finished".
TEST(DriverInstall, AUtilitySetupThatDoesNotStartIsReportedAsNone)
{
    FakeSetupSystem system;
    system.unstartable.insert("D:\\media\\GUI\\setup.exe");
    EXPECT_EQ(run_install(system), kInstallFailed);
    const std::vector<std::string> tail(system.calls.end() - 4, system.calls.end());
    EXPECT_THAT(tail, ElementsAre("CreateProcess D:\\media\\GUI\\setup.exe | (none)", "print No Setup.exe Found\n",
                                  "CloseHandle log", "wait for key"));
    EXPECT_EQ(system.log, logged({"No Setup.exe Found\n"})) << "and no Install Finished";
    EXPECT_EQ(system.files.count(kTarget), 1u) << "the driver copied stays";
}

// The media is the folder setup.exe is in, wherever the run was started
// from; without a usable path of its own it finds no media at all, and
// never looks in the working directory.
TEST(DriverInstall, TheMediaIsTheFolderSetupIsIn)
{
    struct RootCase {
        const char* name;
        std::string program; // "": the system gives no path
        std::string driver;  // "": there is no media
    };
    const RootCase cases[] = {
        {"a drive's root", "E:\\setup.exe", "E:\\sys\\KAV_cash.sys"},
        {"a folder with blanks", "C:\\Users\\tech\\KAV media\\setup.exe",
         "C:\\Users\\tech\\KAV media\\sys\\KAV_cash.sys"},
        {"a network share", "\\\\server\\kav\\setup.exe", "\\\\server\\kav\\sys\\KAV_cash.sys"},
        {"the system gives no path", "", ""},
        {"a path cut to fit", "C:\\" + std::string(300, 'm') + "\\setup.exe", ""},
        {"a path with no folder", "setup.exe", ""},
    };
    for (const RootCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSetupSystem system;
        system.program = c.program;
        if (!c.driver.empty()) {
            system.files = {c.driver, c.driver.substr(0, c.driver.size() - 16) + "GUI\\setup.exe"};
            EXPECT_EQ(run_install(system), kInstallFinished);
            EXPECT_THAT(system.calls, ::testing::Contains("FindFirstFile " + c.driver));
            EXPECT_EQ(system.files.count(kTarget), 1u);
        } else {
            EXPECT_EQ(run_install(system), kInstallFailed);
            EXPECT_EQ(system.console, "Install KAV_cash.sys Driver\nNo KAV_cash.sys Found\n");
            for (const std::string& call : system.calls) EXPECT_EQ(call.rfind("FindFirstFile", 0), std::string::npos);
        }
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
    system.files.erase("D:\\media\\GUI\\setup.exe");
    run_install(system);
    system.files.insert("D:\\media\\GUI\\setup.exe");
    run_install(system);
    EXPECT_EQ(system.log, logged({"Install Finished\n"}));
}

} // namespace
} // namespace kav::setup
