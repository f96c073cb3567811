// KAV_CashDrawer_SO.dll on the simulated terminal, driven through the
// control-object stand-in as a POS application drives the standard one: a
// board drawer of the emulation driver (it closes 3 s after a pulse), a
// simulated USB HID drawer, a simulated serial drawer on COM3, one on a
// USB-to-RS232 adapter's COM7 and one on the kick connector of a receipt
// printer on COM6 (KAV_sim.sys; they close 1.5 s after a pulse,
// CMakeLists.txt). Each is opened, enabled, fired, reported open and then
// closed by its status updates, waited for, and counted. Then two
// applications on the serial drawer: the port is opened once, both hear each
// change, the second one's OpenDrawer fires through the first, and the port
// passes on when the first lets it go.
#include "control_object_stand_in.h"
#include "opos_constants.h"
#include "opos_wine_support.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace kav::opos::wine {
namespace {

constexpr DWORD kBoardCloseMs = 3000;
constexpr DWORD kSimCloseMs = 1500; // SIM_CLOSE_MS in CMakeLists.txt

struct Kind {
    const char* test_name;
    const wchar_t* device;
    const wchar_t* drawer;
    const wchar_t* description;
    DWORD closes_after_ms;
};
const Kind kKinds[] = {
    {"Board", L"KAVBoard", L"VOLX-8613:1", L"KAV cash drawer VOLX-8613:1 (board drawer)", kBoardCloseMs},
    {"Usb", L"KAVUsb", L"usb:1", L"KAV cash drawer usb:1 (USB HID drawer)", kSimCloseMs},
    {"Serial", L"KAVSerial", L"com3", L"KAV cash drawer com3 (RS232 drawer)", kSimCloseMs},
    {"Adapter", L"KAVAdapter", L"COM7", L"KAV cash drawer com7 (drawer on a USB-to-RS232 adapter)", kSimCloseMs},
    {"Printer", L"KAVPrinter", L"printer:com6", L"KAV cash drawer printer:com6 (drawer on a receipt printer)",
     kSimCloseMs},
};

class Registered : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_EQ(regsvr32(false), 0u);
        for (const Kind& kind : kKinds) add_device({kind.device, kProgId, kind.drawer, {}});
    }
};
const auto* const registered = ::testing::AddGlobalTestEnvironment(new Registered);

std::vector<LONG> status_updates(StandInControlObject& co)
{
    std::vector<LONG> numbers;
    for (const DeliveredEvent& event : co.events().delivered())
        if (event.entry == 5) numbers.push_back(event.number);
    return numbers;
}

class OposDrawer : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }
    void TearDown() override
    {
        co.reset();
        CoUninitialize();
    }
    std::unique_ptr<StandInControlObject> co = std::make_unique<StandInControlObject>();
};

TEST_P(OposDrawer, OpensReportsEachChangeWaitsForTheCloseAndCounts)
{
    const Kind& kind = GetParam();
    ASSERT_EQ(co->Open(kind.device), OPOS_SUCCESS);
    EXPECT_EQ(co->get_string(PIDX_DeviceDescription), kind.description);
    EXPECT_EQ(co->get_number(PIDX_CapStatus), 1);
    co->set_number(PIDX_DeviceEnabled, 1);
    ASSERT_EQ(co->ResultCode(), OPOS_SUCCESS) << "the drawer answers";
    ASSERT_EQ(co->get_number(PIDX_DrawerOpened), 0) << "closed at the start";
    ASSERT_EQ(co->ResetStatistics(L""), OPOS_SUCCESS);

    EXPECT_EQ(co->OpenDrawer(), OPOS_SUCCESS);
    EXPECT_EQ(co->get_number(PIDX_DrawerOpened), 1) << "open as OpenDrawer returns";
    EXPECT_TRUE(co->pump_until([&] { return status_updates(*co).size() >= 2; }, kind.closes_after_ms + 5000));
    EXPECT_EQ(status_updates(*co), (std::vector<LONG>{CASH_SUE_DRAWEROPEN, CASH_SUE_DRAWERCLOSED}))
        << "open, then closed when the drawer closed by itself";
    EXPECT_EQ(co->get_number(PIDX_DrawerOpened), 0);

    ASSERT_EQ(co->OpenDrawer(), OPOS_SUCCESS);
    const DWORD start = GetTickCount();
    EXPECT_EQ(co->WaitForDrawerClose(60000, 800, 100, 100), OPOS_SUCCESS);
    const DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, kind.closes_after_ms / 2) << "returned before the drawer closed";
    EXPECT_LT(waited, kind.closes_after_ms + 5000);
    EXPECT_EQ(co->get_number(PIDX_DrawerOpened), 0);
    EXPECT_TRUE(co->pump_until([&] { return status_updates(*co).size() >= 4; }, 5000));
    EXPECT_EQ(status_updates(*co), (std::vector<LONG>{1, 0, 1, 0}));

    EXPECT_EQ(statistic(*co, L"DrawerGoodOpenCount"), L"2");
    EXPECT_EQ(statistic(*co, L"DrawerFailedOpenCount"), L"0");
    EXPECT_EQ(co->Close(), OPOS_SUCCESS);
    EXPECT_EQ(co->loose_results(), 0);
    EXPECT_EQ(co->events().violations(), 0) << co->events().last_violation();
}

INSTANTIATE_TEST_SUITE_P(Each, OposDrawer, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<Kind>& kind) { return std::string(kind.param.test_name); });

// How many of the simulator's trace lines ("KAV_sim: " + message) text holds.
size_t sim_lines(const std::string& text, const std::string& message)
{
    const std::string line = "KAV_sim: " + message + "\n";
    size_t n = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
    return n;
}

// The trace since mark once the drawer has closed again.
std::string until_closed(const kavwine::TraceLog& trace, size_t mark)
{
    kavwine::wait_until([&] { return sim_lines(trace.since(mark), "COM3 drawer closed") > 0; }, 3000);
    return trace.since(mark);
}

class SerialDrawerShared : public OposDrawer {};

TEST_F(SerialDrawerShared, TwoApplicationsShareOnePortAndEachHearsEveryChange)
{
    kavwine::TraceLog trace;
    ASSERT_TRUE(trace.available()) << "KAV_WINE_TRACE_LOG is not set: run under the Wine harness";
    const std::wstring client = L"\"" + beside_this_program(L"opos_client.exe") + L"\" KAVSerial ";

    ASSERT_EQ(co->Open(L"KAVSerial"), OPOS_SUCCESS);
    co->set_number(PIDX_DeviceEnabled, 1);
    ASSERT_EQ(co->ResultCode(), OPOS_SUCCESS);
    // This application holds COM3 from here on; what its enable read by
    // itself before it did is behind the mark.
    Sleep(500);
    size_t mark = trace.mark();

    // The second application's OpenDrawer goes through this one, which
    // pumps its messages meanwhile as an application does.
    RunningProcess second(client + L"enable open-drawer events:2:8000");
    ASSERT_TRUE(second.started());
    EXPECT_TRUE(co->pump_until([&] { return second.output().find("events:2:8000") != std::string::npos; }, 15000))
        << second.output();
    ProcessRun run = second.finish();
    EXPECT_EQ(run.exit_code, 0u) << run.out;
    EXPECT_NE(run.out.find("enable 0\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("open-drawer 0\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("events:2:8000 1,0\n"), std::string::npos) << "the second application hears both changes\n"
                                                                      << run.out;
    EXPECT_TRUE(co->pump_until([&] { return status_updates(*co).size() >= 2; }, 5000));
    EXPECT_EQ(status_updates(*co), (std::vector<LONG>{1, 0}));
    std::string text = until_closed(trace, mark);
    EXPECT_EQ(sim_lines(text, "COM3 received 2 bytes: 55 00"), 1u) << text;
    EXPECT_EQ(sim_lines(text, "COM3 opened a second time"), 0u)
        << "the second application never opened the port\n"
        << text;

    // The port passes on: this application lets it go (disabled), the second
    // takes it over; enabled again, this one's OpenDrawer goes through it.
    RunningProcess holder(client + L"enable events:2:15000");
    ASSERT_TRUE(holder.started());
    ASSERT_TRUE(holder.wait_for_output("enable 0\n", 15000)) << holder.output();
    co->set_number(PIDX_DeviceEnabled, 0);
    Sleep(500);
    co->set_number(PIDX_DeviceEnabled, 1);
    ASSERT_EQ(co->ResultCode(), OPOS_SUCCESS);
    mark = trace.mark();
    EXPECT_EQ(co->OpenDrawer(), OPOS_SUCCESS);
    EXPECT_EQ(co->get_number(PIDX_DrawerOpened), 1);
    EXPECT_TRUE(co->pump_until([&] { return status_updates(*co).size() >= 4; }, kSimCloseMs + 5000));
    EXPECT_EQ(status_updates(*co), (std::vector<LONG>{1, 0, 1, 0}));
    run = holder.finish();
    EXPECT_NE(run.out.find("events:2:15000 1,0\n"), std::string::npos) << run.out;
    text = until_closed(trace, mark);
    EXPECT_EQ(sim_lines(text, "COM3 received 2 bytes: 55 00"), 1u) << text;
    EXPECT_EQ(co->Close(), OPOS_SUCCESS);
}

} // namespace
} // namespace kav::opos::wine
