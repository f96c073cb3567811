// tillio.dll's command channel under Wine, loaded by name from the system
// directory as the utility loads it, against the driver's simulated terminal:
// every board's drawers 1 and 2 spring open on their open commands, the status
// exports report them open, and after the simulated close time closed again.
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <string>
#include <thread>

namespace {

using kavwine::has_line;
using kavwine::kDevicePath;
using kavwine::TraceLog;
using Clock = std::chrono::steady_clock;

using ChannelFn = int(__stdcall*)(const char* devicePath, int command);

// The simulated terminal closes a drawer this long after it sprang open.
constexpr auto kCloseAfter = std::chrono::seconds(3);
constexpr auto kCloseMargin = std::chrono::seconds(1);
constexpr int kThinClientBase = 0x280;
constexpr int kVolx8623Base = 0x200;

const char* const kStatusExports[] = {
    "PortwellGetCashDrawerStatus",   "Bastra8613GetCashDrawerStatus", "AdvantechGetCashDrawerStatus",
    "Bastra9613GetCashDrawerStatus", "ThinClientGetCashDrawerStatus", "IEIGetCashDrawerStatus",
};

// The library as the utility binds it: by name, from the system directory.
class Tillio {
public:
    Tillio() : module_(LoadLibraryA("tillio.dll")) {}
    ~Tillio()
    {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    Tillio(const Tillio&) = delete;
    Tillio& operator=(const Tillio&) = delete;

    HMODULE module() const { return module_; }
    ChannelFn fn(const char* name) const { return module_ ? kavwine::export_of<ChannelFn>(module_, name) : nullptr; }

private:
    HMODULE module_;
};

class TillioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(lib_.module(), nullptr) << "LoadLibrary(tillio.dll), error " << GetLastError();
        device_control_ = lib_.fn("DeviceControl");
        ASSERT_NE(device_control_, nullptr) << "export DeviceControl";
    }
    ChannelFn status_fn(const char* name)
    {
        ChannelFn f = lib_.fn(name);
        EXPECT_NE(f, nullptr) << "export " << name;
        return f;
    }

    Tillio lib_;
    ChannelFn device_control_ = nullptr;
};

TEST_F(TillioTest, LoadsFromTheSystemDirectoryWithEveryChannelExport)
{
    char module_path[MAX_PATH] = {};
    char system_dir[MAX_PATH] = {};
    ASSERT_NE(GetModuleFileNameA(lib_.module(), module_path, MAX_PATH), 0u) << "module path";
    ASSERT_NE(GetSystemDirectoryA(system_dir, MAX_PATH), 0u) << "system directory";
    EXPECT_EQ(lstrcmpiA(module_path, (std::string(system_dir) + "\\tillio.dll").c_str()), 0)
        << "loaded from " << module_path;
    for (const char* name : kStatusExports) {
        EXPECT_NE(lib_.fn(name), nullptr) << "export " << name;
    }
}

struct BoardDrawer {
    const char* board;
    int open1, open2; // drawer 1's and drawer 2's open command
    const char* status_export;
    int status;
    int twin_status; // drawer 2's status command: the board's one sensor
    const char* port; // where the simulated terminal sees the pulse
};

const BoardDrawer kDrawers[] = {
    {"VOLX-9623", 10, 24, "PortwellGetCashDrawerStatus", 11, 25, "0x2f"},
    {"VOLX-8613", 12, 14, "Bastra8613GetCashDrawerStatus", 13, 15, "0x408"},
    {"VOLX-9842", 26, 28, "AdvantechGetCashDrawerStatus", 27, 29, "0x240"},
    {"VOLX-9613", 30, 32, "Bastra9613GetCashDrawerStatus", 31, 33, "0x201"},
    {"thin client at 0x280", kThinClientBase + 16, kThinClientBase + 18, "ThinClientGetCashDrawerStatus",
     kThinClientBase + 17, kThinClientBase + 19, "0x280"},
    {"VOLX-8623 at 0x200", kVolx8623Base + 20, kVolx8623Base + 22, "IEIGetCashDrawerStatus", kVolx8623Base + 21,
     kVolx8623Base + 23, "0x200"},
};

// Per drawer number, all boards open first and share one wait for the close
// time, which keeps the run short. Both drawers of a board share one sensor,
// so the trace tells which drawer the pulse moved.
class EveryBoard : public TillioTest, public ::testing::WithParamInterface<int> {};

TEST_P(EveryBoard, DrawerOpensAndClosesAgain)
{
    const int drawer = GetParam();
    for (const BoardDrawer& d : kDrawers) {
        ChannelFn status = status_fn(d.status_export);
        ASSERT_NE(status, nullptr);
        EXPECT_EQ(status(kDevicePath, d.status), 0) << d.board << ": drawer closed before the pulse";
    }

    TraceLog trace;
    ASSERT_TRUE(trace.available()) << "KAV_WINE_TRACE_LOG is not set: run under the Wine harness";
    size_t mark = trace.mark();
    Clock::time_point last_open{};
    for (const BoardDrawer& d : kDrawers) {
        const int open = drawer == 1 ? d.open1 : d.open2;
        EXPECT_EQ(device_control_(kDevicePath, open), 0) << d.board << ": DeviceControl(" << open << ")";
        last_open = Clock::now();
    }
    std::string lines = trace.since(mark);
    EXPECT_TRUE(has_line(lines, "enter DRVSHELL_Dispatch")) << "the opens reached the driver:\n" << lines;
    for (const BoardDrawer& d : kDrawers) {
        const std::string moved = "drawer " + std::to_string(drawer) + " opened (port " + d.port + ")";
        EXPECT_NE(lines.find(moved), std::string::npos) << d.board << ": no \"" << moved << "\" in\n" << lines;
    }

    for (const BoardDrawer& d : kDrawers) {
        ChannelFn status = status_fn(d.status_export);
        EXPECT_EQ(status(kDevicePath, d.status), 1) << d.board << ": " << d.status_export << "(" << d.status
                                                    << ") after the pulse";
        EXPECT_EQ(status(kDevicePath, d.twin_status), 1) << d.board << ": " << d.status_export << "("
                                                         << d.twin_status << ") reads the same sensor";
    }

    // Polled up to the close time and its margin: the case goes on as soon
    // as every drawer reads closed.
    const auto closed = [&](const BoardDrawer& d) { return status_fn(d.status_export)(kDevicePath, d.status) == 0; };
    while (!std::all_of(std::begin(kDrawers), std::end(kDrawers), closed) &&
           Clock::now() < last_open + kCloseAfter + kCloseMargin) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    for (const BoardDrawer& d : kDrawers) {
        ChannelFn status = status_fn(d.status_export);
        EXPECT_EQ(status(kDevicePath, d.status), 0) << d.board << ": " << d.status_export << "(" << d.status
                                                    << ") after the close time";
    }
}

INSTANTIATE_TEST_SUITE_P(Drawers, EveryBoard, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& param) { return "Drawer" + std::to_string(param.param); });

TEST_F(TillioTest, UndefinedNumbersAreRefusedWithoutTouchingTheDevice)
{
    TraceLog trace;
    ASSERT_TRUE(trace.available()) << "KAV_WINE_TRACE_LOG is not set: run under the Wine harness";
    const int numbers[] = {9, 38, 0, -1};
    size_t mark = trace.mark();
    for (int n : numbers) {
        EXPECT_EQ(device_control_(kDevicePath, n), -3) << "DeviceControl(" << n << ")";
        for (const char* name : kStatusExports) {
            ChannelFn status = status_fn(name);
            if (status != nullptr) {
                EXPECT_EQ(status(kDevicePath, n), -3) << name << "(" << n << ")";
            }
        }
    }
    // Wine writes a create's lines only after CreateFile has returned, so they
    // are counted up to a request of this test's own: the driver takes
    // requests in order, so once this write's line is there, any create the
    // calls above sent is too. Its length, in the driver's copy line, marks it.
    const std::string own_message(43, 'm');
    {
        kavwine::Handle device(kavwine::open_device().handle);
        ASSERT_TRUE(device.valid()) << "the test's own open";
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(device.get(), own_message.data(), DWORD(own_message.size()), &written, nullptr));
    }
    char own_line[80];
    snprintf(own_line, sizeof own_line, "%s: RtlCopyMemory copied 0x%08x bytes", kavwine::kServiceName,
             unsigned(own_message.size()));
    std::string lines;
    ASSERT_TRUE(kavwine::wait_until([&] {
        lines = trace.since(mark);
        return lines.find(own_line) != std::string::npos;
    })) << "the test's own write is not in the trace:\n"
        << lines;
    const std::string before_own = lines.substr(0, lines.find(own_line));
    EXPECT_EQ(kavwine::count_lines(before_own, "enter DRVSHELL_Create"), 1u)
        << "a create other than the test's own:\n" << before_own;
}

TEST_F(TillioTest, WrongDevicePathDoesNotOpen)
{
    EXPECT_EQ(device_control_("\\\\.\\KAV_cas", 13), -1) << "DeviceControl on a missing device";
    ChannelFn status = status_fn("Bastra8613GetCashDrawerStatus");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status("\\\\.\\KAV_cas", 13), -1) << "status export on a missing device";
}

class TillioStoppedTest : public kavwine::DriverStoppedTest {
protected:
    Tillio lib_;
};

TEST_F(TillioStoppedTest, EveryDefinedCommandFailsToOpen)
{
    ChannelFn device_control = lib_.fn("DeviceControl");
    ASSERT_NE(device_control, nullptr) << "export DeviceControl";
    for (const BoardDrawer& d : kDrawers) {
        for (const int open : {d.open1, d.open2})
            EXPECT_EQ(device_control(kDevicePath, open), -1) << d.board << ": DeviceControl(" << open << ")";
        ChannelFn status = lib_.fn(d.status_export);
        ASSERT_NE(status, nullptr) << "export " << d.status_export;
        EXPECT_EQ(status(kDevicePath, d.status), -1) << d.board << ": " << d.status_export << "(" << d.status << ")";
    }
}

} // namespace
