// tillio.dll's USB-to-RS232 port discovery under Wine against simulated
// adapters: KAV_sim.sys puts adapters on COM7 and COM12 (instance keys in the
// device registry, a drawer on each port) and a plain serial port on COM3,
// which no adapter names.
#include "wine_service_control.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using kavwine::export_of;

constexpr const char* kAdapterKey = "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_067b&Pid_2303";
constexpr const char* kSimService = "KAV_sim";

class UsbToComSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(module_, nullptr) << "LoadLibrary(tillio.dll), error " << GetLastError();
        enumerate_ = export_of<EnumFn>(module_, "EnumUsbToComNum");
        token_ = export_of<TokenFn>(module_, "GetUsbToComToken");
        open_drawer_ = export_of<PortFn>(module_, "RS232OpenCashDrawer");
        ASSERT_TRUE(enumerate_ && token_ && open_drawer_) << "an export is missing";
        ASSERT_TRUE(trace_.available()) << "KAV_WINE_TRACE_LOG is not set: run under the Wine harness";
    }
    void TearDown() override
    {
        if (module_ != nullptr) FreeLibrary(module_);
    }

    // The list as the utility asks for it: a 50-character area of blanks.
    int list(std::string* ports)
    {
        char area[51];
        std::memset(area, ' ', 50);
        area[50] = '\0';
        const int count = enumerate_(area);
        *ports = area;
        return count;
    }

    // The simulator's trace has the line by now, or within 3 s.
    bool sim_said(size_t mark, const std::string& line)
    {
        return kavwine::wait_until(
            [&] { return trace_.since(mark).find("KAV_sim: " + line) != std::string::npos; }, 3000);
    }

    using EnumFn = int(__stdcall*)(char*);
    using TokenFn = int(__stdcall*)(char*, char*);
    using PortFn = int(__stdcall*)(int);
    HMODULE module_ = LoadLibraryA("tillio.dll");
    EnumFn enumerate_ = nullptr;
    TokenFn token_ = nullptr;
    PortFn open_drawer_ = nullptr;
    kavwine::TraceLog trace_;
};

TEST_F(UsbToComSim, ListsTheAdaptersPortsWhoseDrawersThenOpen)
{
    std::string ports;
    ASSERT_EQ(list(&ports), 2);
    EXPECT_EQ(ports, "COM7 COM12 ");

    char area[51] = "COM7 COM12 ";
    char token[11] = "          ";
    for (const char* expected : {"COM7", "COM12"}) {
        ASSERT_EQ(token_(area, token), 0);
        ASSERT_STREQ(token, expected);
        const int port = std::atoi(token + 3);
        const size_t mark = trace_.mark();
        EXPECT_EQ(open_drawer_(port), 0) << token;
        EXPECT_TRUE(sim_said(mark, std::string(token) + " drawer opened")) << trace_.since(mark);
    }
}

TEST_F(UsbToComSim, TheKeysGoWhenTheDriverUnloadsAndComeBackWithIt)
{
    ASSERT_EQ(kavwine::stop_service(kSimService), 0u);
    std::string ports;
    EXPECT_EQ(list(&ports), -10) << ports;
    EXPECT_FALSE(kavwine::hklm_key_exists(kAdapterKey)) << "the driver made the adapter key, so it goes with it";

    const size_t mark = trace_.mark();
    ASSERT_EQ(kavwine::start_service(kSimService), 0u);
    ASSERT_TRUE(sim_said(mark, "loaded:")) << trace_.since(mark);
    EXPECT_EQ(list(&ports), 2);
    EXPECT_EQ(ports, "COM7 COM12 ");
}

} // namespace
