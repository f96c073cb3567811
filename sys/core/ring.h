// A fixed block of equal entries written round-robin, the newest overwriting
// the oldest once it is full. Size 0 means switched off.
// Blocks come from the guarded pool, aligned for any entry.
#pragma once
#include <stdint.h>

namespace kav {

template <typename Entry>
class Ring {
    static_assert(__is_trivially_copyable(Entry), "entries are plain data");

public:
    constexpr Ring() = default;

    uint32_t size() const { return size_; }
    uint32_t index() const { return index_; }

    // No lock: two writers at once may fill the same entry, which only
    // touches what a debugger sees.
    void write(const Entry& entry)
    {
        if (size_ == 0) return;
        static_cast<Entry*>(block_)[index_] = entry;
        index_ = (index_ + 1) % size_;
    }

    // A copy of entry i; i < size().
    Entry at(uint32_t i) const { return static_cast<const Entry*>(block_)[i]; }

    // Takes a block of `entries` entries, already cleared; the ring must be off.
    void attach(void* block, uint32_t entries)
    {
        block_ = block;
        index_ = 0;
        size_ = entries;
    }

    // Switches the ring off and hands its block (or nullptr) back for release.
    void* detach()
    {
        void* block = block_;
        block_ = nullptr;
        index_ = 0;
        size_ = 0;
        return block;
    }

private:
    void* block_ = nullptr;
    uint32_t index_ = 0;
    uint32_t size_ = 0;
};

} // namespace kav
