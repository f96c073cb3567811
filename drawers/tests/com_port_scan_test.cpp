// The serial scan of COM1..COM8, twice, and the two ways its second pass
// pairs the ports: every port again (the RS232 window), or the first and the
// last that answer (the loop test).
#include "com_port_scan.h"

#include "result_messages.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace kav::drawers {
namespace {

struct ScanCase {
    const char* what;
    std::set<int> first_pass;
    std::set<int> second_pass;
    ComPairing pairing;
    std::vector<int> found;
    int first, last;
    const char* failure;
    int calls; // CheckRS232Controller calls in both passes
};

TEST(ComPortScan, FindsThePortsAndPairsThemAsEachCallerSays)
{
    using P = ComPairing;
    const ScanCase cases[] = {
        {"no port", {}, {}, P::EveryPortAgain, {}, 0, 0, kNoComPortFound, 8},
        {"one port serves both drawers", {3}, {3}, P::EveryPortAgain, {3}, 3, 3, nullptr, 8 + 3},
        {"the only port gone", {3}, {}, P::FirstAndLast, {3}, 0, 0, kTheComPortWentAway, 16},
        {"two ports", {2, 5}, {2, 5}, P::FirstAndLast, {2, 5}, 2, 5, nullptr, 8 + 5},
        {"the window stops once all answered", {1, 2, 4}, {1, 2, 4}, P::EveryPortAgain, {1, 2, 4}, 1, 4, nullptr, 8 + 4},
        {"the window needs every port", {1, 2, 4}, {1, 4}, P::EveryPortAgain, {1, 2, 4}, 1, 4, kComPortsWentAway, 16},
        {"the loop test pairs first and last of all eight", {1, 2, 4}, {2, 4}, P::FirstAndLast, {1, 2, 4}, 2, 4,
         nullptr, 16},
        {"the loop test needs two of three", {1, 2, 4}, {4}, P::FirstAndLast, {1, 2, 4}, 4, 4, kComPortsWentAway, 16},
        {"COM9 is never asked", {9}, {9}, P::EveryPortAgain, {}, 0, 0, kNoComPortFound, 8},
    };
    for (const ScanCase& c : cases) {
        Library library;
        int calls = 0;
        library.CheckRS232Controller = [&](int port) {
            const std::set<int>& answering = ++calls <= 8 ? c.first_pass : c.second_pass;
            return answering.count(port) != 0 ? TILLIO_DONE : TILLIO_PORT_ABSENT;
        };
        const ComPortScan scan = scan_com_ports(library, c.pairing);
        EXPECT_EQ(scan.found, c.found) << c.what;
        EXPECT_EQ(scan.first, c.first) << c.what;
        EXPECT_EQ(scan.last, c.last) << c.what;
        EXPECT_STREQ(scan.failure, c.failure) << c.what;
        EXPECT_EQ(scan.ok(), c.failure == nullptr) << c.what;
        EXPECT_EQ(calls, c.calls) << c.what;
    }
}

} // namespace
} // namespace kav::drawers
