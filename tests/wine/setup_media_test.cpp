// setup.exe from the media the build makes: run in a copy of that media with
// the recording stand-in as GUI\setup.exe, its console read and fed an Enter,
// then the driver directory, "c:\log" and the registry looked at.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>

#include "wine_test_support.h"

namespace {

using kavwine::Handle;

const std::string kLogPath = "c:\\log";

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out);
}

bool exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string system_directory()
{
    char buffer[MAX_PATH] = {};
    GetSystemDirectoryA(buffer, MAX_PATH);
    return buffer;
}

std::string built_media()
{
    const char* media = getenv("KAV_SETUP_MEDIA");
    return media ? media : "";
}

// Log lines as the installer writes them: each with its zero byte.
std::string logged(std::initializer_list<const char*> lines)
{
    std::string bytes;
    for (const char* line : lines) bytes.append(line, strlen(line) + 1);
    return bytes;
}

struct SetupRun {
    bool finished = false;
    bool told = false;             // its console showed the line it was expected to end with
    bool waited_for_enter = false; // and it was still running a second later, before any input
    std::string console;           // CR LF read as LF
    DWORD exit_code = 0xDEAD;
};

// The console is written in text mode: each line ends in CR LF.
void append_console(std::string& console, const char* bytes, DWORD count)
{
    for (DWORD i = 0; i < count; ++i) {
        if (bytes[i] == '\n' && !console.empty() && console.back() == '\r') console.pop_back();
        console += bytes[i];
    }
}

// Appends what the pipe holds now, without waiting for more.
void read_available(HANDLE pipe, std::string& console)
{
    char chunk[512];
    DWORD ready = 0, got = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &ready, nullptr) && ready > 0 &&
           ReadFile(pipe, chunk, ready < sizeof chunk ? ready : sizeof chunk, &got, nullptr) && got > 0)
        append_console(console, chunk, got);
}

class SetupMediaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(built_media().empty()) << "KAV_SETUP_MEDIA names no media folder";
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        media_ = std::string("C:\\media_") + info->name();
        target_ = system_directory() + "\\drivers\\KAV_cash.sys";
        ASSERT_TRUE(CreateDirectoryA(media_.c_str(), nullptr));
        ASSERT_TRUE(CopyFileA((built_media() + "\\setup.exe").c_str(), (media_ + "\\setup.exe").c_str(), FALSE));
        ASSERT_TRUE(CreateDirectoryA((media_ + "\\GUI").c_str(), nullptr));
        const std::string stand_in = kavwine::beside_this_program("setup_stand_in.exe");
        ASSERT_TRUE(CopyFileA(stand_in.c_str(), (media_ + "\\GUI\\setup.exe").c_str(), FALSE)) << stand_in;
        // The harness installed a driver; a fresh install starts without one.
        SetFileAttributesA(target_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(target_.c_str());
    }

    void add_driver()
    {
        ASSERT_TRUE(CreateDirectoryA((media_ + "\\sys").c_str(), nullptr));
        ASSERT_TRUE(CopyFileA((built_media() + "\\sys\\KAV_cash.sys").c_str(), (media_ + "\\sys\\KAV_cash.sys").c_str(),
                              FALSE));
    }

    // Runs setup.exe in the media folder. Its console is read until it shows
    // last_line; whether it then waits for Enter is whether it is still
    // running a second later (a slow start cannot pass for waiting). Enter
    // is typed only then. It runs by its full path with the working
    // directory given (the media folder when none is).
    SetupRun run_setup(const std::string& last_line, const std::string& working_directory = "")
    {
        SetupRun run;
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE in_read = nullptr, in_write = nullptr, out_read = nullptr, out_write = nullptr;
        if (!CreatePipe(&in_read, &in_write, &inherit, 0) || !CreatePipe(&out_read, &out_write, &inherit, 0)) {
            ADD_FAILURE() << "no pipes";
            return run;
        }
        Handle input_end(in_write), output_end(out_read);
        SetHandleInformation(in_write, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in_read;
        startup.hStdOutput = out_write;
        startup.hStdError = out_write;
        PROCESS_INFORMATION process = {};
        std::string program = media_ + "\\setup.exe";
        const std::string directory = working_directory.empty() ? media_ : working_directory;
        BOOL started = CreateProcessA(program.c_str(), nullptr, nullptr, nullptr, TRUE, 0, nullptr, directory.c_str(),
                                      &startup, &process);
        CloseHandle(in_read);
        CloseHandle(out_write);
        if (!started) {
            ADD_FAILURE() << "setup.exe did not start: " << GetLastError();
            return run;
        }
        Handle process_handle(process.hProcess), thread(process.hThread);
        run.told = kavwine::wait_until(
            [&] {
                read_available(out_read, run.console);
                return run.console.find(last_line) != std::string::npos;
            },
            30000);
        run.waited_for_enter = run.told && WaitForSingleObject(process.hProcess, 1000) == WAIT_TIMEOUT;
        DWORD written = 0;
        WriteFile(in_write, "\n", 1, &written, nullptr);
        input_end.close();
        run.finished = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
        GetExitCodeProcess(process.hProcess, &run.exit_code);
        // The rest, up to the end of every writer.
        char chunk[512];
        DWORD got = 0;
        while (ReadFile(out_read, chunk, sizeof chunk, &got, nullptr) && got > 0)
            append_console(run.console, chunk, got);
        if (!run.told) ADD_FAILURE() << "setup.exe never wrote \"" << last_line << "\"; it wrote:\n" << run.console;
        return run;
    }

    // The stand-in's record, once it has run.
    std::string stand_in_record()
    {
        const std::string record = media_ + "\\GUI\\ran.txt";
        kavwine::wait_until([&] { return exists(record) && !read_file(record).empty(); });
        return read_file(record);
    }

    std::string media_;
    std::string target_;
};

TEST_F(SetupMediaTest, FreshInstallPutsTheDriverInPlaceStartsTheUtilitySetupAndLogsTheEnd)
{
    add_driver();
    ASSERT_TRUE(write_file(kLogPath, std::string(100, 'x'))); // a longer, older log

    const SetupRun run = run_setup("Install Application\n");
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.waited_for_enter) << "no key is asked for on this system";
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_EQ(run.console, "Install KAV_cash.sys Driver\nInstall Application\n");
    EXPECT_EQ(read_file(target_), read_file(media_ + "\\sys\\KAV_cash.sys")) << target_;
    EXPECT_EQ(GetFileAttributesA(target_.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(read_file(kLogPath), logged({"Install Finished\n"}));
    // Started by name alone, with no command line of its own.
    EXPECT_EQ(stand_in_record().substr(0, 12), "arguments=0\n") << stand_in_record();
}

TEST_F(SetupMediaTest, ReadOnlyTargetIsReplaced)
{
    add_driver();
    ASSERT_TRUE(write_file(target_, "an older driver"));
    ASSERT_TRUE(SetFileAttributesA(target_.c_str(), FILE_ATTRIBUTE_READONLY));

    const SetupRun run = run_setup("Install Application\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.console, "Install KAV_cash.sys Driver\nInstall Application\n");
    EXPECT_EQ(read_file(target_), read_file(media_ + "\\sys\\KAV_cash.sys"));
    EXPECT_EQ(GetFileAttributesA(target_.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(read_file(kLogPath), logged({"Install Finished\n"}));
}

TEST_F(SetupMediaTest, WithoutSysFolderReportsLogsAndWaitsForEnterThenASecondRunReplacesTheLog)
{
    SetupRun run = run_setup("No KAV_cash.sys Found\n");
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.waited_for_enter) << "it ended before Enter was typed";
    EXPECT_EQ(run.exit_code, 1u) << "a deployment script can tell";
    EXPECT_EQ(run.console, "Install KAV_cash.sys Driver\nNo KAV_cash.sys Found\n");
    EXPECT_EQ(read_file(kLogPath), logged({"No KAV_cash.sys Found\n"}));
    EXPECT_FALSE(exists(target_));
    EXPECT_FALSE(exists(media_ + "\\GUI\\ran.txt")) << "the utility's installer ran after a failure";

    add_driver();
    run = run_setup("Install Application\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(read_file(kLogPath), logged({"Install Finished\n"}));
}

// Started by its full path from another folder, which has a driver and a
// setup program of its own: setup.exe installs and starts its media's.
TEST_F(SetupMediaTest, TheMediaIsTheFolderSetupIsInNotTheWorkingDirectory)
{
    add_driver();
    const std::string elsewhere = media_ + "_elsewhere";
    ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((elsewhere + "\\sys").c_str(), nullptr));
    ASSERT_TRUE(write_file(elsewhere + "\\sys\\KAV_cash.sys", "not the media's driver"));
    ASSERT_TRUE(CreateDirectoryA((elsewhere + "\\GUI").c_str(), nullptr));
    ASSERT_TRUE(CopyFileA((media_ + "\\GUI\\setup.exe").c_str(), (elsewhere + "\\GUI\\setup.exe").c_str(), FALSE));

    const SetupRun run = run_setup("Install Application\n", elsewhere);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0u);
    EXPECT_EQ(run.console, "Install KAV_cash.sys Driver\nInstall Application\n");
    EXPECT_EQ(read_file(target_), read_file(media_ + "\\sys\\KAV_cash.sys")) << "the media's driver";
    EXPECT_EQ(stand_in_record().substr(0, 12), "arguments=0\n") << "the media's GUI\\setup.exe started";
    EXPECT_FALSE(exists(elsewhere + "\\GUI\\ran.txt")) << "the working directory's setup program ran";
}

// A GUI\setup.exe that does not start is no setup program: reported,
// logged, and the run ends in failure instead of "Install Finished".
TEST_F(SetupMediaTest, AUtilitySetupThatDoesNotStartIsReportedAsMissing)
{
    add_driver();
    const std::string utility_setup = media_ + "\\GUI\\setup.exe";
    const struct {
        const char* name;
        bool folder;
        std::string bytes;
    } cases[] = {{"a folder", true, ""}, {"an empty file", false, ""}, {"a broken file", false, "MZ and no more"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(utility_setup.c_str());
        RemoveDirectoryA(utility_setup.c_str());
        if (c.folder) {
            ASSERT_TRUE(CreateDirectoryA(utility_setup.c_str(), nullptr));
        } else {
            ASSERT_TRUE(write_file(utility_setup, c.bytes));
        }
        const SetupRun run = run_setup("No Setup.exe Found\n");
        ASSERT_TRUE(run.finished);
        EXPECT_TRUE(run.waited_for_enter) << "the failure waits for Enter";
        EXPECT_EQ(run.exit_code, 1u);
        EXPECT_EQ(run.console, "Install KAV_cash.sys Driver\nInstall Application\nNo Setup.exe Found\n");
        EXPECT_EQ(read_file(kLogPath), logged({"No Setup.exe Found\n"}));
    }
}

TEST_F(SetupMediaTest, Windows98RegistersTheServiceAndAsksToRestart)
{
    add_driver();
    HKEY app = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\setup.exe", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &app, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(app, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6), ERROR_SUCCESS);
    RegCloseKey(app);
    // Windows 98 keeps its drivers in SYSTEM32 beside its SYSTEM folder; under
    // Wine the system folder stays system32, so they go to "system3232".
    kavwine::known_wine_difference("Windows 98's system folder is system32 under Wine: drivers go to system3232");
    const std::string drivers98 = system_directory() + "32\\drivers";
    CreateDirectoryA((system_directory() + "32").c_str(), nullptr);
    CreateDirectoryA(drivers98.c_str(), nullptr);

    const SetupRun run = run_setup("Please press enter to restart after successful installation\n");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\setup.exe");
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.waited_for_enter) << "it ended before Enter was typed";
    EXPECT_EQ(run.console, "Install KAV_cash.sys Driver\nInstall Application\n"
                           "Please press enter to restart after successful installation\n");
    EXPECT_EQ(read_file(drivers98 + "\\KAV_cash.sys"), read_file(media_ + "\\sys\\KAV_cash.sys"));
    EXPECT_EQ(read_file(kLogPath), logged({"Install Finished\n"}));
    EXPECT_EQ(stand_in_record().substr(0, 12), "arguments=0\n");

    HKEY service = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\KAV", 0, KEY_READ, &service),
              ERROR_SUCCESS);
    const struct {
        const char* name;
        DWORD value;
    } numbers[] = {{"ErrorControl", 1}, {"Start", 1}, {"Type", 1}};
    for (const auto& number : numbers) {
        DWORD value = 0, size = sizeof value, type = 0;
        EXPECT_EQ(RegQueryValueExA(service, number.name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
                  ERROR_SUCCESS)
            << number.name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << number.name;
        EXPECT_EQ(value, number.value) << number.name;
    }
    char image[MAX_PATH] = {};
    DWORD size = sizeof image, type = 0;
    EXPECT_EQ(RegQueryValueExA(service, "ImagePath", nullptr, &type, reinterpret_cast<BYTE*>(image), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(image, "\\SystemRoot\\system32\\drivers\\KAV_cash.sys");
    RegCloseKey(service);
    // A boot-start entry for this prefix's next start is nothing to leave behind.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\KAV");
}

} // namespace
