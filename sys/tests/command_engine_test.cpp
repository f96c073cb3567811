#include "command_engine.h"
#include "ioctl_codes.h"
#include "recording_ports.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace kav {
namespace {

using test::rd;
using test::RecordingPorts;
using test::st;
using test::wr;
using Seq = std::vector<test::PortEvent>;

constexpr uint32_t P = kPulseMicroseconds;
constexpr uint8_t kSioValue = 0x5A; // register 0xF1 as the recording space answers it

Seq sio_enter()
{
    return {wr(0x48F, 0x00), wr(0x2E, 0x87), wr(0x2E, 0x87), wr(0x2E, 0x07), wr(0x2F, 0x07), wr(0x2E, 0xF1)};
}
Seq sio_leave() { return {wr(0x2E, 0xAA), wr(0x48F, 0x08)}; }
Seq cat(std::initializer_list<Seq> parts)
{
    Seq all;
    for (const Seq& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}
Seq sio_pulse(uint8_t mask)
{
    return cat({sio_enter(),
                {rd(0x2F, kSioValue), wr(0x2F, kSioValue | mask), st(P), wr(0x2E, 0xF1), rd(0x2F, kSioValue),
                 wr(0x2F, kSioValue & ~mask)},
                sio_leave()});
}
Seq sio_status() { return cat({sio_enter(), {rd(0x2F, kSioValue)}, sio_leave()}); }
Seq pulse(uint16_t port, uint8_t on, uint8_t off) { return {wr(port, on), st(P), wr(port, off)}; }

struct Case {
    int command;
    Seq sequence;
    uint32_t bytes; // 0 for pulses, 1 for status codes
};

// Every drawer code, with the port-taking ones addressed to 0x280.
std::vector<Case> all_codes()
{
    return {
        {10, sio_pulse(0x01), 0},
        {11, sio_status(), 1},
        {12, pulse(0x408, 0xE0, 0xF0), 0},
        {13, {rd(0x408, 0xF0)}, 1},
        {14, pulse(0x408, 0xD0, 0xF0), 0},
        {15, {rd(0x408, 0xF0)}, 1},
        {16, pulse(0x280, 0x01, 0x00), 0},
        {17, {rd(0x280, 0x01)}, 1},
        {18, pulse(0x280, 0x02, 0x00), 0},
        {19, {rd(0x280, 0x01)}, 1},
        {20, pulse(0x280, 0x01, 0x00), 0},
        {21, {rd(0x280, 0x01)}, 1},
        {22, pulse(0x280, 0x02, 0x00), 0},
        {23, {rd(0x280, 0x01)}, 1},
        {24, sio_pulse(0x02), 0},
        {25, sio_status(), 1},
        {26, pulse(0x240, 0x01, 0x00), 0},
        {27, {rd(0x240, 0x01)}, 1},
        {28, pulse(0x240, 0x02, 0x00), 0},
        {29, {rd(0x240, 0x01)}, 1},
        {30, pulse(0x201, 0x10, 0x00), 0},
        {31, {rd(0x201, 0x01)}, 1},
        {32, pulse(0x201, 0x20, 0x00), 0},
        {33, {rd(0x201, 0x01)}, 1},
        {34, pulse(0x280, 0x01, 0x00), 0},
        {35, {rd(0x280, 0x01)}, 1},
        {36, pulse(0x280, 0x02, 0x00), 0},
        {37, {rd(0x280, 0x01)}, 1},
    };
}

class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ports.answer(0x2F, kSioValue);
        ports.answer(0x408, 0xF0);
        ports.answer(0x280, 0x01);
        ports.answer(0x240, 0x01);
        ports.answer(0x201, 0x01);
    }
    ControlResult run(int command, std::array<uint8_t, 4>& buf, uint32_t in_len = 2, uint32_t out_len = 1)
    {
        return run_drawer_code(ports, drawer_code(command), {buf.data(), in_len, out_len});
    }
    RecordingPorts ports;
};

TEST_F(EngineFixture, EveryCodeEmitsItsExactSequence)
{
    for (const Case& c : all_codes()) {
        SCOPED_TRACE(::testing::Message() << "command " << c.command);
        ports.clear();
        std::array<uint8_t, 4> buf{0x80, 0x02, 0xEE, 0xEE}; // port 0x280, little-endian
        const ControlResult r = run(c.command, buf);
        EXPECT_EQ(r.status, kStatusSuccess);
        EXPECT_EQ(r.bytes_returned, c.bytes);
        EXPECT_EQ(ports.events(), c.sequence);
        // Status codes answer 0/1 in the first byte; pulses leave the buffer alone.
        EXPECT_EQ(buf[0], c.bytes == 1 ? 1 : 0x80);
        EXPECT_EQ(buf[2], 0xEE);
    }
}

TEST_F(EngineFixture, EachBoardsStatusPairReadsOneSharedSensor)
{
    struct Pair {
        int first, second;
        uint16_t port;
        uint8_t sensor_bit;
    };
    const Pair pairs[] = {{11, 25, 0x2F, 0x10}, {13, 15, 0x408, 0x10}, {17, 19, 0x200, 0x01}, {21, 23, 0x260, 0x01},
                          {27, 29, 0x240, 0x01}, {31, 33, 0x201, 0x01}, {35, 37, 0x220, 0x01}};
    for (const Pair& p : pairs) {
        for (const bool open : {false, true}) {
            SCOPED_TRACE(::testing::Message() << p.first << "/" << p.second << " open=" << open);
            // Every other bit set, so only the sensor bit can decide.
            ports.answer(p.port, static_cast<uint8_t>(open ? 0xFF : 0xFF & ~p.sensor_bit));
            std::array<uint8_t, 4> a{static_cast<uint8_t>(p.port), static_cast<uint8_t>(p.port >> 8)};
            std::array<uint8_t, 4> b = a;
            run(p.first, a);
            run(p.second, b);
            EXPECT_EQ(a[0], open ? 1 : 0);
            EXPECT_EQ(b[0], a[0]);
        }
    }
}

TEST_F(EngineFixture, PortTakingCodesAcceptOnlyTheDioBases)
{
    struct PortCase {
        uint8_t lo, hi;
        bool accepted;
    };
    const PortCase cases[] = {{0x00, 0x02, true},  {0x20, 0x02, true},  {0x40, 0x02, true}, {0x60, 0x02, true},
                              {0x80, 0x02, true},  {0x08, 0x04, false}, {0x2E, 0x00, false}, {0x81, 0x02, false},
                              {0x80, 0x03, false}, {0xF8, 0x03, false}, {0x00, 0x00, false}, {0xFF, 0xFF, false}};
    for (const int command : {16, 17, 18, 19, 20, 21, 22, 23, 34, 35, 36, 37}) {
        for (const PortCase& c : cases) {
            SCOPED_TRACE(::testing::Message() << "command " << command << " port " << std::hex << (c.hi << 8 | c.lo));
            ports.clear();
            std::array<uint8_t, 4> buf{c.lo, c.hi, 0xEE, 0xEE};
            const ControlResult r = run(command, buf);
            if (c.accepted) {
                EXPECT_EQ(r.status, kStatusSuccess);
                ASSERT_FALSE(ports.events().empty());
                EXPECT_EQ(ports.events().front().arg, uint32_t(c.hi << 8 | c.lo));
            } else {
                EXPECT_EQ(r.status, kStatusInvalidParameter);
                EXPECT_EQ(r.bytes_returned, 0u);
                EXPECT_TRUE(ports.events().empty());
                EXPECT_EQ(buf, (std::array<uint8_t, 4>{c.lo, c.hi, 0xEE, 0xEE}));
            }
        }
    }
}

TEST_F(EngineFixture, RequestsTooShortAreRefusedBeforeAnyPortIsTouched)
{
    struct ShortCase {
        int command;
        uint32_t in_len, out_len;
        bool null_buffer;
    };
    const ShortCase cases[] = {
        {16, 1, 1, false}, // one port byte only
        {16, 0, 0, false}, {17, 0, 1, false}, {17, 2, 0, false}, // status needs its output byte
        {13, 0, 0, false}, {11, 1, 0, false}, {25, 0, 0, false}, {31, 0, 0, true}, {20, 2, 1, true},
    };
    for (const ShortCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "command " << c.command << " in " << c.in_len << " out " << c.out_len);
        ports.clear();
        std::array<uint8_t, 4> buf{0x80, 0x02, 0xEE, 0xEE};
        const ControlResult r =
            run_drawer_code(ports, drawer_code(c.command), {c.null_buffer ? nullptr : buf.data(), c.in_len, c.out_len});
        EXPECT_EQ(r.status, kStatusInvalidParameter);
        EXPECT_EQ(r.bytes_returned, 0u);
        EXPECT_TRUE(ports.events().empty());
        EXPECT_EQ(buf, (std::array<uint8_t, 4>{0x80, 0x02, 0xEE, 0xEE}));
    }
    // Fixed-port pulses need no buffer at all.
    ports.clear();
    EXPECT_EQ(run_drawer_code(ports, drawer_code(12), {nullptr, 0, 0}).status, kStatusSuccess);
    EXPECT_EQ(ports.events(), pulse(0x408, 0xE0, 0xF0));
}

TEST_F(EngineFixture, CodesOutsideTheTableAreRefused)
{
    for (const uint32_t code : {0x220298u, 0x220224u, 0x220220u, 0x22022Au, 0x220229u, 0u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(::testing::Message() << std::hex << code);
        std::array<uint8_t, 4> buf{};
        EXPECT_EQ(run_drawer_code(ports, code, {buf.data(), 4, 4}).status, kStatusInvalidParameter);
    }
    EXPECT_TRUE(ports.events().empty());
}

TEST(IoctlCodes, NumbersMapOntoTheCodeTable)
{
    EXPECT_EQ(drawer_code(10), 0x220228u);
    EXPECT_EQ(drawer_code(12), 0x220230u);
    EXPECT_EQ(drawer_code(37), 0x220294u);
    EXPECT_EQ(kIoctlGetDriverInfo, 0x220220u);
    for (int n = kFirstCommand; n <= kLastCommand; ++n) {
        EXPECT_TRUE(is_drawer_code(drawer_code(n)));
        EXPECT_EQ(command_of_code(drawer_code(n)), n);
    }
}

} // namespace
} // namespace kav
