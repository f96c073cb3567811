#include "receipt_printer_model.h"

namespace kav::sim {
namespace {

constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kKick = 0x70; // 'p'
constexpr uint8_t kDle = 0x10;
constexpr uint8_t kEot = 0x04;
constexpr uint8_t kPrinterStatus = 1;

constexpr uint8_t kFixedBits = 0x12; // bits 1 and 4
constexpr uint8_t kSwitchHigh = 0x04;

// The pin ESC p's m names; 0 for an m no printer knows.
uint8_t kick_pin(uint8_t m)
{
    if (m == 0 || m == '0') return 2;
    if (m == 1 || m == '1') return 5;
    return 0;
}

} // namespace

PrinterHeard ReceiptPrinterModel::receive(const uint8_t* data, uint32_t length, bool line_matches, uint64_t now_us)
{
    PrinterHeard heard;
    // A drawer due to close has closed before the bytes arrive.
    spring_.advance(now_us);
    if (!line_matches) {
        // Noise to the printer: whatever it was in the middle of is lost too.
        heard.garbled = length != 0;
        heard.ignored = length;
        expect_ = Expect::Command;
        partial_ = 0;
        return heard;
    }
    for (uint32_t i = 0; i < length; ++i) take(data[i], now_us, heard);
    return heard;
}

void ReceiptPrinterModel::take(uint8_t byte, uint64_t now_us, PrinterHeard& heard)
{
    // A command's second byte that is not the one expected ends it: its
    // start is ignored and the byte read afresh.
    const auto restart = [&] {
        heard.ignored += partial_;
        expect_ = Expect::Command;
        partial_ = 0;
        take(byte, now_us, heard);
    };
    switch (expect_) {
    case Expect::Command:
        if (byte == kEsc) expect_ = Expect::EscSecond;
        else if (byte == kDle) expect_ = Expect::DleSecond;
        else ++heard.ignored;
        partial_ = expect_ == Expect::Command ? 0 : 1;
        return;
    case Expect::EscSecond:
        if (byte != kKick) return restart();
        expect_ = Expect::KickM;
        partial_ = 2;
        return;
    case Expect::KickM:
        // The parameters are taken as they come, whatever their value.
        m_ = byte;
        expect_ = Expect::KickT1;
        partial_ = 3;
        return;
    case Expect::KickT1:
        expect_ = Expect::KickT2;
        partial_ = 4;
        return;
    case Expect::KickT2:
        expect_ = Expect::Command;
        partial_ = 0;
        kick(m_, now_us, heard);
        return;
    case Expect::DleSecond:
        if (byte != kEot) return restart();
        expect_ = Expect::EotN;
        partial_ = 2;
        return;
    case Expect::EotN:
        expect_ = Expect::Command;
        partial_ = 0;
        if (byte != kPrinterStatus) {
            heard.ignored += 3;
            return;
        }
        ++heard.status_requests;
        answer(status_byte());
        return;
    }
}

void ReceiptPrinterModel::kick(uint8_t m, uint64_t now_us, PrinterHeard& heard)
{
    const uint8_t pin = kick_pin(m);
    if (pin == 0) {
        heard.ignored += 5;
    } else if (pin == setup_.pin) {
        ++heard.kicks;
        spring_.pulse(now_us);
    } else {
        ++heard.other_pin_kicks;
    }
}

void ReceiptPrinterModel::answer(uint8_t byte)
{
    if (queued_ < kAnswerQueue) queue_[queued_++] = byte;
}

uint32_t ReceiptPrinterModel::read(uint8_t* out, uint32_t length)
{
    const uint32_t count = length < queued_ ? length : queued_;
    for (uint32_t i = 0; i < count; ++i) out[i] = queue_[i];
    for (uint32_t i = count; i < queued_; ++i) queue_[i - count] = queue_[i];
    queued_ -= count;
    return count;
}

uint8_t ReceiptPrinterModel::status_byte() const
{
    // The switch pulls pin 3 to its open level while the drawer is out.
    const bool high = spring_.open() != setup_.open_low;
    return static_cast<uint8_t>(kFixedBits | (high ? kSwitchHigh : 0));
}

} // namespace kav::sim
