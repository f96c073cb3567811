// tillio.dll called from several threads and processes at once, as a POS
// program with a monitor beside it calls it: two threads reading two
// simulated USB drawers (KAV_sim.sys, "dd", drawers that stay open a minute)
// each get their own drawer's state, and a cashier's drawer opens while
// another process polls the board drawers' status as fast as it can.
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

namespace {

using kavwine::export_of;
using kavwine::Handle;
using kavwine::Thread;

using DrawerFn = int(__stdcall*)(int drawer);
using ChannelFn = int(__stdcall*)(const char* devicePath, int command);

constexpr int kOpen = 48;   // '0'
constexpr int kClosed = 49; // '1'

class TillioConcurrency : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(module_, nullptr) << "LoadLibrary(tillio.dll), error " << GetLastError(); }
    void TearDown() override
    {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    template <typename Fn>
    Fn fn(const char* name)
    {
        Fn f = export_of<Fn>(module_, name);
        EXPECT_NE(f, nullptr) << "export " << name;
        return f;
    }

    HMODULE module_ = LoadLibraryA("tillio.dll");
};

// Each thread's answer is its own drawer's, never the other thread's.
TEST_F(TillioConcurrency, TwoThreadsReadingTwoUsbDrawersEachGetTheirOwnState)
{
    const auto open = fn<DrawerFn>("UsbCashDrawer");
    const auto status = fn<DrawerFn>("UsbCashDrawerStaus");
    ASSERT_TRUE(open && status);
    ASSERT_EQ(status(2), kClosed);
    ASSERT_EQ(open(1), 1);
    ASSERT_TRUE(kavwine::wait_until([&] { return status(1) == kOpen; })) << "drawer 1 sprang open";

    constexpr int kCalls = 500;
    struct Tally {
        std::atomic<int> wrong{0}, failed{0};
    } drawer1, drawer2;
    auto reader = [&](int drawer, int expected, Tally& tally) {
        for (int i = 0; i < kCalls; ++i) {
            const int answer = status(drawer);
            if (answer == 0) {
                ++tally.failed;
            } else if (answer != expected) {
                ++tally.wrong;
            }
        }
    };
    {
        Thread one([&] { reader(1, kOpen, drawer1); });
        Thread two([&] { reader(2, kClosed, drawer2); });
    }
    EXPECT_EQ(drawer1.wrong, 0) << "drawer 1 (open) read closed, of " << kCalls;
    EXPECT_EQ(drawer2.wrong, 0) << "drawer 2 (closed) read open, of " << kCalls;
    EXPECT_EQ(drawer1.failed + drawer2.failed, 0) << "calls that reached no drawer";
    std::printf("two threads: %d calls each, %d and %d wrong\n", kCalls, drawer1.wrong.load(), drawer2.wrong.load());
}

// The driver admits one handle at a time; a monitor's status poll holds it
// for a moment, and the cashier's open waits that moment out.
TEST_F(TillioConcurrency, EveryOpenGoesThroughWhileAnotherProcessPollsTheStatus)
{
    const auto device_control = fn<ChannelFn>("DeviceControl");
    ASSERT_NE(device_control, nullptr);
    const std::string poller = kavwine::beside_this_program("status_poller.exe");
    ASSERT_FALSE(poller.empty());

    Handle started(CreateEventA(nullptr, TRUE, FALSE, "kav_poller_started"));
    Handle stop(CreateEventA(nullptr, TRUE, FALSE, "kav_poller_stop"));
    ASSERT_TRUE(started.valid() && stop.valid());
    std::string command = "\"" + poller + "\" kav_poller_started kav_poller_stop";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(poller.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                               &process))
        << "error " << GetLastError();
    Handle process_handle(process.hProcess), thread_handle(process.hThread);
    ASSERT_EQ(WaitForSingleObject(started.get(), kavwine::kWaitMs), WAIT_OBJECT_0) << "the poller is polling";

    constexpr int kOpens = 200;
    int failed = 0;
    for (int i = 0; i < kOpens; ++i) {
        // A moment between openings, so that each one meets the poller at
        // full speed rather than right after the last opening let go.
        Sleep(20);
        const int result = device_control(kavwine::kDevicePath, 12);
        if (result != 0) {
            ++failed;
            std::printf("open %d: %d\n", i + 1, result);
        }
    }
    DWORD poller_still_running = WaitForSingleObject(process_handle.get(), 0);
    SetEvent(stop.get());
    ASSERT_EQ(WaitForSingleObject(process_handle.get(), kavwine::kWaitMs), WAIT_OBJECT_0);
    DWORD poller_exit = 1;
    GetExitCodeProcess(process_handle.get(), &poller_exit);

    EXPECT_EQ(poller_still_running, static_cast<DWORD>(WAIT_TIMEOUT)) << "the poller polled throughout";
    EXPECT_EQ(poller_exit, 0u);
    EXPECT_EQ(failed, 0) << "of " << kOpens << " DeviceControl(12)";
}

} // namespace
