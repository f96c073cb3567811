// tillio.dll's USB drawer exports under Wine, against the real setupapi and
// hid.dll. No simulated HID drawer is present here; what Wine offers is its
// own two HID devices (a virtual mouse and keyboard), which open for reading
// and writing and refuse every string request. They are openable interfaces,
// so they take drawer numbers: this test finds them with its own listing,
// works out the numbering, and checks that each number reaches the device the
// numbering gives it. Listed interfaces that do not open are added through the
// registry entries setupapi reads, ahead of Wine's devices in the listing.
#include "hid_interface_entry.h"
#include "hid_listing.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

namespace {

using kavwine::export_of;
using kavwine::is_wines_own;
using kavwine::list_hid_interfaces;
using kavwine::ListedInterface;
using kavwine::numbered;
using kavwine::UnopenableHidInterface;
using DrawerFn = int(__stdcall*)(int drawer);

class UsbDrawerExports : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(module_, nullptr) << "LoadLibrary(tillio.dll), error " << GetLastError();
        open_ = export_of<DrawerFn>(module_, "UsbCashDrawer");
        status_ = export_of<DrawerFn>(module_, "UsbCashDrawerStaus");
        ASSERT_NE(open_, nullptr) << "export UsbCashDrawer";
        ASSERT_NE(status_, nullptr) << "export UsbCashDrawerStaus";
    }
    void TearDown() override
    {
        if (module_ != nullptr) FreeLibrary(module_);
    }

    // Every number from below 1 to past 8 against the numbering the listing
    // gives: a number with a device reaches it (the device's own refusal is
    // the call's last error: Wine's devices refuse with 50), any other number
    // gives 0 without a string request.
    void expect_numbering(const std::vector<ListedInterface>& drawers)
    {
        for (int n : {INT_MIN, -1, 0, 1, 2, 3, 4, 5, 6, 8, 9}) {
            const bool reaches = n >= 1 && n <= static_cast<int>(drawers.size());
            for (DrawerFn fn : {open_, status_}) {
                const char* name = fn == open_ ? "UsbCashDrawer" : "UsbCashDrawerStaus";
                SetLastError(0);
                const int result = fn(n);
                const DWORD error = GetLastError();
                if (reaches) {
                    const ListedInterface& target = drawers[n - 1];
                    ASSERT_NE(target.refusal, 0u) << target.path << " answered; this test expects no drawer";
                    EXPECT_EQ(result, 0) << name << "(" << n << ") on " << target.path;
                    EXPECT_EQ(error, target.refusal) << name << "(" << n << ") did not reach " << target.path;
                } else {
                    EXPECT_EQ(result, 0) << name << "(" << n << ")";
                    EXPECT_NE(error, ERROR_NOT_SUPPORTED) << name << "(" << n << ") reached a device";
                }
            }
        }
    }

    HMODULE module_ = LoadLibraryA("tillio.dll");
    DrawerFn open_ = nullptr;
    DrawerFn status_ = nullptr;
};

TEST_F(UsbDrawerExports, WinesOwnHidDevicesTakeTheNumbersTheirPlaceGives)
{
    const std::vector<ListedInterface> listed = list_hid_interfaces();
    int wines_own = 0;
    for (const ListedInterface& entry : listed) {
        std::printf("listed: %s opens=%d refusal=%lu\n", entry.path.c_str(), entry.opens, entry.refusal);
        if (is_wines_own(entry)) {
            ++wines_own;
            EXPECT_TRUE(entry.opens) << entry.path;
            EXPECT_EQ(entry.refusal, static_cast<DWORD>(ERROR_NOT_SUPPORTED)) << entry.path;
        }
    }
    // Their presence is what makes this numbering worth proving.
    ASSERT_GE(wines_own, 1) << "Wine's own HID devices are not listed";
    const std::vector<ListedInterface> drawers = numbered(listed);
    ASSERT_FALSE(drawers.empty());
    EXPECT_TRUE(is_wines_own(drawers[0])) << "drawer 1 is " << drawers[0].path;
    expect_numbering(drawers);
}

TEST_F(UsbDrawerExports, InterfacesThatDoNotOpenTakeNoNumber)
{
    // Two before Wine's devices: they keep their numbers.
    UnopenableHidInterface first("01"), second("02");
    ASSERT_TRUE(first.ok() && second.ok()) << "registry entries";
    std::vector<ListedInterface> listed = list_hid_interfaces();
    ASSERT_GE(listed.size(), 3u);
    EXPECT_FALSE(listed[0].opens) << listed[0].path << ": the unopenable entries are listed first";
    EXPECT_FALSE(listed[1].opens) << listed[1].path;
    const std::vector<ListedInterface> drawers = numbered(listed);
    ASSERT_FALSE(drawers.empty());
    EXPECT_TRUE(is_wines_own(drawers[0])) << "drawer 1 is " << drawers[0].path;
    expect_numbering(drawers);
}

TEST_F(UsbDrawerExports, MembersPastTheEighthAreNeverTried)
{
    // Seven ahead of Wine's devices push the second of them to member 8, out
    // of reach: only one number remains.
    std::vector<std::unique_ptr<UnopenableHidInterface>> entries;
    for (const char* tag : {"01", "02", "03", "04", "05", "06", "07"}) {
        entries.push_back(std::make_unique<UnopenableHidInterface>(tag));
        ASSERT_TRUE(entries.back()->ok()) << "registry entry " << tag;
    }
    const std::vector<ListedInterface> listed = list_hid_interfaces();
    ASSERT_GE(listed.size(), 9u) << "Wine's two devices after the seven";
    ASSERT_TRUE(listed[7].opens && listed[8].opens);
    const std::vector<ListedInterface> drawers = numbered(listed);
    ASSERT_EQ(drawers.size(), 1u);
    expect_numbering(drawers);
}

} // namespace
