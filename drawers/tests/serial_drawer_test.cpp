#include "serial_drawer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace kav::drawers {
namespace {

constexpr int32_t kDone = TILLIO_DONE;
constexpr int32_t kDeviceNotOpened = TILLIO_DEVICE_NOT_OPENED;

// Records every call in order and checks handle use as the system would:
// calls only on open handles, each handle and event closed exactly once.
class FakeSerialLine final : public SerialLine {
public:
    bool opens = true;
    bool reads_settings = true;
    bool takes_settings = true;
    bool takes_mask = true;
    bool makes_event = true;
    WaitStart wait = WaitStart::Pending;
    uint32_t waiting_events = 0;
    LineSettings port_settings; // what the port holds before the call

    std::vector<std::string> calls;
    std::vector<std::string> opened_paths;
    std::vector<bool> opened_overlapped;
    uint32_t length_asked = 0;
    LineSettings applied;
    std::vector<uint8_t> written;
    uint32_t mask = 0;

    SerialHandle open(const char* path, bool overlapped) override
    {
        calls.push_back("open");
        opened_paths.emplace_back(path);
        opened_overlapped.push_back(overlapped);
        if (!opens) return kNoSerialPort;
        return track(ports_);
    }
    bool get_settings(SerialHandle port, LineSettings& settings) override
    {
        expect_open(ports_, port);
        calls.push_back("get_settings");
        length_asked = settings.length;
        if (!reads_settings) return false;
        settings = port_settings;
        settings.length = length_asked;
        return true;
    }
    bool set_settings(SerialHandle port, const LineSettings& settings) override
    {
        expect_open(ports_, port);
        calls.push_back("set_settings");
        applied = settings;
        return takes_settings;
    }
    bool write(SerialHandle port, const void* data, uint32_t length) override
    {
        expect_open(ports_, port);
        calls.push_back("write");
        const auto* bytes = static_cast<const uint8_t*>(data);
        written.insert(written.end(), bytes, bytes + length);
        return true;
    }
    bool set_event_mask(SerialHandle port, uint32_t new_mask) override
    {
        expect_open(ports_, port);
        calls.push_back("set_event_mask");
        mask = new_mask;
        return takes_mask;
    }
    EventHandle create_event() override
    {
        calls.push_back("create_event");
        return makes_event ? track(events_) : kNoEvent;
    }
    WaitStart start_wait(SerialHandle port, EventHandle event, uint32_t& received_mask) override
    {
        expect_open(ports_, port);
        expect_open(events_, event);
        calls.push_back("start_wait");
        received_mask = 0;
        if (wait == WaitStart::Completed) received_mask = waiting_events;
        return wait;
    }
    void settle_wait(EventHandle event) override
    {
        expect_open(events_, event);
        calls.push_back("settle_wait");
    }
    void close(SerialHandle port) override
    {
        calls.push_back("close");
        EXPECT_EQ(ports_.erase(port), 1u) << "closing a port that is not open";
    }
    void close_event(EventHandle event) override
    {
        calls.push_back("close_event");
        EXPECT_EQ(events_.erase(event), 1u) << "closing an event that is not open";
    }

    bool all_closed() const { return ports_.empty() && events_.empty(); }

private:
    void* track(std::set<void*>& open)
    {
        void* handle = reinterpret_cast<void*>(next_++);
        open.insert(handle);
        return handle;
    }
    static void expect_open(const std::set<void*>& open, void* handle)
    {
        EXPECT_TRUE(open.count(handle)) << "call on a handle that is not open";
    }

    std::set<void*> ports_;
    std::set<void*> events_;
    uintptr_t next_ = 0x100;
};

using Calls = std::vector<std::string>;

TEST(SerialPortPath, NamesThePortInDecimalWithoutLeadingZeros)
{
    const struct {
        int32_t port;
        const char* path;
    } cases[] = {
        {1, "\\\\.\\COM1"},
        {9, "\\\\.\\COM9"},
        {10, "\\\\.\\COM10"},
        {12, "\\\\.\\COM12"},
        {100, "\\\\.\\COM100"},
        {INT_MAX, "\\\\.\\COM2147483647"},
    };
    for (const auto& c : cases) {
        SerialPortPath path;
        ASSERT_TRUE(serial_port_path(c.port, path)) << c.port;
        EXPECT_STREQ(path.text, c.path);
    }
    for (int32_t port : {0, -1, -3, INT_MIN}) {
        SerialPortPath path;
        EXPECT_FALSE(serial_port_path(port, path)) << port;
    }
}

TEST(SerialDrawer, PortNumbersBelowOneAreRefusedWithoutASystemCall)
{
    for (int32_t port : {0, -3, INT_MIN}) {
        FakeSerialLine line;
        EXPECT_EQ(open_cash_drawer(line, port), kDeviceNotOpened) << port;
        EXPECT_EQ(cash_drawer_status(line, port), kDeviceNotOpened) << port;
        EXPECT_EQ(check_port(line, port), kDeviceNotOpened) << port;
        EXPECT_TRUE(line.calls.empty()) << port;
    }
}

// The port's record before the call: every field the drawer's line sets has
// the opposite of its target, every other field a value of its own.
LineSettings foreign_settings()
{
    LineSettings s;
    s.baud_rate = 1200;
    s.binary = false;
    s.parity_check = false;
    s.cts_output_flow = true;
    s.dsr_output_flow = true;
    s.dtr_control = 2;
    s.dsr_sensitivity = true;
    s.tx_continue_on_xoff = false;
    s.xon_xoff_output = true;
    s.xon_xoff_input = true;
    s.error_char_replace = true;
    s.discard_null = true;
    s.rts_control = 3;
    s.abort_on_error = true;
    s.reserved_bits = 0x1ABCD;
    s.reserved = 0x1234;
    s.xon_limit = 111;
    s.xoff_limit = 222;
    s.byte_size = 7;
    s.parity = 2;
    s.stop_bits = 2;
    s.xon_char = 0x11;
    s.xoff_char = 0x13;
    s.error_char = '?';
    s.eof_char = 0x1A;
    s.event_char = '\n';
    s.reserved1 = 0x5678;
    return s;
}

TEST(RS232OpenCashDrawer, SetsTheDrawersLineFieldByFieldAndKeepsTheRest)
{
    FakeSerialLine line;
    line.port_settings = foreign_settings();
    ASSERT_EQ(open_cash_drawer(line, 3), kDone);
    const LineSettings& a = line.applied;

    EXPECT_EQ(line.length_asked, 28u);
    EXPECT_EQ(a.length, 28u);
    const struct {
        const char* field;
        uint32_t actual;
        uint32_t expected;
    } fields[] = {
        {"baud rate", a.baud_rate, 9600},
        {"data bits", a.byte_size, 8},
        {"parity", a.parity, 0},
        {"stop bits (0: one)", a.stop_bits, 0},
        {"binary", a.binary, 1},
        {"parity checking", a.parity_check, 1},
        {"CTS output flow", a.cts_output_flow, 0},
        {"DSR output flow", a.dsr_output_flow, 0},
        {"DTR held on", a.dtr_control, 1},
        {"DSR sensitivity", a.dsr_sensitivity, 0},
        {"TX continues after XOFF", a.tx_continue_on_xoff, 1},
        {"XON/XOFF output", a.xon_xoff_output, 0},
        {"XON/XOFF input", a.xon_xoff_input, 0},
        {"error-character replacement", a.error_char_replace, 0},
        {"null discarding", a.discard_null, 0},
        {"RTS held on", a.rts_control, 1},
        {"abort on error", a.abort_on_error, 0},
    };
    for (const auto& f : fields) EXPECT_EQ(f.actual, f.expected) << f.field;

    // The whole record: the drawer's fields as written out above, every other
    // field as the port had it.
    LineSettings kept = foreign_settings();
    kept.length = 28;
    kept.baud_rate = 9600;
    kept.byte_size = 8;
    kept.parity = 0;
    kept.stop_bits = 0;
    kept.binary = true;
    kept.parity_check = true;
    kept.cts_output_flow = false;
    kept.dsr_output_flow = false;
    kept.dtr_control = 1;
    kept.dsr_sensitivity = false;
    kept.tx_continue_on_xoff = true;
    kept.xon_xoff_output = false;
    kept.xon_xoff_input = false;
    kept.error_char_replace = false;
    kept.discard_null = false;
    kept.rts_control = 1;
    kept.abort_on_error = false;
    EXPECT_EQ(a, kept) << "a field outside the drawer's line was changed";
    EXPECT_EQ(a.xon_limit, 111);
    EXPECT_EQ(a.event_char, '\n');
    EXPECT_EQ(a.reserved_bits, 0x1ABCDu);
}

TEST(RS232OpenCashDrawer, SendsTheTwoByteMessageInOneWrite)
{
    FakeSerialLine line;
    ASSERT_EQ(open_cash_drawer(line, 12), kDone);
    EXPECT_EQ(line.opened_paths, std::vector<std::string>{"\\\\.\\COM12"});
    EXPECT_EQ(line.opened_overlapped, std::vector<bool>{false});
    EXPECT_EQ(line.written, (std::vector<uint8_t>{0x55, 0x00}));
    EXPECT_EQ(line.calls, (Calls{"open", "get_settings", "set_settings", "write", "close"}));
}

struct OutcomeCase {
    const char* name;
    void (*script)(FakeSerialLine&);
    int32_t expected;
    Calls calls;
};

TEST(RS232OpenCashDrawer, ReportsEachFailureAndClosesThePortOnce)
{
    const OutcomeCase cases[] = {
        {"no port", [](FakeSerialLine& l) { l.opens = false; }, kDeviceNotOpened, {"open"}},
        {"settings refused", [](FakeSerialLine& l) { l.takes_settings = false; }, kSettingsRefused,
         {"open", "get_settings", "set_settings", "close"}},
        // Nothing read: the record goes back as it was, with the drawer's fields.
        {"settings unreadable", [](FakeSerialLine& l) { l.reads_settings = false; }, kDone,
         {"open", "get_settings", "set_settings", "write", "close"}},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSerialLine line;
        c.script(line);
        EXPECT_EQ(open_cash_drawer(line, 1), c.expected);
        EXPECT_EQ(line.calls, c.calls);
        EXPECT_TRUE(line.all_closed());
        if (c.expected != kDone) {
            EXPECT_TRUE(line.written.empty());
        }
    }
}

TEST(RS232GetCashDrawerStatus, ReportsOnlyACarrierChangeAlreadyThereAndClosesEverythingOnce)
{
    const Calls full = {"open", "set_event_mask", "create_event", "start_wait", "close", "close_event"};
    // A pending wait is cancelled by closing the port; its record is released
    // only once it has come back.
    const Calls pending = {"open", "set_event_mask", "create_event", "start_wait", "close", "settle_wait",
                           "close_event"};
    const OutcomeCase cases[] = {
        {"no port", [](FakeSerialLine& l) { l.opens = false; }, kDeviceNotOpened, {"open"}},
        {"mask refused", [](FakeSerialLine& l) { l.takes_mask = false; }, kEventMaskRefused,
         {"open", "set_event_mask", "close"}},
        {"no event", [](FakeSerialLine& l) { l.makes_event = false; }, kNoEventObject,
         {"open", "set_event_mask", "create_event", "close"}},
        {"idle port", [](FakeSerialLine& l) { l.wait = WaitStart::Pending; }, 0, pending},
        {"wait failed", [](FakeSerialLine& l) { l.wait = WaitStart::Failed; }, 0, full},
        {"carrier change",
         [](FakeSerialLine& l) {
             l.wait = WaitStart::Completed;
             l.waiting_events = kEventCarrier;
         },
         kCarrierChanged, full},
        {"carrier change and ring",
         [](FakeSerialLine& l) {
             l.wait = WaitStart::Completed;
             l.waiting_events = kEventCarrier | kEventRing;
         },
         kCarrierChanged, full},
        {"ring only",
         [](FakeSerialLine& l) {
             l.wait = WaitStart::Completed;
             l.waiting_events = kEventRing;
         },
         0, full},
    };
    for (const OutcomeCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSerialLine line;
        c.script(line);
        EXPECT_EQ(cash_drawer_status(line, 10), c.expected);
        EXPECT_EQ(line.calls, c.calls);
        EXPECT_TRUE(line.all_closed());
        EXPECT_EQ(line.opened_paths, std::vector<std::string>{"\\\\.\\COM10"});
        EXPECT_EQ(line.opened_overlapped, std::vector<bool>{true});
        if (line.mask != 0) {
            EXPECT_EQ(line.mask, 0x120u);
        }
    }
}

TEST(CheckRS232Controller, OpensAndClosesOrReportsTheMissingPort)
{
    FakeSerialLine present;
    EXPECT_EQ(check_port(present, 9), kDone);
    EXPECT_EQ(present.calls, (Calls{"open", "close"}));
    EXPECT_EQ(present.opened_paths, std::vector<std::string>{"\\\\.\\COM9"});
    EXPECT_EQ(present.opened_overlapped, std::vector<bool>{false});
    EXPECT_TRUE(present.all_closed());

    FakeSerialLine missing;
    missing.opens = false;
    EXPECT_EQ(check_port(missing, 9), kDeviceNotOpened);
    EXPECT_EQ(missing.calls, Calls{"open"});
}

} // namespace
} // namespace kav::drawers
