#include "browser_path.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace kav::tillio {
namespace {

const std::string kTail = ":\\Program Files\\Internet Explorer\\IEXPLORE.EXE";
const std::string kAddress = kMakerAddress;

std::string browser_on(char drive) { return std::string(1, drive) + kTail; }

// Drives that hold the browser, by lower-case letter; every search is logged
// and must be closed once, on an open search.
class FakeFinder final : public FileFinder {
public:
    std::set<char> drives;
    bool closes = true;

    std::vector<std::string> searched;
    int open_searches = 0;

    SearchHandle find_first(const char* path) override
    {
        searched.emplace_back(path);
        for (char drive : drives) {
            if (path == browser_on(drive)) {
                ++open_searches;
                return reinterpret_cast<SearchHandle>(static_cast<uintptr_t>(drive));
            }
        }
        return kNoSearch;
    }

    bool close(SearchHandle search) override
    {
        EXPECT_NE(search, kNoSearch);
        --open_searches;
        return closes;
    }
};

// The caller's buffer as the About window offers it, followed by guard bytes
// that must survive the call.
class CallerBuffer {
public:
    static constexpr size_t kGuard = 16;
    CallerBuffer() : bytes_(std::make_unique<char[]>(kBrowserCommandSize + kGuard))
    {
        std::memset(bytes_.get(), 'x', kBrowserCommandSize + kGuard);
    }
    char* data() { return bytes_.get(); }
    std::string text() const { return std::string(bytes_.get(), strnlen(bytes_.get(), kBrowserCommandSize)); }
    bool terminated() const { return std::memchr(bytes_.get(), '\0', kBrowserCommandSize) != nullptr; }
    bool guard_intact() const
    {
        for (size_t i = kBrowserCommandSize; i < kBrowserCommandSize + kGuard; ++i) {
            if (bytes_[i] != 'x') return false;
        }
        return true;
    }

private:
    std::unique_ptr<char[]> bytes_;
};

std::vector<std::string> drives_searched(char from, char to)
{
    std::vector<std::string> paths;
    for (char d = from; d <= to; ++d) paths.push_back(browser_on(d));
    return paths;
}

struct WalkCase {
    const char* name;
    std::set<char> drives;
    bool closes;
    int32_t expected;
    std::string command;
    std::vector<std::string> searched;
};

TEST(BrowserCommand, WalksCToZAndStopsAtTheFirstBrowser)
{
    const WalkCase cases[] = {
        {"nowhere", {}, true, -1, "", drives_searched('c', 'z')},
        {"on c", {'c'}, true, 0, browser_on('c') + " " + kAddress, drives_searched('c', 'c')},
        {"only on d", {'d'}, true, 0, browser_on('d') + " " + kAddress, drives_searched('c', 'd')},
        {"on d and e: d wins", {'d', 'e'}, true, 0, browser_on('d') + " " + kAddress, drives_searched('c', 'd')},
        {"only on z", {'z'}, true, 0, browser_on('z') + " " + kAddress, drives_searched('c', 'z')},
        {"only on the floppy drives", {'a', 'b'}, true, -1, "", drives_searched('c', 'z')},
        {"search on d will not close", {'d', 'e'}, false, -1, "", drives_searched('c', 'd')},
    };
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFinder finder;
        finder.drives = c.drives;
        finder.closes = c.closes;
        CallerBuffer out;

        EXPECT_EQ(browser_command(finder, out.data()), c.expected);
        EXPECT_TRUE(out.terminated());
        EXPECT_EQ(out.text(), c.command);
        EXPECT_EQ(finder.searched, c.searched);
        EXPECT_EQ(finder.open_searches, 0);
        EXPECT_TRUE(out.guard_intact());
    }
}

// The longest command line, whichever drive has the browser, fits the 100
// bytes the caller offers, terminating zero included.
TEST(BrowserCommand, EveryDrivesCommandFitsTheCallersBuffer)
{
    for (char drive = 'c'; drive <= 'z'; ++drive) {
        SCOPED_TRACE(drive);
        FakeFinder finder;
        finder.drives = {drive};
        CallerBuffer out;
        ASSERT_EQ(browser_command(finder, out.data()), 0);
        const std::string command = out.text();
        EXPECT_EQ(command, browser_on(drive) + " " + kAddress);
        EXPECT_EQ(command.size() + 1, kBrowserCommandLength);
        EXPECT_LE(command.size() + 1, kBrowserCommandSize);
        EXPECT_TRUE(out.guard_intact());
    }
    EXPECT_EQ(browser_on('c').size(), 47u);
}

TEST(BrowserCommand, NoBufferSearchesNothing)
{
    FakeFinder finder;
    finder.drives = {'c'};
    EXPECT_EQ(browser_command(finder, nullptr), -1);
    EXPECT_TRUE(finder.searched.empty());
}

} // namespace
} // namespace kav::tillio
