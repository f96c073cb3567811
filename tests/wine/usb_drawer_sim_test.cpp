// tillio.dll's USB drawer exports under Wine against simulated HID devices
// (KAV_sim.sys, "ddo": two drawers, then a device that answers no string,
// all listed ahead of Wine's own mouse and keyboard). The drawers close 1.5 s
// after they open. The simulator's trace says which device each request
// reached.
#include "hid_listing.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kavwine::export_of;
using kavwine::ListedInterface;
using DrawerFn = int(__stdcall*)(int drawer);

constexpr int kOpen = 48;   // '0'
constexpr int kClosed = 49; // '1'
constexpr DWORD kCloseMs = 1500;

bool is_simulated(const ListedInterface& entry)
{
    return entry.path.find("kavsim") != std::string::npos;
}

class UsbDrawerSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(module_, nullptr) << "LoadLibrary(tillio.dll), error " << GetLastError();
        open_ = export_of<DrawerFn>(module_, "UsbCashDrawer");
        status_ = export_of<DrawerFn>(module_, "UsbCashDrawerStaus");
        ASSERT_TRUE(open_ && status_) << "an export is missing";
        ASSERT_TRUE(trace_.available()) << "KAV_WINE_TRACE_LOG is not set: run under the Wine harness";
    }
    void TearDown() override
    {
        if (module_ != nullptr) FreeLibrary(module_);
    }

    // Both simulated drawers closed, whatever an earlier step opened.
    void wait_both_closed()
    {
        ASSERT_TRUE(kavwine::wait_until([&] { return status_(1) == kClosed && status_(2) == kClosed; }, 3 * kCloseMs))
            << "status 1 = " << status_(1) << ", status 2 = " << status_(2);
    }

    bool reached(size_t mark, const std::string& line)
    {
        return kavwine::wait_until([&] { return trace_.since(mark).find("KAV_sim: " + line) != std::string::npos; },
                                   3000);
    }

    HMODULE module_ = LoadLibraryA("tillio.dll");
    DrawerFn open_ = nullptr;
    DrawerFn status_ = nullptr;
    kavwine::TraceLog trace_;
};

TEST_F(UsbDrawerSim, SimulatedDevicesComeFirstAndEveryOpenableOneTakesANumber)
{
    const std::vector<ListedInterface> listed = kavwine::list_hid_interfaces();
    for (const ListedInterface& entry : listed)
        std::printf("listed: %s opens=%d refusal=%lu\n", entry.path.c_str(), entry.opens, entry.refusal);
    ASSERT_GE(listed.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(is_simulated(listed[i]) && listed[i].opens) << listed[i].path;
    }
    EXPECT_EQ(listed[0].refusal, 0u) << "the first drawer answers string 106";
    EXPECT_EQ(listed[1].refusal, 0u) << "the second drawer answers string 106";
    EXPECT_EQ(listed[2].refusal, static_cast<DWORD>(ERROR_NOT_SUPPORTED)) << "the third device is no drawer";

    // Numbers 3 on reach the devices that are no drawer (the simulated one,
    // then Wine's, as many as fit in five): they refuse, so both calls give
    // 0 with the device's own error. Past the last device: 0, no device asked.
    const std::vector<ListedInterface> drawers = kavwine::numbered(listed);
    for (int n = 3; n <= 6; ++n) {
        const bool reaches = n <= static_cast<int>(drawers.size());
        for (DrawerFn fn : {open_, status_}) {
            SetLastError(0);
            EXPECT_EQ(fn(n), 0) << n;
            const DWORD error = GetLastError();
            if (reaches) EXPECT_EQ(error, drawers[n - 1].refusal) << n << " did not reach " << drawers[n - 1].path;
            else EXPECT_NE(error, static_cast<DWORD>(ERROR_NOT_SUPPORTED)) << n << " reached a device";
        }
    }
}

TEST_F(UsbDrawerSim, DrawerOneOpensAndReadsOpenUntilItClosesByItself)
{
    wait_both_closed();
    const size_t mark = trace_.mark();
    ASSERT_EQ(open_(1), 1);
    const DWORD opened = GetTickCount();
    EXPECT_TRUE(reached(mark, "HID 1 string 106: KAV drawer")) << trace_.since(mark);
    EXPECT_EQ(status_(1), kOpen);
    EXPECT_EQ(status_(2), kClosed) << "drawer 2 did not move";

    ASSERT_TRUE(kavwine::wait_until([&] { return status_(1) == kClosed; }, 3 * kCloseMs));
    const DWORD open_for = GetTickCount() - opened;
    EXPECT_GE(open_for, kCloseMs - 200) << "closed too early";
    EXPECT_LE(open_for, kCloseMs + 1500) << "closed too late";
}

TEST_F(UsbDrawerSim, DrawerTwoIsTheSecondSimulatedDrawer)
{
    wait_both_closed();
    const size_t mark = trace_.mark();
    ASSERT_EQ(open_(2), 1);
    EXPECT_TRUE(reached(mark, "HID 2 string 106: KAV drawer")) << trace_.since(mark);
    EXPECT_EQ(trace_.since(mark).find("HID 1 string 106"), std::string::npos) << "drawer 1 was asked to open";
    EXPECT_EQ(status_(2), kOpen);
    EXPECT_EQ(status_(1), kClosed);
}

} // namespace
