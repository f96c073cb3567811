// The KAV_cash driver under Wine with requests at the same time: two threads
// on one handle, a handle Wine hands out for a refused create, and a service
// stop while a pulse is in flight.
#include "wine_service_control.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>

namespace {

using kavwine::count_lines;
using kavwine::Handle;
using kavwine::has_line;
using kavwine::open_device;
using kavwine::Thread;
using kavwine::TraceLog;

constexpr DWORD kGetDriverInfo = 0x220220;
constexpr DWORD kSuperIoDrawer1 = 0x220228; // command 10
constexpr DWORD kSuperIoStatus = 0x22022C;  // command 11
constexpr DWORD kPort408Drawer1 = 0x220230; // command 12

bool control(HANDLE h, DWORD code, void* out = nullptr, DWORD out_len = 0, DWORD* returned = nullptr)
{
    DWORD bytes = 0;
    const BOOL ok = DeviceIoControl(h, code, nullptr, 0, out, out_len, &bytes, nullptr);
    if (returned != nullptr) *returned = bytes;
    return ok != FALSE;
}

TEST(Concurrency, TwoThreadsOnOneHandleKeepEverySequenceWhole)
{
    TraceLog trace;
    ASSERT_TRUE(trace.available()) << "KAV_WINE_TRACE_LOG is not set: run under the Wine harness";
    Handle device(open_device().handle);
    ASSERT_TRUE(device.valid());
    const size_t mark = trace.mark();

    constexpr int kPulses = 4;
    std::atomic<bool> pulsing{true};
    std::atomic<int> failed_pulses{0};
    Thread pulser([&] {
        for (int i = 0; i < kPulses; ++i) failed_pulses += !control(device.get(), kSuperIoDrawer1);
        pulsing = false;
    });
    // Each round, while the pulses run: a status read and a message written
    // and read back, which must come back whole, at its own length.
    int rounds = 0, failed_statuses = 0, failed_round_trips = 0, torn = 0;
    while (pulsing) {
        ++rounds;
        unsigned char sensor = 0xAB;
        failed_statuses += !control(device.get(), kSuperIoStatus, &sensor, 1);
        const std::string message = "whole";
        DWORD bytes = 0;
        char back[8] = {};
        if (!WriteFile(device.get(), message.data(), DWORD(message.size()), &bytes, nullptr) ||
            !ReadFile(device.get(), back, sizeof back, &bytes, nullptr)) {
            ++failed_round_trips;
            continue;
        }
        torn += std::string(back, bytes) != message;
    }
    pulser.join();

    EXPECT_EQ(failed_pulses, 0);
    EXPECT_GT(rounds, 0) << "nothing ran beside the pulses";
    EXPECT_EQ(failed_statuses, 0) << "of " << rounds << " status reads";
    EXPECT_EQ(failed_round_trips, 0) << "of " << rounds << " messages written and read back";
    EXPECT_EQ(torn, 0);
    const std::string lines = trace.since(mark);
    EXPECT_EQ(count_lines(lines, "simulated terminal: VOLX-9623 drawer 1 opened (port 0x2f)"), size_t{kPulses})
        << "every pulse reached the drawer:\n" << lines;
    EXPECT_EQ(lines.find("used outside its bracket"), std::string::npos)
        << "no configuration access outside an enter/leave bracket:\n" << lines;
}

TEST(Concurrency, TheRefusedHandlesCloseLeavesTheFirstHandlesMessage)
{
    TraceLog trace;
    ASSERT_TRUE(trace.available());
    Handle first(open_device().handle);
    ASSERT_TRUE(first.valid());
    DWORD bytes = 0;
    ASSERT_TRUE(WriteFile(first.get(), "kept", 4, &bytes, nullptr));

    const size_t mark = trace.mark();
    Handle second(open_device().handle);
    trace.wait_for(mark, "exit  DRVSHELL_Create");
    if (!second.valid()) GTEST_SKIP() << "the refused create gave no handle: nothing to show here";
    kavwine::known_wine_difference("a refused create still yields a handle; its requests and close reach the driver");
    char buf[8] = {};
    EXPECT_FALSE(ReadFile(second.get(), buf, sizeof buf, &bytes, nullptr)) << "the refused handle reads nothing";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(control(second.get(), kPort408Drawer1)) << "nor moves a drawer";
    second.close();
    trace.wait_for(mark, "exit  DRVSHELL_Close");

    Handle third(open_device().handle);
    const std::string lines = trace.wait_for(mark, "exit  DRVSHELL_Create", 2);
    EXPECT_TRUE(has_line(lines, "status = (80000011)")) << "the first handle is still the admitted one:\n" << lines;
    EXPECT_TRUE(ReadFile(first.get(), buf, sizeof buf, &bytes, nullptr)) << "error " << GetLastError();
    EXPECT_EQ(std::string(buf, bytes), "kept");
}

TEST(Concurrency, AStopDuringAPulseLeavesADriverHostThatAnswersAfterTheNextStart)
{
    TraceLog trace;
    ASSERT_TRUE(trace.available());
    const size_t mark = trace.mark();
    Handle device(open_device().handle);
    ASSERT_TRUE(device.valid());
    Thread pulser([&] { control(device.get(), kPort408Drawer1); });
    // The pulse is inside the driver once it has printed its request.
    trace.wait_for(mark, "IRP_MJ_DEVICE_CONTROL");
    EXPECT_EQ(kavwine::stop_service(kavwine::kServiceName), 0u);
    pulser.join();
    device.close();

    const std::string lines = trace.since(mark);
    const size_t pulse_done = lines.find("exit  DRVSHELL_Dispatch");
    const size_t unloaded = lines.find("enter PIOCORE_RemoveDevice");
    ASSERT_NE(unloaded, std::string::npos) << lines;
    EXPECT_LT(pulse_done, unloaded) << "the unload waited for the pulse:\n" << lines;

    ASSERT_EQ(kavwine::start_service(kavwine::kServiceName), 0u) << "the driver host starts the driver again";
    ASSERT_EQ(kavwine::wait_for_dos_device(kavwine::kServiceName), 0u) << "and its device";
    Handle again(open_device().handle);
    ASSERT_TRUE(again.valid()) << "error " << GetLastError();
    char info[64] = {};
    DWORD returned = 0;
    EXPECT_TRUE(control(again.get(), kGetDriverInfo, info, sizeof info, &returned)) << "error " << GetLastError();
    EXPECT_EQ(returned, 37u);
}

} // namespace
