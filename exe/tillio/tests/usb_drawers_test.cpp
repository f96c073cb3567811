#include "usb_drawers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kav::tillio {
namespace {

// One HID interface of the scripted listing. An answer is the UTF-16 string the
// device gives for that string number; none means it refuses the request.
struct Member {
    std::string name;
    bool opens = true;
    std::optional<std::u16string> open_answer;
    std::optional<std::u16string> state_answer;
};

Member drawer(std::string name, std::u16string state = u"1")
{
    return {std::move(name), true, u"KAV", std::move(state)};
}
// Opens, but is no drawer: it refuses every string, as Wine's own HID devices do.
Member other(std::string name) { return {std::move(name), true, std::nullopt, std::nullopt}; }
// Listed, but its path does not open (or cannot be read).
Member shut(std::string name) { return {std::move(name), false, std::nullopt, std::nullopt}; }

struct StringRequest {
    std::string member;
    uint32_t index;
    uint32_t length;
};

// Records every call and checks handle use as the system would: members taken
// only from a live listing, requests and closes only on open handles, each
// handle closed once, each listing released once.
class FakeHidBus final : public HidBus {
public:
    explicit FakeHidBus(std::vector<Member> members) : members_(std::move(members)) {}

    bool listing_fails = false;
    int listings = 0;
    int releases = 0;
    std::vector<uint32_t> members_asked;
    std::vector<std::string> opened;
    std::vector<StringRequest> requests;
    int closes = 0;

    HidInterfaceSet list_interfaces() override
    {
        ++listings;
        if (listing_fails) return kNoInterfaceSet;
        live_set_ = reinterpret_cast<HidInterfaceSet>(uintptr_t{0x5e7} + listings);
        return live_set_;
    }

    HidMemberOpen open_member(HidInterfaceSet set, uint32_t index) override
    {
        EXPECT_EQ(set, live_set_) << "member taken from a listing that is not live";
        members_asked.push_back(index);
        if (index >= members_.size()) return {false, kNoHidDevice};
        const Member& member = members_[index];
        if (!member.opens) return {true, kNoHidDevice};
        opened.push_back(member.name);
        const auto handle = reinterpret_cast<HidHandle>(next_handle_++);
        open_[handle] = index;
        return {true, handle};
    }

    void release_interfaces(HidInterfaceSet set) override
    {
        EXPECT_EQ(set, live_set_) << "releasing a listing that is not live";
        live_set_ = kNoInterfaceSet;
        ++releases;
    }

    bool indexed_string(HidHandle handle, uint32_t index, void* buffer, uint32_t length) override
    {
        const auto found = open_.find(handle);
        EXPECT_NE(found, open_.end()) << "string request on a handle that is not open";
        if (found == open_.end()) return false;
        const Member& member = members_[found->second];
        requests.push_back({member.name, index, length});
        const std::optional<std::u16string>& answer = index == kUsbOpenString    ? member.open_answer
                                                      : index == kUsbStateString ? member.state_answer
                                                                                 : std::nullopt;
        if (!answer) return false; // a refused request leaves the buffer alone
        const size_t bytes = (answer->size() + 1) * sizeof(char16_t);
        EXPECT_LE(bytes, length);
        std::memcpy(buffer, answer->c_str(), bytes); // UTF-16LE on every host this runs on
        return true;
    }

    void close(HidHandle handle) override
    {
        EXPECT_EQ(open_.erase(handle), 1u) << "closing a handle that is not open";
        ++closes;
        // Another thread's call, landing between this call's answer and its return.
        if (interleave) std::exchange(interleave, nullptr)();
    }
    std::function<void()> interleave;

    // Every handle opened was closed and every listing taken was released.
    void expect_clean() const
    {
        EXPECT_TRUE(open_.empty()) << open_.size() << " handle(s) left open";
        EXPECT_EQ(closes, static_cast<int>(opened.size()));
        EXPECT_EQ(releases, listing_fails ? 0 : listings);
        EXPECT_EQ(live_set_, kNoInterfaceSet);
    }

private:
    std::vector<Member> members_;
    std::map<HidHandle, uint32_t> open_;
    HidInterfaceSet live_set_ = kNoInterfaceSet;
    uintptr_t next_handle_ = 0x100;
};

// --- numbering ----------------------------------------------------------------

// A device list in the system's order and the member each drawer number
// reaches; numbers past the list reach nothing.
struct NumberingCase {
    const char* name;
    std::vector<Member> members;
    std::vector<std::string> numbered; // drawer 1, 2, ...
    std::vector<std::string> opened;   // what the call opens, in order
};

std::vector<NumberingCase> numbering_cases()
{
    return {
        {"no HID interface", {}, {}, {}},
        {"one drawer", {drawer("A")}, {"A"}, {"A"}},
        {"an openable non-drawer listed first moves the drawer to 2",
         {other("mouse"), drawer("A")}, {"mouse", "A"}, {"mouse", "A"}},
        {"two drawers in listing order", {drawer("A"), drawer("B")}, {"A", "B"}, {"A", "B"}},
        {"a member that does not open takes no number",
         {shut("x"), drawer("A"), shut("y"), drawer("B")}, {"A", "B"}, {"A", "B"}},
        {"a sixth openable interface is never numbered nor opened",
         {other("o1"), other("o2"), other("o3"), other("o4"), other("o5"), drawer("A")},
         {"o1", "o2", "o3", "o4", "o5"}, {"o1", "o2", "o3", "o4", "o5"}},
        {"members past index 7 are never tried",
         {shut("x0"), shut("x1"), shut("x2"), shut("x3"), shut("x4"), shut("x5"), shut("x6"), drawer("A"),
          drawer("B")},
         {"A"}, {"A"}},
        {"Wine's two devices, then two drawers",
         {drawer("A"), drawer("B"), other("wine mouse"), other("wine keyboard")},
         {"A", "B", "wine mouse", "wine keyboard"}, {"A", "B", "wine mouse", "wine keyboard"}},
    };
}

TEST(UsbDrawers, NumbersTheInterfacesThatOpenInListingOrder)
{
    for (const NumberingCase& c : numbering_cases()) {
        SCOPED_TRACE(c.name);
        for (int32_t n : {INT_MIN, -1, 0, 1, 2, 3, 4, 5, 6, 8, 9, INT_MAX}) {
            SCOPED_TRACE(n);
            FakeHidBus bus(c.members);
            UsbDrawers drawers;
            const int32_t result = drawers.open_drawer(bus, n);

            const bool numbered = n >= 1 && static_cast<size_t>(n) <= c.numbered.size();
            if (numbered) {
                ASSERT_EQ(bus.requests.size(), 1u);
                EXPECT_EQ(bus.requests[0].member, c.numbered[n - 1]);
                EXPECT_EQ(bus.requests[0].index, kUsbOpenString);
                EXPECT_EQ(bus.requests[0].length, 100u);
            } else {
                EXPECT_TRUE(bus.requests.empty()) << "a number with no kept handle reached a device";
            }
            bool answers = false;
            for (const Member& m : c.members) {
                if (numbered && m.name == c.numbered[n - 1]) answers = m.open_answer.has_value();
            }
            EXPECT_EQ(result, answers ? 1 : 0);
            // Whatever the number, the same interfaces open as for any other.
            EXPECT_EQ(bus.opened, c.opened);
            EXPECT_EQ(bus.listings, 1) << "one listing per call";
            bus.expect_clean();
        }
    }
}

TEST(UsbDrawers, StopsAtTheEndOfTheListingAndAfterTheFifthOpen)
{
    FakeHidBus two(std::vector<Member>{shut("x"), drawer("A")});
    UsbDrawers drawers;
    drawers.open_drawer(two, 1);
    EXPECT_EQ(two.members_asked, (std::vector<uint32_t>{0, 1, 2}));

    FakeHidBus many(std::vector<Member>{other("1"), other("2"), other("3"), other("4"), other("5"), other("6")});
    drawers.open_drawer(many, 1);
    EXPECT_EQ(many.members_asked, (std::vector<uint32_t>{0, 1, 2, 3, 4}));
}

TEST(UsbDrawers, NoListingMeansNoDrawer)
{
    FakeHidBus bus(std::vector<Member>{drawer("A")});
    bus.listing_fails = true;
    UsbDrawers drawers;
    EXPECT_EQ(drawers.open_drawer(bus, 1), 0);
    EXPECT_EQ(drawers.drawer_status(bus, 1), 0);
    EXPECT_EQ(bus.listings, 2);
    EXPECT_TRUE(bus.members_asked.empty());
    bus.expect_clean();
}

// --- the kept state ---------------------------------------------------------------

TEST(UsbDrawers, StatusIsTheFirstByteOfString107SignExtended)
{
    struct StateCase {
        std::u16string answer;
        int32_t expected;
    };
    const StateCase cases[] = {
        {u"0", 48},
        {u"1", 49},
        {u"10", 49},
        {u"\u00e9", -23}, // low byte 0xE9
        {u"\u0131", 49},  // only the low byte of the first character counts
    };
    for (const StateCase& c : cases) {
        FakeHidBus bus(std::vector<Member>{other("mouse"), drawer("A", c.answer)});
        UsbDrawers drawers;
        EXPECT_EQ(drawers.drawer_status(bus, 2), c.expected);
        EXPECT_EQ(drawers.kept_state(), c.expected);
        ASSERT_EQ(bus.requests.size(), 1u);
        EXPECT_EQ(bus.requests[0].index, kUsbStateString);
        EXPECT_EQ(bus.requests[0].length, 100u);
        bus.expect_clean();
    }
}

// Two threads of one POS program: one reads drawer 1 (open), the other drawer
// 2 (closed), and the other's call lands while this one closes its handles.
TEST(UsbDrawers, EachStatusAnswerIsItsOwnWhenAnotherCallLandsInBetween)
{
    struct InterleaveCase {
        int32_t mine, other;
        int32_t my_answer, other_answer;
    };
    const InterleaveCase cases[] = {{1, 2, 48, 49}, {2, 1, 49, 48}};
    for (const InterleaveCase& c : cases) {
        SCOPED_TRACE(c.mine);
        const std::vector<Member> drawers_attached{drawer("A", u"0"), drawer("B", u"1")};
        FakeHidBus my_bus(drawers_attached);
        FakeHidBus other_bus(drawers_attached);
        UsbDrawers drawers;
        int32_t other_answer = 0;
        my_bus.interleave = [&] { other_answer = drawers.drawer_status(other_bus, c.other); };
        EXPECT_EQ(drawers.drawer_status(my_bus, c.mine), c.my_answer);
        EXPECT_EQ(other_answer, c.other_answer);
        EXPECT_EQ(drawers.kept_state(), c.other_answer) << "the kept state is the last answer";
        my_bus.expect_clean();
        other_bus.expect_clean();
    }
}

TEST(UsbDrawers, OnlyAnAnswered107ChangesTheKeptState)
{
    FakeHidBus bus(std::vector<Member>{drawer("A", u"0"), other("mouse")});
    UsbDrawers drawers;
    ASSERT_EQ(drawers.drawer_status(bus, 1), 48);

    EXPECT_EQ(drawers.drawer_status(bus, 2), 0) << "a refused 107";
    EXPECT_EQ(drawers.kept_state(), 48);
    for (int32_t n : {0, 3, 6, 9}) EXPECT_EQ(drawers.drawer_status(bus, n), 0) << n;
    EXPECT_EQ(drawers.kept_state(), 48);
    EXPECT_EQ(drawers.open_drawer(bus, 1), 1) << "106 answers, and keeps nothing";
    EXPECT_EQ(drawers.kept_state(), 48);
    EXPECT_EQ(bus.listings, 7) << "one listing per call";
    bus.expect_clean();
}

} // namespace
} // namespace kav::tillio
