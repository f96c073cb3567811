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
#include <utility>
#include <vector>

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

// Every field of the system's line record, by name.
std::vector<std::pair<std::string, unsigned>> dcb_fields(const DCB& d)
{
    return {{"DCBlength", d.DCBlength},
            {"BaudRate", d.BaudRate},
            {"fBinary", d.fBinary},
            {"fParity", d.fParity},
            {"fOutxCtsFlow", d.fOutxCtsFlow},
            {"fOutxDsrFlow", d.fOutxDsrFlow},
            {"fDtrControl", d.fDtrControl},
            {"fDsrSensitivity", d.fDsrSensitivity},
            {"fTXContinueOnXoff", d.fTXContinueOnXoff},
            {"fOutX", d.fOutX},
            {"fInX", d.fInX},
            {"fErrorChar", d.fErrorChar},
            {"fNull", d.fNull},
            {"fRtsControl", d.fRtsControl},
            {"fAbortOnError", d.fAbortOnError},
            {"fDummy2", d.fDummy2},
            {"wReserved", d.wReserved},
            {"XonLim", d.XonLim},
            {"XoffLim", d.XoffLim},
            {"ByteSize", d.ByteSize},
            {"Parity", d.Parity},
            {"StopBits", d.StopBits},
            {"XonChar", static_cast<unsigned char>(d.XonChar)},
            {"XoffChar", static_cast<unsigned char>(d.XoffChar)},
            {"ErrorChar", static_cast<unsigned char>(d.ErrorChar)},
            {"EofChar", static_cast<unsigned char>(d.EofChar)},
            {"EvtChar", static_cast<unsigned char>(d.EvtChar)},
            {"wReserved1", d.wReserved1}};
}

// A line unlike the drawer's in every field the drawer sets, and with
// values of its own in every other.
DCB foreign_line()
{
    DCB d{};
    d.DCBlength = sizeof d;
    d.BaudRate = 1200;
    d.fBinary = TRUE;
    d.fParity = FALSE;
    d.fOutxCtsFlow = TRUE;
    d.fOutxDsrFlow = TRUE;
    d.fDtrControl = DTR_CONTROL_HANDSHAKE;
    d.fDsrSensitivity = TRUE;
    d.fTXContinueOnXoff = FALSE;
    d.fOutX = TRUE;
    d.fInX = TRUE;
    d.fErrorChar = TRUE;
    d.fNull = TRUE;
    d.fRtsControl = RTS_CONTROL_TOGGLE;
    d.fAbortOnError = TRUE;
    d.XonLim = 111;
    d.XoffLim = 222;
    d.ByteSize = 7;
    d.Parity = EVENPARITY;
    d.StopBits = TWOSTOPBITS;
    d.XonChar = 0x01;
    d.XoffChar = 0x02;
    d.ErrorChar = '?';
    d.EofChar = 0x1A;
    d.EvtChar = '\n';
    return d;
}

// The drawer's line, written out: 9600 8N1, binary, parity checked, no flow
// control, DTR and RTS held on, no error replacement or null discarding, no
// abort on error, transmission going on after XOFF.
const std::pair<const char*, unsigned> kDrawerLine[] = {
    {"BaudRate", 9600},      {"ByteSize", 8},        {"Parity", NOPARITY},        {"StopBits", ONESTOPBIT},
    {"fBinary", 1},          {"fParity", 1},         {"fOutxCtsFlow", 0},         {"fOutxDsrFlow", 0},
    {"fDtrControl", DTR_CONTROL_ENABLE},             {"fDsrSensitivity", 0},      {"fTXContinueOnXoff", 1},
    {"fOutX", 0},            {"fInX", 0},            {"fErrorChar", 0},           {"fNull", 0},
    {"fRtsControl", RTS_CONTROL_ENABLE},             {"fAbortOnError", 0},
};

bool read_line(int port, DCB& line)
{
    kavwine::Handle h(CreateFileA(port_path(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
    line = DCB{};
    line.DCBlength = sizeof line;
    return h.valid() && GetCommState(h.get(), &line);
}

bool write_line(int port, DCB line)
{
    kavwine::Handle h(CreateFileA(port_path(port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
    return h.valid() && SetCommState(h.get(), &line);
}

TEST_F(SerialExportsTest, OpenSendsTheMessageAndLeavesTheLineAt9600_8N1)
{
    for (int port : kSimulatedPorts) {
        SCOPED_TRACE("COM" + std::to_string(port));
        const std::string com = "COM" + std::to_string(port);
        // The port's line before the firing, as the system reads it back.
        ASSERT_TRUE(write_line(port, foreign_line())) << GetLastError();
        DCB before{};
        ASSERT_TRUE(read_line(port, before)) << GetLastError();
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
        // The whole record: the drawer's line, and every other field as before.
        const auto was = dcb_fields(before);
        const auto now = dcb_fields(line);
        for (size_t i = 0; i < now.size(); ++i) {
            const std::string& name = now[i].first;
            unsigned expected = was[i].second;
            for (const auto& [field, value] : kDrawerLine) {
                if (name != field) continue;
                expected = value;
                // Binary transfer is the only kind Windows has.
                if (name != "fBinary") {
                    EXPECT_NE(was[i].second, value) << name << " had the drawer's value before";
                }
            }
            if (name == "fParity" && kavwine::on_wine()) {
                kavwine::known_wine_difference("no serial request carries a DCB's fParity: Wine reads back what "
                                               "the port had, whatever was set");
                expected = was[i].second;
            }
            EXPECT_EQ(now[i].second, expected) << name << " (before: " << was[i].second << ")";
        }

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
// drawer fires. The refusal itself is the core's (native tests) and the
// edge's exclusive open (SerialEdge, on a file).
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
