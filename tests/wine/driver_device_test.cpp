// The KAV_cash driver as a kernel service under Wine, reached through raw
// CreateFile / DeviceIoControl / ReadFile / WriteFile: loading, the request
// plumbing, the loopback buffer, the single-open rule, unloading, and the
// trace lines each of them prints.
#include "wine_test_support.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using kavwine::first_out_of_order;
using kavwine::Handle;
using kavwine::has_line;
using kavwine::has_line_starting;
using kavwine::open_device;
using kavwine::TraceLog;

constexpr DWORD kGetDriverInfo = 0x220220;
constexpr char kDriverInfoText[] = "\n\n\nDriver:\t KAV_cash\n\nVersion: 1.00\n\n";
constexpr DWORD kDriverInfoLength = sizeof(kDriverInfoText) - 1;
static_assert(kDriverInfoLength == 37);

// One DeviceIoControl with its outcome and error kept together.
struct Ioctl {
    BOOL ok;
    DWORD error;
    DWORD returned;
};

Ioctl ioctl(HANDLE h, DWORD code, const void* in, DWORD in_len, void* out, DWORD out_len)
{
    DWORD returned = 0xDEADBEEF;
    BOOL ok = DeviceIoControl(h, code, const_cast<void*>(in), in_len, out, out_len, &returned, nullptr);
    return {ok, ok ? ERROR_SUCCESS : GetLastError(), returned};
}

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(trace_.available()) << "KAV_WINE_TRACE_LOG is not set: run under the Wine harness";
        kavwine::OpenResult opened = open_device();
        device_ = std::make_unique<Handle>(opened.handle);
        ASSERT_TRUE(device_->valid()) << "CreateFile(\\\\.\\KAV_cash) failed, error " << opened.error;
    }
    HANDLE device() const { return device_->get(); }

    TraceLog trace_;
    std::unique_ptr<Handle> device_;
};

TEST(DriverLoad, EntryTracesDeviceAndLinkCreationInOrder)
{
    TraceLog trace;
    ASSERT_TRUE(trace.available()) << "KAV_WINE_TRACE_LOG is not set: run under the Wine harness";
    std::string missing = first_out_of_order(trace.all(), {
                                                              "enter DriverEntry",
                                                              "Create Device (\\Device\\KAV_cash)",
                                                              "Create SymLink (\\DosDevices\\KAV_cash)",
                                                              "exit  DriverEntry",
                                                          });
    EXPECT_EQ(missing, "") << "load trace line missing or out of order in " << trace.path();
}

TEST_F(DeviceTest, GetDriverInfoNeedsRoomForTheTerminatingZero)
{
    struct Case {
        DWORD out_len;
        DWORD want_returned;
    };
    const Case cases[] = {
        {1, 0},
        {kDriverInfoLength, 0}, // the text fits only without its zero: left out
        {kDriverInfoLength + 1, kDriverInfoLength},
        {256, kDriverInfoLength},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("output length " + std::to_string(c.out_len));
        std::vector<char> out(c.out_len + 1, '#');
        size_t mark = trace_.mark();
        Ioctl r = ioctl(device(), kGetDriverInfo, nullptr, 0, out.data(), c.out_len);
        EXPECT_TRUE(r.ok) << "GET_DRIVER_INFO succeeds, error " << r.error;
        EXPECT_EQ(r.returned, c.want_returned) << "bytes returned";
        if (c.want_returned != 0) {
            EXPECT_EQ(std::string(out.data(), r.returned), kDriverInfoText) << "driver info text";
            EXPECT_EQ(out[r.returned], '#') << "the terminating zero is not copied back";
        }
        std::string lines = trace_.since(mark);
        EXPECT_TRUE(has_line(lines, "IRP_MJ_DEVICE_CONTROL")) << "dispatch trace:\n" << lines;
        EXPECT_TRUE(has_line(lines, "enter DRVSHELL_Dispatch")) << "dispatch trace:\n" << lines;
        EXPECT_TRUE(has_line(lines, "GET_DRIVER_INFO")) << "dispatch trace:\n" << lines;
        EXPECT_TRUE(has_line(lines, "exit  DRVSHELL_Dispatch")) << "dispatch trace:\n" << lines;
    }
}

TEST_F(DeviceTest, CodesOutsideTheTableAreInvalidParameters)
{
    const DWORD codes[] = {
        0x220224, // between GET_DRIVER_INFO and the first drawer code
        0x220298, // one past the last drawer code
    };
    for (DWORD code : codes) {
        SCOPED_TRACE("code " + std::to_string(code));
        unsigned char out[4] = {0xAB, 0xAB, 0xAB, 0xAB};
        size_t mark = trace_.mark();
        Ioctl r = ioctl(device(), code, nullptr, 0, out, sizeof out);
        EXPECT_FALSE(r.ok) << "an unknown code fails";
        EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << "STATUS_INVALID_PARAMETER";
        EXPECT_EQ(out[0], 0xAB) << "nothing is copied back";
        std::string lines = trace_.since(mark);
        EXPECT_TRUE(has_line(lines, "DRVSHELL doesn't handle this IOCTL")) << "framework trace:\n" << lines;
        EXPECT_TRUE(has_line(lines, "Driver doesn't handle this IOCTL")) << "device layer trace:\n" << lines;
    }
}

TEST_F(DeviceTest, DrawerCodesAnswerWithTheirByteCount)
{
    const unsigned char dio280[2] = {0x80, 0x02};
    struct Case {
        const char* what;
        DWORD code;
        const unsigned char* in;
        DWORD in_len;
        DWORD want_returned;
    };
    const Case cases[] = {
        {"status, super-I/O (11)", 0x22022C, nullptr, 0, 1},
        {"status, port 0x408 (13)", 0x220234, nullptr, 0, 1},
        {"status, DIO 0x280 (17)", 0x220244, dio280, 2, 1},
        {"status, last code (37)", 0x220294, dio280, 2, 1},
        {"pulse, port 0x408 (12)", 0x220230, nullptr, 0, 0},
        {"pulse, DIO 0x280 (16)", 0x220240, dio280, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unsigned char out = 0xAB;
        Ioctl r = ioctl(device(), c.code, c.in, c.in_len, &out, 1);
        EXPECT_TRUE(r.ok) << "a drawer code always succeeds, error " << r.error;
        EXPECT_EQ(r.returned, c.want_returned) << "bytes returned";
        if (c.want_returned == 1) {
            EXPECT_TRUE(out == 0 || out == 1) << "the status byte is one sensor bit, got " << int(out);
        } else {
            EXPECT_EQ(out, 0xAB) << "a pulse leaves the caller's byte alone";
        }
    }
}

// With buffered I/O a request without input or output has no system buffer at
// all; the driver must notice before it writes its answer there.
TEST_F(DeviceTest, RequestsWithoutTheirBufferAreRefused)
{
    struct Case {
        const char* what;
        DWORD code;
        DWORD out_len;
    };
    const Case cases[] = {
        {"port-taking pulse without its port (16)", 0x220240, 1},
        {"port-taking status without its port (17)", 0x220244, 1},
        {"status with no buffer at all (13)", 0x220234, 0},
        {"GET_DRIVER_INFO with no buffer at all", kGetDriverInfo, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unsigned char out = 0xAB;
        Ioctl r = ioctl(device(), c.code, nullptr, 0, c.out_len ? &out : nullptr, c.out_len);
        EXPECT_FALSE(r.ok) << "refused";
        EXPECT_TRUE(r.error == ERROR_INVALID_PARAMETER || r.error == ERROR_INSUFFICIENT_BUFFER)
            << "STATUS_INVALID_PARAMETER or STATUS_BUFFER_TOO_SMALL, got error " << r.error;
    }
    char info[64] = {};
    Ioctl after = ioctl(device(), kGetDriverInfo, nullptr, 0, info, sizeof info);
    EXPECT_TRUE(after.ok) << "the driver still answers, error " << after.error;
    EXPECT_EQ(after.returned, kDriverInfoLength) << "and with its full text";
}

// Loopback: one message held per open handle.
class LoopbackTest : public DeviceTest {
protected:
    struct Io {
        BOOL ok;
        DWORD error;
        DWORD bytes;
    };
    Io write(const void* data, DWORD len)
    {
        DWORD bytes = 0xDEADBEEF;
        BOOL ok = WriteFile(device(), data, len, &bytes, nullptr);
        return {ok, ok ? ERROR_SUCCESS : GetLastError(), bytes};
    }
    Io read(void* data, DWORD len)
    {
        DWORD bytes = 0xDEADBEEF;
        BOOL ok = ReadFile(device(), data, len, &bytes, nullptr);
        return {ok, ok ? ERROR_SUCCESS : GetLastError(), bytes};
    }
    static constexpr char kMessage[] = "0123456789";
};

TEST_F(LoopbackTest, ShortReadTakesThePrefixAndDropsTheRest)
{
    size_t mark = trace_.mark();
    Io w = write(kMessage, 10);
    EXPECT_TRUE(w.ok) << "write, error " << w.error;
    EXPECT_EQ(w.bytes, 10u) << "bytes written";
    std::string lines = trace_.since(mark);
    EXPECT_TRUE(has_line_starting(lines, "RtlCopyMemory copied 0x0000000a bytes in 0x"))
        << "the write prints its copy:\n" << lines;

    char buf[4] = {};
    Io r = read(buf, sizeof buf);
    EXPECT_TRUE(r.ok) << "first read, error " << r.error;
    EXPECT_EQ(r.bytes, 4u) << "bytes read";
    EXPECT_EQ(std::string(buf, 4), "0123") << "the message's first bytes";

    Io again = read(buf, sizeof buf);
    EXPECT_FALSE(again.ok) << "the rest of the message was dropped";
    EXPECT_EQ(again.error, static_cast<DWORD>(ERROR_NOT_READY)) << "STATUS_DEVICE_NOT_READY";
}

TEST_F(LoopbackTest, SecondWriteIsBusyAndTheFirstMessageStays)
{
    EXPECT_TRUE(write("first", 5).ok) << "first write";
    Io second = write("second", 6);
    EXPECT_FALSE(second.ok) << "a message is already held";
    EXPECT_EQ(second.error, static_cast<DWORD>(ERROR_BUSY)) << "STATUS_DEVICE_BUSY";

    char buf[16] = {};
    Io r = read(buf, sizeof buf);
    EXPECT_TRUE(r.ok) << "read, error " << r.error;
    EXPECT_EQ(std::string(buf, r.ok ? r.bytes : 0), "first") << "the held message";
}

TEST_F(LoopbackTest, ZeroLengthWriteFailsBeforeTheDeviceLayer)
{
    size_t mark = trace_.mark();
    Io w = write(kMessage, 0);
    EXPECT_FALSE(w.ok) << "a zero-length write fails";
    EXPECT_EQ(w.error, static_cast<DWORD>(ERROR_INVALID_USER_BUFFER)) << "STATUS_INVALID_BUFFER_SIZE";
    std::string lines = trace_.since(mark);
    EXPECT_TRUE(has_line(lines, "STATUS_INVALID_BUFFER_SIZE")) << "write trace:\n" << lines;
    EXPECT_FALSE(has_line(lines, "enter PIOCORE_Write")) << "the device layer is not called:\n" << lines;

    char buf[4];
    EXPECT_EQ(read(buf, sizeof buf).error, static_cast<DWORD>(ERROR_NOT_READY)) << "nothing was stored";
}

TEST_F(LoopbackTest, CloseReleasesTheHeldMessage)
{
    EXPECT_TRUE(write(kMessage, 10).ok) << "write";
    device_->close();
    kavwine::OpenResult reopened = open_device();
    device_ = std::make_unique<Handle>(reopened.handle);
    ASSERT_TRUE(device_->valid()) << "reopen, error " << reopened.error;
    char buf[16];
    Io r = read(buf, sizeof buf);
    EXPECT_FALSE(r.ok) << "the message went with the handle";
    EXPECT_EQ(r.error, static_cast<DWORD>(ERROR_NOT_READY)) << "STATUS_DEVICE_NOT_READY";
}

TEST(SingleOpen, SecondOpenIsRefusedUntilTheFirstCloses)
{
    TraceLog trace;
    ASSERT_TRUE(trace.available()) << "KAV_WINE_TRACE_LOG is not set: run under the Wine harness";
    size_t mark = trace.mark();
    kavwine::OpenResult first = open_device();
    Handle h1(first.handle);
    ASSERT_TRUE(h1.valid()) << "first open, error " << first.error;
    kavwine::OpenResult second = open_device();
    Handle h2(second.handle);

    std::string lines = trace.wait_for(mark, "exit  DRVSHELL_Create", 2);
    EXPECT_EQ(first_out_of_order(lines, {"enter DRVSHELL_Create", "status = (0)", "exit  DRVSHELL_Create",
                                         "enter DRVSHELL_Create", "status = (80000011)", "exit  DRVSHELL_Create"}),
              "")
        << "the driver admits the first open and answers the second with STATUS_DEVICE_BUSY:\n" << lines;
    if (kavwine::on_wine()) {
        kavwine::known_wine_difference(
            "a create that the driver fails with STATUS_DEVICE_BUSY still yields a working handle "
            "(Wine does not wait for the driver's answer); the refusal is proven natively");
        EXPECT_TRUE(h2.valid()) << "Wine hands out the second handle";
    } else {
        EXPECT_FALSE(h2.valid()) << "the second open fails";
        EXPECT_EQ(second.error, static_cast<DWORD>(ERROR_BUSY)) << "STATUS_DEVICE_BUSY";
    }

    mark = trace.mark();
    h1.close();
    kavwine::OpenResult third = open_device();
    Handle h3(third.handle);
    EXPECT_TRUE(h3.valid()) << "an open after the close, error " << third.error;
    lines = trace.wait_for(mark, "exit  DRVSHELL_Create");
    EXPECT_EQ(first_out_of_order(lines, {"enter DRVSHELL_Close", "enter DRVSHELL_Create", "status = (0)"}), "")
        << "once the first handle is closed the driver admits an open:\n" << lines;
}

// One entry of a DACL as its rights and its SID's text.
struct DaclEntry {
    int type;
    int flags;
    DWORD mask;
    std::string sid;
    bool operator==(const DaclEntry&) const = default;
};

std::string sid_text(PSID sid)
{
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) return "?";
    std::string s = text;
    LocalFree(text);
    return s;
}

TEST(DeviceSecurity, OnlySystemAdministratorsAndInteractiveUsersMayOpenTheDevice)
{
    Handle device(CreateFileA(kavwine::kDevicePath, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(device.valid()) << "an administrator may open it to read its security, error " << GetLastError();
    DWORD needed = 0;
    GetKernelObjectSecurity(device.get(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::vector<unsigned char> buffer(needed ? needed : 1);
    ASSERT_TRUE(GetKernelObjectSecurity(device.get(), DACL_SECURITY_INFORMATION, buffer.data(),
                                        static_cast<DWORD>(buffer.size()), &needed))
        << "error " << GetLastError();
    PSECURITY_DESCRIPTOR sd = buffer.data();
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(sd, &control, &revision));
    std::vector<DaclEntry> entries;
    for (DWORD i = 0; present && dacl != nullptr && i < dacl->AceCount; ++i) {
        ACE_HEADER* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
        entries.push_back({ace->AceType, ace->AceFlags, allowed->Mask, sid_text(&allowed->SidStart)});
    }
    std::string found;
    for (const DaclEntry& e : entries) found += " (" + e.sid + " " + std::to_string(e.mask) + ")";
    if (kavwine::on_wine() && !present) {
        // Wine keeps the DACL the driver set on its device object (the set
        // succeeds, or the driver would not have loaded) but answers for a
        // handle with the handle's own file object, which has none; nor does
        // it check the device's DACL when a handle is opened.
        kavwine::known_wine_difference("a device handle reports its file object's security, not the device's; "
                                       "the device's DACL is proven natively");
        return;
    }
    const std::vector<DaclEntry> expected = {
        {ACCESS_ALLOWED_ACE_TYPE, 0, FILE_ALL_ACCESS, "S-1-5-18"},
        {ACCESS_ALLOWED_ACE_TYPE, 0, FILE_ALL_ACCESS, "S-1-5-32-544"},
        {ACCESS_ALLOWED_ACE_TYPE, 0, FILE_GENERIC_READ | FILE_GENERIC_WRITE, "S-1-5-4"},
    };
    EXPECT_TRUE(present) << "a DACL, not the default that lets everyone in";
    EXPECT_EQ(control & SE_DACL_PROTECTED, SE_DACL_PROTECTED) << "nothing inherited into it";
    EXPECT_EQ(entries, expected) << "found:" << found;
}

using StoppedDriver = kavwine::DriverStoppedTest;

TEST_F(StoppedDriver, UnloadRemovesTheLink)
{
    std::string lines = trace_.since(before_stop_);
    EXPECT_TRUE(has_line(lines, "enter DRVSHELL_Unload")) << "unload trace:\n" << lines;
    kavwine::OpenResult opened = open_device();
    Handle h(opened.handle);
    EXPECT_FALSE(h.valid()) << "\\\\.\\KAV_cash is gone with the driver";
    EXPECT_EQ(opened.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << "no such device";
}

} // namespace
