// The RS232 exports of tillio.dll against the simulated drawers of KAV_sim.sys
// on COM3 and COM12 (kav_wine_test's SIM_SERIAL in CMakeLists.txt), which
// close 1.5 s after a pulse. What the drawer received is read from the
// simulator's trace.
#include "wine_service_control.h"
#include "wine_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using PortFn = int(__stdcall*)(int);

constexpr int kSimulatedPorts[] = {3, 12};
constexpr DWORD kCloseMs = 1500;

std::string port_path(int port) { return "\\\\.\\COM" + std::to_string(port); }

// A simulator trace line: "KAV_sim: " + message.
std::string sim_line(const std::string& message) { return "KAV_sim: " + message + "\n"; }

class SerialExportsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(module_, nullptr) << "LoadLibrary(tillio.dll), error " << GetLastError();
        open_drawer_ = kavwine::export_of<PortFn>(module_, "RS232OpenCashDrawer");
        status_ = kavwine::export_of<PortFn>(module_, "RS232GetCashDrawerStatus");
        check_ = kavwine::export_of<PortFn>(module_, "CheckRS232Controller");
        ASSERT_TRUE(open_drawer_ && status_ && check_) << "an RS232 export is missing";
        ASSERT_TRUE(trace_.available()) << "KAV_WINE_TRACE_LOG is not set: run under the Wine harness";
        for (int port : kSimulatedPorts) {
            char target[256] = "";
            const std::string name = "COM" + std::to_string(port);
            QueryDosDeviceA(name.c_str(), target, sizeof target);
            ASSERT_EQ(std::string(target), "\\Device\\KavSimSerial" + std::to_string(port))
                << name << " is not the simulated port";
        }
    }
    void TearDown() override
    {
        // Each case leaves the drawers closed for the next.
        for (int port : kSimulatedPorts) wait_for_carrier(port, true);
    }
    ~SerialExportsTest() override
    {
        if (module_ != nullptr) FreeLibrary(module_);
    }

    bool trace_has(size_t mark, const std::string& message, DWORD timeout_ms = 3000)
    {
        return kavwine::wait_until([&] { return trace_.since(mark).find(sim_line(message)) != std::string::npos; },
                                   timeout_ms);
    }

    // The carrier as the next program to open the port sees it.
    static bool carrier(int port, bool* high)
    {
        kavwine::Handle h(CreateFileA(port_path(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        DWORD status = 0;
        if (!h.valid() || !GetCommModemStatus(h.get(), &status)) return false;
        *high = (status & MS_RLSD_ON) != 0;
        return true;
    }
    static bool wait_for_carrier(int port, bool high_wanted)
    {
        return kavwine::wait_until([&] {
            bool high = false;
            return carrier(port, &high) && high == high_wanted;
        });
    }

    HMODULE module_ = LoadLibraryA("tillio.dll");
    PortFn open_drawer_ = nullptr;
    PortFn status_ = nullptr;
    PortFn check_ = nullptr;
    kavwine::TraceLog trace_;
};

TEST_F(SerialExportsTest, CheckFindsTheSimulatedPortsAndRefusesTheOthers)
{
    for (int port : kSimulatedPorts) EXPECT_EQ(check_(port), 0) << "COM" << port;
    for (int port : {2, 4, 5, 9, 10, 13, 99, 0, -3}) EXPECT_EQ(check_(port), -1) << "COM" << port;
    // Closed again: the port opens for the next program.
    kavwine::Handle h(CreateFileA(port_path(3).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
    EXPECT_TRUE(h.valid()) << "COM3 after the check, error " << GetLastError();
}

TEST_F(SerialExportsTest, OpenSendsTheMessageAndLeavesTheLineAt9600_8N1)
{
    for (int port : kSimulatedPorts) {
        SCOPED_TRACE("COM" + std::to_string(port));
        const std::string com = "COM" + std::to_string(port);
        const size_t mark = trace_.mark();
        ASSERT_EQ(open_drawer_(port), 0);

        EXPECT_TRUE(trace_has(mark, com + " received 2 bytes: 55 00")) << trace_.since(mark);
        EXPECT_TRUE(trace_has(mark, com + " drawer opened")) << trace_.since(mark);
        const std::string text = trace_.since(mark);
        EXPECT_EQ(text.find(" received ", text.find(" received ") + 1), std::string::npos)
            << "the drawer received more than one write:\n" << text;

        kavwine::Handle h(CreateFileA(port_path(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(h.valid()) << "the port is free again, error " << GetLastError();
        DCB line{};
        line.DCBlength = sizeof line;
        ASSERT_TRUE(GetCommState(h.get(), &line)) << GetLastError();
        EXPECT_EQ(line.BaudRate, 9600u);
        EXPECT_EQ(line.ByteSize, 8);
        EXPECT_EQ(line.Parity, NOPARITY);
        EXPECT_EQ(line.StopBits, ONESTOPBIT);
        EXPECT_EQ(line.fDtrControl, unsigned{DTR_CONTROL_ENABLE});
        EXPECT_EQ(line.fRtsControl, unsigned{RTS_CONTROL_ENABLE});
        EXPECT_FALSE(line.fOutxCtsFlow || line.fOutxDsrFlow || line.fOutX || line.fInX);

        DWORD modem = 0;
        ASSERT_TRUE(GetCommModemStatus(h.get(), &modem));
        EXPECT_EQ(modem & MS_RLSD_ON, 0u) << "carrier detect drops while the drawer is open";
        h.close();
        EXPECT_TRUE(wait_for_carrier(port, true)) << "the drawer closes again after " << kCloseMs << " ms";
        EXPECT_TRUE(trace_has(mark, com + " drawer closed"));
    }
}

TEST_F(SerialExportsTest, StatusOnAnIdlePortAnswersZeroAtOnceAndFreesThePort)
{
    for (int port : kSimulatedPorts) {
        SCOPED_TRACE("COM" + std::to_string(port));
        const size_t mark = trace_.mark();
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(status_(port), 0);
        const ULONGLONG took = GetTickCount64() - start;
        EXPECT_LT(took, 1000u) << "the status call waited for an event";
        // Its pending wait ended with the port's close, and the port is free.
        EXPECT_TRUE(trace_has(mark, "COM" + std::to_string(port) + " wait ends: events 0x0, status 0xc0000120"))
            << trace_.since(mark);
        EXPECT_EQ(check_(port), 0);
    }
    EXPECT_EQ(status_(4), -1);
    EXPECT_EQ(status_(0), -1);
}

// A port scan opens and closes each port, then its caller opens it again at
// once. Wine may deliver a close after the next opener's create and
// requests; the port must serve that opener all the same.
TEST_F(SerialExportsTest, PortReopensRightAfterEachCall)
{
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(check_(3), 0);
        ASSERT_EQ(status_(3), 0);
        ASSERT_EQ(check_(3), 0);
    }
}

// What a serial-port watcher relies on: a held wait completes with EV_RLSD
// when the drawer opens and again when it closes; closing the handle ends a
// held wait. Under Wine the wait's record reads 0xC00000CB while pending, so
// the event is waited on first, then GetOverlappedResult without waiting.
TEST_F(SerialExportsTest, HeldWaitReportsEachCarrierChange)
{
    kavwine::Handle port(CreateFileA(port_path(3).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OVERLAPPED, nullptr));
    ASSERT_TRUE(port.valid()) << GetLastError();
    kavwine::Handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(SetCommMask(port.get(), EV_RLSD));

    const auto wait_for_change = [&](const char* what, const std::function<void()>& cause) {
        SCOPED_TRACE(what);
        OVERLAPPED record{};
        record.hEvent = event.get();
        DWORD events = 0;
        ResetEvent(event.get());
        ASSERT_FALSE(WaitCommEvent(port.get(), &events, &record)) << "the wait completed before the change";
        ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
        cause();
        ASSERT_EQ(WaitForSingleObject(event.get(), kCloseMs + 3000), WAIT_OBJECT_0);
        DWORD bytes = 0;
        ASSERT_TRUE(GetOverlappedResult(port.get(), &record, &bytes, FALSE)) << GetLastError();
        EXPECT_EQ(events, static_cast<DWORD>(EV_RLSD));
    };
    wait_for_change("opening", [&] {
        OVERLAPPED write_record{};
        kavwine::Handle write_event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        write_record.hEvent = write_event.get();
        const BYTE pulse = 0x55;
        DWORD written = 0;
        if (!WriteFile(port.get(), &pulse, 1, &written, &write_record)) {
            ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
            WaitForSingleObject(write_event.get(), 3000);
        }
    });
    wait_for_change("closing", [] {});

    // A wait still held when the handle closes ends then, cancelled.
    OVERLAPPED record{};
    record.hEvent = event.get();
    DWORD events = 0;
    ResetEvent(event.get());
    ASSERT_FALSE(WaitCommEvent(port.get(), &events, &record));
    port.close();
    EXPECT_EQ(WaitForSingleObject(event.get(), 3000), WAIT_OBJECT_0) << "closing left the wait pending";
}

// A port another program holds: on Windows the library's open fails (-1
// from all three, nothing sent). Wine hands out a second handle whatever the
// driver answers, and a driver that refused the requests after it would also
// refuse programs whose create merely overtook the last close, so the
// simulated port serves both: the held port counts as present and the
// drawer fires. The refusal itself is the core's (native tests).
TEST_F(SerialExportsTest, HeldPort)
{
    kavwine::Handle holder(CreateFileA(port_path(3).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.valid()) << GetLastError();
    const int check = check_(3);
    const int opened = open_drawer_(3);
    const int status = status_(3);
    if (kavwine::on_wine()) {
        kavwine::known_wine_difference("a held COM port still opens and works: a driver cannot refuse a create");
        EXPECT_EQ(check, 0);
        EXPECT_EQ(opened, 0);
        EXPECT_EQ(status, 0);
    } else {
        EXPECT_EQ(check, -1);
        EXPECT_EQ(opened, -1);
        EXPECT_EQ(status, -1);
    }
    // The holder's own handle still works.
    DWORD modem = 0;
    EXPECT_TRUE(GetCommModemStatus(holder.get(), &modem)) << GetLastError();
}

// The simulator stopped while each port holds a wait and a drawer has just
// sprung (its closing timer armed, firing around the stop in the later
// rounds), 20 times: each stop ends the held waits, and the driver host
// survives to start the simulator again and serve its ports.
TEST_F(SerialExportsTest, StoppingTheSimulatorWithWaitsHeldAndADrawerSpringing)
{
    constexpr const char* kSimService = "KAV_sim";
    constexpr int kRounds = 20;
    const size_t mark = trace_.mark();
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        struct HeldWait {
            explicit HeldWait(int number)
                : port(CreateFileA(port_path(number).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr)),
                  event(CreateEventA(nullptr, TRUE, FALSE, nullptr))
            {
            }
            kavwine::Handle port, event;
            OVERLAPPED record{};
            DWORD events = 0;
        } waits[2] = {HeldWait(kSimulatedPorts[0]), HeldWait(kSimulatedPorts[1])};
        for (HeldWait& w : waits) {
            ASSERT_TRUE(w.port.valid()) << GetLastError();
            ASSERT_TRUE(SetCommMask(w.port.get(), EV_RLSD));
        }
        const auto hold_wait = [](HeldWait& w) {
            ResetEvent(w.event.get());
            w.record = OVERLAPPED{};
            w.record.hEvent = w.event.get();
            ASSERT_FALSE(WaitCommEvent(w.port.get(), &w.events, &w.record)) << "the wait completed at once";
            ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
        };
        for (HeldWait& w : waits) hold_wait(w);
        // COM3's drawer springs: its wait ends, and the next one is for its closing.
        const BYTE pulse = 0x55;
        DWORD written = 0;
        OVERLAPPED write_record{};
        kavwine::Handle write_event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        write_record.hEvent = write_event.get();
        if (!WriteFile(waits[0].port.get(), &pulse, 1, &written, &write_record)) {
            ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
            ASSERT_EQ(WaitForSingleObject(write_event.get(), 3000), WAIT_OBJECT_0);
        }
        ASSERT_EQ(WaitForSingleObject(waits[0].event.get(), 3000), WAIT_OBJECT_0) << "the drawer sprang";
        hold_wait(waits[0]);
        Sleep(round * (kCloseMs + 100) / kRounds);

        ASSERT_EQ(kavwine::stop_service(kSimService), 0u) << "the simulator stops";
        for (HeldWait& w : waits) {
            EXPECT_EQ(WaitForSingleObject(w.event.get(), 3000), WAIT_OBJECT_0) << "the stop ended the held wait";
        }
        // COM12's drawer never moved: its wait can only have been cancelled.
        DWORD bytes = 0;
        EXPECT_FALSE(GetOverlappedResult(waits[1].port.get(), &waits[1].record, &bytes, FALSE));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OPERATION_ABORTED));
        for (HeldWait& w : waits) w.port.close();
        ASSERT_EQ(kavwine::start_service(kSimService), 0u) << "the driver host starts the simulator again";
        for (int port : kSimulatedPorts) {
            ASSERT_EQ(kavwine::wait_for_dos_device(("COM" + std::to_string(port)).c_str()), 0u);
        }
    }
    const std::string lines = trace_.since(mark);
    EXPECT_NE(lines.find(sim_line("COM12 wait ends: the port goes away")), std::string::npos) << lines;
    for (int port : kSimulatedPorts) {
        EXPECT_EQ(check_(port), 0) << "COM" << port << " answers after the last start";
        EXPECT_EQ(status_(port), 0) << "its drawer reads closed";
    }
}

} // namespace
