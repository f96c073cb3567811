// The library's USB drawer numbering over a HID bus the input makes up: a
// listing or none, of any length, members that open or not, answer or
// refuse, and any drawer number. Checks, against a model of the numbering
// (the first five of members 0 to 7 that open): the call reaches exactly
// drawer n's device or none, every handle opened is closed once within the
// call, the listing is queried once and released, and the kept state
// changes only on an answered string 107, to its first byte sign-extended.
#include "fuzz_input.h"
#include "usb_drawers.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using kav::fuzz::Input;
using namespace kav::tillio;

struct Member {
    bool opens;
    bool answers;
    uint8_t first_byte;
};

class FuzzBus final : public HidBus {
public:
    FuzzBus(bool has_listing, std::vector<Member> members) : has_listing_(has_listing), members_(std::move(members)) {}

    HidInterfaceSet list_interfaces() override
    {
        ++listings_;
        if (!has_listing_) return kNoInterfaceSet;
        set_live_ = true;
        return &set_live_;
    }
    HidMemberOpen open_member(HidInterfaceSet set, uint32_t index) override
    {
        if (set != &set_live_ || !set_live_) std::abort(); // a member of a released or foreign listing
        if (index >= kUsbMembersTried) std::abort();        // past the members tried
        // A listing has no gaps: its members are those below its length.
        if (index >= members_.size()) return {false, kNoHidDevice};
        if (!members_[index].opens) return {true, kNoHidDevice};
        open_[index] = true;
        ++opened_;
        return {true, handle_of(index)};
    }
    void release_interfaces(HidInterfaceSet set) override
    {
        if (set != &set_live_ || !set_live_) std::abort();
        set_live_ = false;
    }
    bool indexed_string(HidHandle handle, uint32_t index, void* buffer, uint32_t length) override
    {
        const size_t member = member_of(handle);
        if (length != kUsbStringBytes) std::abort();
        asked_.push_back(static_cast<int>(member));
        if (!members_[member].answers) return false;
        static_cast<uint8_t*>(buffer)[0] = members_[member].first_byte;
        (void)index;
        return true;
    }
    void close(HidHandle handle) override
    {
        const size_t member = member_of(handle);
        open_[member] = false;
        ++closed_;
    }

    void check_after_call() const
    {
        if (listings_ != 1 || set_live_ || opened_ != closed_) std::abort();
        for (bool still : open_)
            if (still) std::abort();
    }
    const std::vector<int>& asked() const { return asked_; }

private:
    HidHandle handle_of(size_t index) { return &open_[index]; }
    size_t member_of(HidHandle handle) const
    {
        for (size_t i = 0; i < kUsbMembersTried; ++i)
            if (handle == &open_[i] && open_[i]) return i;
        std::abort(); // a handle never opened, or closed already
    }

    bool has_listing_;
    std::vector<Member> members_;
    bool set_live_ = false;
    bool open_[kUsbMembersTried] = {};
    int listings_ = 0;
    int opened_ = 0;
    int closed_ = 0;
    std::vector<int> asked_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in(data, size);
    UsbDrawers drawers;
    for (int call = 0; call < 4 && !in.empty(); ++call) {
        const bool has_listing = in.byte() % 8 != 0;
        std::vector<Member> members(in.byte() % 12);
        for (Member& m : members) {
            const uint8_t bits = in.byte();
            m = {(bits & 1) == 0, (bits & 2) == 0, in.byte()};
        }
        const int32_t n = static_cast<int32_t>(in.u32());
        const bool status = in.byte() % 2 != 0;

        // The model: drawer n's member, or -1.
        std::vector<int> numbered;
        if (has_listing) {
            for (size_t i = 0; i < members.size() && i < kUsbMembersTried; ++i)
                if (members[i].opens && numbered.size() < kUsbMostDrawers)
                    numbered.push_back(static_cast<int>(i));
        }
        const int target = n >= 1 && n <= static_cast<int32_t>(numbered.size()) ? numbered[n - 1] : -1;
        const int32_t state_before = drawers.kept_state();

        FuzzBus bus(has_listing, members);
        const int32_t result = status ? drawers.drawer_status(bus, n) : drawers.open_drawer(bus, n);
        bus.check_after_call();

        if (target < 0) {
            if (!bus.asked().empty() || result != 0 || drawers.kept_state() != state_before) std::abort();
            continue;
        }
        if (bus.asked() != std::vector<int>{target}) std::abort(); // exactly drawer n's device, once
        const Member& m = members[static_cast<size_t>(target)];
        if (!status) {
            if (result != (m.answers ? 1 : 0) || drawers.kept_state() != state_before) std::abort();
            continue;
        }
        const int32_t expected_state = m.answers ? static_cast<int32_t>(static_cast<int8_t>(m.first_byte)) : state_before;
        if (drawers.kept_state() != expected_state) std::abort();
        if (result != (m.answers ? expected_state : 0)) std::abort();
    }
    return 0;
}
