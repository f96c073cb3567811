// Reads a fuzzer's input as a stream of small fields; past the end every
// field reads as 0, so any input is a complete one.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kav::fuzz {

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    size_t left() const { return empty() ? 0 : size_ - at_; }
    uint8_t byte() { return empty() ? 0 : data_[at_++]; }
    uint16_t u16() { return static_cast<uint16_t>(byte() | byte() << 8); }
    uint32_t u32() { return u16() | static_cast<uint32_t>(u16()) << 16; }
    // Up to n bytes into out; returns how many there were.
    size_t bytes(uint8_t* out, size_t n)
    {
        size_t i = 0;
        for (; i < n && !empty(); ++i) out[i] = byte();
        return i;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

} // namespace kav::fuzz
