// Time per UsbCashDrawerStaus call, two ways, in one run:
//   one listing: the library's way, one listing of the HID interfaces per call;
//   per member:  a fresh listing for each of members 0 to 7, the way the
//                numbering was first described (kept here only, to compare).
// Both drive the library's own HID edge and core; the rounds alternate so that
// drift in the machine's load falls on both alike. The exported function is
// timed too when tillio.dll loads.
//
// usb_bench.exe [--calls N] [--drawer N] [--unopenable K]
//   --unopenable K: K extra listed HID interfaces that do not open, to see how
//   the cost grows with the size of the listing.
#include "hid_interface_entry.h"
#include "usb_drawers.h"
#include "win32_hid_bus.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using kav::tillio::HidBus;
using kav::tillio::HidHandle;
using kav::tillio::HidInterfaceSet;
using kav::tillio::HidMemberOpen;
using kav::tillio::KeptHidInterfaces;
using kav::tillio::kNoInterfaceSet;
using kav::tillio::kUsbMembersTried;
using kav::tillio::kUsbStateString;
using kav::tillio::UsbDrawers;
using kav::tillio::Win32HidBus;

// Passes every call on and counts the listings and opens, to show what each
// way costs in system work, not only in time.
class CountingBus final : public HidBus {
public:
    explicit CountingBus(HidBus& bus) : bus_(bus) {}
    long listings = 0;
    long opened = 0;
    long listed_members = 0;

    HidInterfaceSet list_interfaces() override
    {
        ++listings;
        return bus_.list_interfaces();
    }
    HidMemberOpen open_member(HidInterfaceSet set, uint32_t index) override
    {
        const HidMemberOpen member = bus_.open_member(set, index);
        listed_members += member.listed;
        opened += member.handle != kav::tillio::kNoHidDevice;
        return member;
    }
    void release_interfaces(HidInterfaceSet set) override { bus_.release_interfaces(set); }
    bool indexed_string(HidHandle handle, uint32_t index, void* buffer, uint32_t length) override
    {
        return bus_.indexed_string(handle, index, buffer, length);
    }
    void close(HidHandle handle) override { bus_.close(handle); }

private:
    HidBus& bus_;
};

// The per-member way: members 0 to 7, each from a listing of its own.
int32_t status_per_member(HidBus& bus, UsbDrawers& drawers, int32_t n)
{
    KeptHidInterfaces kept(bus);
    for (uint32_t index = 0; index < kUsbMembersTried && !kept.full(); ++index) {
        const HidInterfaceSet set = bus.list_interfaces();
        if (set == kNoInterfaceSet) continue;
        const HidMemberOpen member = bus.open_member(set, index);
        bus.release_interfaces(set);
        kept.keep(member.handle);
    }
    int32_t state = 0;
    return drawers.ask(bus, kept, n, kUsbStateString, &state) == 1 ? state : 0;
}

double now_us()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

struct Way {
    const char* name;
    double total_us = 0;
    long calls = 0;
    long listings = 0;
    long opened = 0;
    int32_t last_result = 0;
    double per_call() const { return calls ? total_us / static_cast<double>(calls) : 0; }
};

// One round of calls of one way, on a bus of its own each call, as the export does.
template <typename Call>
void run_round(Way& way, int calls, Call call)
{
    for (int i = 0; i < calls; ++i) {
        Win32HidBus system_bus;
        CountingBus bus(system_bus);
        const double start = now_us();
        way.last_result = call(bus);
        way.total_us += now_us() - start;
        ++way.calls;
        way.listings += bus.listings;
        way.opened += bus.opened;
    }
}

} // namespace

int main(int argc, char** argv)
{
    int calls = 200;
    int drawer = 1;
    int unopenable = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--calls")) calls = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--drawer")) drawer = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--unopenable")) unopenable = std::atoi(argv[i + 1]);
        else {
            std::fprintf(stderr, "usage: usb_bench [--calls N] [--drawer N] [--unopenable K]\n");
            return 2;
        }
    }
    if (calls < 10) calls = 10;

    std::vector<std::unique_ptr<kavwine::UnopenableHidInterface>> entries;
    for (int i = 0; i < unopenable; ++i) {
        char tag[8];
        std::snprintf(tag, sizeof tag, "%02d", i + 1);
        entries.push_back(std::make_unique<kavwine::UnopenableHidInterface>(tag));
        if (!entries.back()->ok()) {
            std::fprintf(stderr, "usb_bench: could not write the registry entries of interface %s\n", tag);
            return 1;
        }
    }

    // What is present: the whole listing, and how many of its members open.
    long listed = 0, opens = 0;
    {
        Win32HidBus system_bus;
        CountingBus bus(system_bus);
        const HidInterfaceSet set = bus.list_interfaces();
        for (uint32_t index = 0; set != kNoInterfaceSet; ++index) {
            const HidMemberOpen member = bus.open_member(set, index);
            if (!member.listed) break;
            ++listed;
            if (member.handle != kav::tillio::kNoHidDevice) {
                ++opens;
                bus.close(member.handle);
            }
        }
        if (set != kNoInterfaceSet) bus.release_interfaces(set);
    }

    using StatusFn = int(__stdcall*)(int);
    HMODULE library = LoadLibraryA("tillio.dll");
    const auto exported = library ? reinterpret_cast<StatusFn>(reinterpret_cast<void*>(
                                        GetProcAddress(library, "UsbCashDrawerStaus")))
                                  : nullptr;

    UsbDrawers drawers_one, drawers_per_member;
    Way one{"one listing"}, per_member{"per member"}, through_export{"export"};
    constexpr int kRounds = 10;
    const int per_round = calls / kRounds;
    for (int round = 0; round < kRounds; ++round) {
        run_round(one, per_round, [&](HidBus& bus) { return drawers_one.drawer_status(bus, drawer); });
        run_round(per_member, per_round,
                  [&](HidBus& bus) { return status_per_member(bus, drawers_per_member, drawer); });
        if (exported) {
            for (int i = 0; i < per_round; ++i) {
                const double start = now_us();
                through_export.last_result = exported(drawer);
                through_export.total_us += now_us() - start;
                ++through_export.calls;
            }
        }
    }

    std::printf("HID interfaces listed: %ld (%ld open for reading and writing, %d of them added that do not open)\n",
                listed, opens, unopenable);
    std::printf("UsbCashDrawerStaus(%d), %ld calls per way, %d alternating rounds\n", drawer, one.calls, kRounds);
    for (const Way* way : {&one, &per_member}) {
        std::printf("  %-12s %9.1f us per call  (%.1f listings, %.1f opens per call; result %d)\n", way->name,
                    way->per_call(), static_cast<double>(way->listings) / static_cast<double>(way->calls),
                    static_cast<double>(way->opened) / static_cast<double>(way->calls), way->last_result);
    }
    if (exported) {
        std::printf("  %-12s %9.1f us per call  (tillio.dll's UsbCashDrawerStaus; result %d)\n", through_export.name,
                    through_export.per_call(), through_export.last_result);
    } else {
        std::printf("  export       not timed: tillio.dll did not load\n");
    }
    std::printf("ratio per member / one listing: %.2f\n", per_member.per_call() / one.per_call());
    if (one.last_result != per_member.last_result) {
        std::fprintf(stderr, "usb_bench: the two ways disagree (%d, %d)\n", one.last_result, per_member.last_result);
        return 1;
    }
    if (library) FreeLibrary(library);
    return 0;
}
