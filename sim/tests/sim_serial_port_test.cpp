#include "sim_serial_port.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace kav::sim {
namespace {

constexpr uint64_t kCloseUs = 500000;
constexpr FileId kFirst = 0x1000;
constexpr FileId kSecond = 0x2000;

class SimSerialPortTest : public ::testing::Test {
protected:
    SimSerialPortTest() { EXPECT_FALSE(port_.open()); }

    SerialAnswer request(uint32_t code, std::vector<uint8_t> input = {}, uint32_t output_length = 0,
                         FileId file = kFirst)
    {
        buffer_.assign(std::max<size_t>(input.size(), output_length), 0xEE);
        std::copy(input.begin(), input.end(), buffer_.begin());
        return port_.control(file, code, buffer_.empty() ? nullptr : buffer_.data(),
                             static_cast<uint32_t>(input.size()), output_length, now_);
    }
    uint32_t value_out(uint32_t code)
    {
        const SerialAnswer answer = request(code, {}, 4);
        EXPECT_EQ(answer.status, kStatusSuccess);
        EXPECT_EQ(answer.information, 4u);
        uint32_t value = 0;
        std::memcpy(&value, buffer_.data(), 4);
        return value;
    }
    SerialAnswer set_mask(uint32_t mask)
    {
        return request(kSetWaitMask, {uint8_t(mask), uint8_t(mask >> 8), uint8_t(mask >> 16), uint8_t(mask >> 24)});
    }
    SerialAnswer send(std::vector<uint8_t> bytes)
    {
        return port_.write(bytes.data(), static_cast<uint32_t>(bytes.size()), now_);
    }

    SimSerialPort port_{kCloseUs};
    std::vector<uint8_t> buffer_;
    uint64_t now_ = 1000;
};

TEST_F(SimSerialPortTest, RecordsRoundTripAndOutliveTheOpener)
{
    const struct {
        uint32_t get;
        uint32_t set;
        uint32_t size;
    } records[] = {
        {kGetBaudRate, kSetBaudRate, kBaudRateSize},  {kGetLineControl, kSetLineControl, kLineControlSize},
        {kGetHandflow, kSetHandflow, kHandflowSize},  {kGetChars, kSetChars, kCharsSize},
        {kGetTimeouts, kSetTimeouts, kTimeoutsSize},
    };
    for (const auto& r : records) {
        SCOPED_TRACE(r.size);
        std::vector<uint8_t> record(r.size);
        for (uint32_t i = 0; i < r.size; ++i) record[i] = static_cast<uint8_t>(0x10 + i);
        EXPECT_EQ(request(r.set, std::vector<uint8_t>(record.begin(), record.end() - 1)).status,
                  kStatusInvalidParameter);
        EXPECT_EQ(request(r.set, record).status, kStatusSuccess);
        EXPECT_EQ(request(r.get, {}, r.size - 1).status, kStatusBufferTooSmall);
        port_.close(kFirst);
        ASSERT_FALSE(port_.open());
        const SerialAnswer answer = request(r.get, {}, r.size + 4, kSecond);
        EXPECT_EQ(answer.status, kStatusSuccess);
        EXPECT_EQ(answer.information, r.size);
        EXPECT_EQ(std::vector<uint8_t>(buffer_.begin(), buffer_.begin() + r.size), record);
        port_.close(kSecond);
        ASSERT_FALSE(port_.open());
    }
}

// Under Wine the port serves every opener (see SimSerialPort::open); a
// second opener's close must not end the first one's wait.
TEST_F(SimSerialPortTest, SecondOpenerIsServedAndItsCloseLeavesTheWaitAlone)
{
    EXPECT_TRUE(port_.open()) << "the port was open already";
    set_mask(kEventRlsd);
    EXPECT_TRUE(request(kWaitOnMask, {}, 4).hold);
    EXPECT_EQ(request(kGetModemStatus, {}, 4, kSecond).status, kStatusSuccess);
    EXPECT_FALSE(port_.close(kSecond).due);
    EXPECT_TRUE(port_.wait_held());
    const WaitCompletion closed = port_.close(kFirst);
    EXPECT_TRUE(closed.due);
    EXPECT_EQ(closed.status, kStatusCancelled);
}

TEST_F(SimSerialPortTest, LastCloseDropsTheLinesAndTheMask)
{
    std::vector<uint8_t> handflow(kHandflowSize, 0);
    handflow[0] = 0x01;
    handflow[4] = 0x40;
    request(kSetHandflow, handflow);
    set_mask(kEventRlsd);
    port_.open();
    port_.close(kSecond);
    EXPECT_TRUE(port_.dtr_on()) << "another opener is still there";
    port_.close(kFirst);
    EXPECT_FALSE(port_.dtr_on());
    EXPECT_FALSE(port_.rts_on());
    port_.open();
    EXPECT_EQ(value_out(kGetWaitMask), 0u);
}

TEST_F(SimSerialPortTest, HeldWaitCompletesWithCarrierChangeAtOpeningAndAtClosing)
{
    EXPECT_EQ(set_mask(kEventRlsd | kEventRing).status, kStatusSuccess);
    EXPECT_EQ(value_out(kGetModemStatus), kModemCts | kModemDsr | kModemRlsd);

    SerialAnswer wait = request(kWaitOnMask, {}, 4);
    EXPECT_TRUE(wait.hold);
    EXPECT_EQ(wait.status, kStatusPending);

    const SerialAnswer written = send({0x55, 0x00});
    EXPECT_EQ(written.status, kStatusSuccess);
    EXPECT_EQ(written.information, 2u);
    EXPECT_TRUE(written.held.due);
    EXPECT_EQ(written.held.status, kStatusSuccess);
    EXPECT_EQ(written.held.events, kEventRlsd);
    EXPECT_EQ(value_out(kGetModemStatus), kModemCts | kModemDsr);

    EXPECT_TRUE(request(kWaitOnMask, {}, 4).hold);
    EXPECT_EQ(port_.next_change_us(), now_ + kCloseUs);
    EXPECT_FALSE(port_.advance(now_ + kCloseUs - 1).due);
    const WaitCompletion closed = port_.advance(now_ + kCloseUs);
    EXPECT_TRUE(closed.due);
    EXPECT_EQ(closed.events, kEventRlsd);
    EXPECT_FALSE(port_.wait_held());
    EXPECT_EQ(port_.next_change_us(), 0u);
}

TEST_F(SimSerialPortTest, ChangeWithNoWaitHeldIsReportedByTheNextWait)
{
    set_mask(kEventRlsd);
    EXPECT_FALSE(send({0x55}).held.due);
    const SerialAnswer wait = request(kWaitOnMask, {}, 4);
    EXPECT_FALSE(wait.hold);
    EXPECT_EQ(wait.status, kStatusSuccess);
    EXPECT_EQ(wait.information, 4u);
    EXPECT_EQ(buffer_[0], kEventRlsd);
    EXPECT_TRUE(request(kWaitOnMask, {}, 4).hold) << "an event is reported once";
}

// The completion went to a wait whose cancel routine had already claimed it:
// the carrier change it carried is reported by the next wait, not lost.
TEST_F(SimSerialPortTest, EventsOfAnUndeliveredCompletionGoToTheNextWait)
{
    set_mask(kEventRlsd);
    EXPECT_TRUE(request(kWaitOnMask, {}, 4).hold);
    const WaitCompletion undelivered = send({0x55}).held;
    ASSERT_TRUE(undelivered.due);
    port_.return_events(undelivered.events);

    const SerialAnswer next = request(kWaitOnMask, {}, 4);
    EXPECT_FALSE(next.hold);
    EXPECT_EQ(next.status, kStatusSuccess);
    EXPECT_EQ(buffer_[0], kEventRlsd);
    EXPECT_TRUE(request(kWaitOnMask, {}, 4).hold) << "and reported once";
}

TEST_F(SimSerialPortTest, EventsOutsideTheMaskAndBeforeANewMaskAreNotReported)
{
    set_mask(kEventRing);
    send({0x55});
    set_mask(kEventRlsd | kEventRing);
    EXPECT_TRUE(request(kWaitOnMask, {}, 4).hold);
}

TEST_F(SimSerialPortTest, HeldWaitEndsOnNewMaskOnCloseAndOnALateDrawer)
{
    set_mask(kEventRlsd);
    request(kWaitOnMask, {}, 4);
    const SerialAnswer remasked = set_mask(kEventRlsd);
    EXPECT_TRUE(remasked.held.due);
    EXPECT_EQ(remasked.held.status, kStatusSuccess);
    EXPECT_EQ(remasked.held.events, 0u);

    request(kWaitOnMask, {}, 4);
    const WaitCompletion closed = port_.close(kFirst);
    EXPECT_TRUE(closed.due);
    EXPECT_EQ(closed.status, kStatusCancelled);

    // The timer has not run yet when a request arrives after the close time.
    ASSERT_FALSE(port_.open());
    set_mask(kEventRlsd);
    send({0x55});
    EXPECT_FALSE(request(kWaitOnMask, {}, 4).hold) << "the opening was reported at once";
    EXPECT_TRUE(request(kWaitOnMask, {}, 4).hold);
    now_ += kCloseUs;
    const SerialAnswer status = request(kGetModemStatus, {}, 4);
    EXPECT_TRUE(status.held.due);
    EXPECT_EQ(status.held.events, kEventRlsd);
    EXPECT_EQ(buffer_[0], kModemCts | kModemDsr | kModemRlsd);
}

TEST_F(SimSerialPortTest, RefusesAWaitWithoutMaskOrBesideAHeldOne)
{
    EXPECT_EQ(request(kWaitOnMask, {}, 4).status, kStatusInvalidParameter);
    set_mask(kEventRlsd);
    EXPECT_EQ(request(kWaitOnMask, {}, 3).status, kStatusInvalidParameter);
    EXPECT_TRUE(request(kWaitOnMask, {}, 4).hold);
    const SerialAnswer second = request(kWaitOnMask, {}, 4);
    EXPECT_FALSE(second.hold);
    EXPECT_EQ(second.status, kStatusInvalidParameter);
    EXPECT_TRUE(port_.wait_held());
}

TEST_F(SimSerialPortTest, DtrAndRtsFollowHandflowAndTheLineRequestsAndDropOnClose)
{
    // ControlHandShake DTR control, FlowReplace RTS control, as SetCommState sends.
    std::vector<uint8_t> handflow(kHandflowSize, 0);
    handflow[0] = 0x01;
    handflow[4] = 0x40;
    request(kSetHandflow, handflow);
    EXPECT_TRUE(port_.dtr_on());
    EXPECT_TRUE(port_.rts_on());
    EXPECT_EQ(value_out(kGetDtrRts), 3u);
    request(kClrRts);
    EXPECT_EQ(value_out(kGetDtrRts), 1u);
    port_.close(kFirst);
    EXPECT_FALSE(port_.dtr_on());
}

TEST_F(SimSerialPortTest, UnknownRequestsAndShortBuffersAreRefused)
{
    EXPECT_EQ(request(0x1B0000 | 99 << 2, {}, 4).status, kStatusInvalidDeviceRequest);
    EXPECT_EQ(request(kGetModemStatus, {}, 3).status, kStatusBufferTooSmall);
    EXPECT_EQ(request(kGetProperties, {}, 63).status, kStatusBufferTooSmall);
    EXPECT_EQ(request(kSetWaitMask, {1, 0, 0}).status, kStatusInvalidParameter);
    EXPECT_EQ(port_.control(kFirst, kGetModemStatus, nullptr, 0, 4, now_).status, kStatusInvalidParameter);
}

} // namespace
} // namespace kav::sim

namespace kav::sim {
namespace {

// A receipt printer's port: it hears the line only as its own 9600 8N1,
// answers through reads, and its drawer moves no line.
class PrinterPortTest : public SimSerialPortTest {
protected:
    PrinterPortTest() { printer_port_.open(); }
    SerialAnswer to_printer(uint32_t code, std::vector<uint8_t> input = {}, uint32_t output_length = 0)
    {
        buffer_.assign(std::max<size_t>(input.size(), output_length), 0xEE);
        std::copy(input.begin(), input.end(), buffer_.begin());
        return printer_port_.control(kFirst, code, buffer_.data(), static_cast<uint32_t>(input.size()),
                                     output_length, now_);
    }
    void set_line(uint32_t baud, uint8_t word_length, uint8_t parity)
    {
        to_printer(kSetBaudRate, {uint8_t(baud), uint8_t(baud >> 8), uint8_t(baud >> 16), 0});
        to_printer(kSetLineControl, {0, parity, word_length});
    }
    SerialAnswer print(std::vector<uint8_t> bytes)
    {
        return printer_port_.write(bytes.data(), static_cast<uint32_t>(bytes.size()), now_);
    }
    std::vector<uint8_t> read(uint32_t length)
    {
        std::vector<uint8_t> out(length + 1, 0xEE);
        const SerialAnswer answer = printer_port_.read(out.data(), length);
        EXPECT_EQ(answer.status, kStatusSuccess);
        out.resize(answer.information);
        return out;
    }

    SimSerialPort printer_port_{kCloseUs, PrinterSetup{5, true, 9600}};
};

TEST_F(PrinterPortTest, HearsOnlyItsOwnLineAndAnswersThroughReads)
{
    print({0x10, 0x04, 0x01});
    EXPECT_EQ(read(4), std::vector<uint8_t>{}) << "at the power-on 1200 7E1 it hears noise";
    set_line(9600, 7, 0);
    EXPECT_TRUE(print({0x10, 0x04, 0x01}).heard.garbled);
    set_line(9600, 8, 2);
    EXPECT_TRUE(print({0x10, 0x04, 0x01}).heard.garbled);

    set_line(9600, 8, 0);
    const SerialAnswer asked = print({0x10, 0x04, 0x01});
    EXPECT_EQ(asked.information, 3u);
    EXPECT_EQ(asked.heard.status_requests, 1u);
    EXPECT_EQ(to_printer(kGetCommStatus, {}, kCommStatusSize).status, kStatusSuccess);
    EXPECT_EQ(buffer_[8], 1u) << "one byte waits in the input queue";
    EXPECT_EQ(read(4), std::vector<uint8_t>{0x16}) << "closed, and closed reads high on this drawer";
    EXPECT_EQ(read(4), std::vector<uint8_t>{}) << "a read with nothing there returns at once";

    // A purge of the input drops an answer nobody read; one of the output does not.
    print({0x10, 0x04, 0x01});
    EXPECT_EQ(to_printer(kPurge, {0x04, 0, 0, 0}).status, kStatusSuccess);
    EXPECT_EQ(printer_port_.printer().queued(), 1u);
    EXPECT_EQ(to_printer(kPurge, {0x08, 0, 0, 0}).status, kStatusSuccess);
    EXPECT_EQ(read(4), std::vector<uint8_t>{});
    EXPECT_EQ(to_printer(kPurge, {0x08}).status, kStatusInvalidParameter);

    // The last close drops what was not read.
    print({0x10, 0x04, 0x01});
    printer_port_.close(kFirst);
    printer_port_.open();
    EXPECT_EQ(printer_port_.printer().queued(), 0u);
}

TEST_F(PrinterPortTest, DrawerOnPinFiveOpensAndClosesWithoutTouchingTheLine)
{
    set_line(9600, 8, 0);
    const uint32_t carrier = kModemRlsd;
    EXPECT_EQ(to_printer(kSetWaitMask, {0x20, 0, 0, 0}).status, kStatusSuccess);
    EXPECT_TRUE(to_printer(kWaitOnMask, {}, 4).hold);

    EXPECT_EQ(print({0x1B, 0x70, 0x00, 25, 250}).heard.other_pin_kicks, 1u);
    EXPECT_FALSE(printer_port_.drawer().open());
    const SerialAnswer kicked = print({0x1B, 0x70, 0x31, 25, 250});
    EXPECT_EQ(kicked.heard.kicks, 1u);
    EXPECT_FALSE(kicked.held.due) << "no carrier event for a printer's drawer";
    EXPECT_TRUE(printer_port_.drawer().open());
    EXPECT_EQ(printer_port_.next_change_us(), now_ + kCloseUs);
    EXPECT_EQ(to_printer(kGetModemStatus, {}, 4).status, kStatusSuccess);
    EXPECT_EQ(buffer_[0] & carrier, carrier) << "carrier detect stays high";

    now_ += kCloseUs;
    EXPECT_FALSE(printer_port_.advance(now_).due);
    EXPECT_FALSE(printer_port_.drawer().open());
    EXPECT_TRUE(printer_port_.wait_held()) << "the wait is still held: nothing changed on the line";
}

} // namespace
} // namespace kav::sim
