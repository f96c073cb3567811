#include "driver_service.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kav::drawers {
namespace {

// Board requests fail with "did not open" until the service runs.
struct Terminal {
    int32_t os = 2000;
    int32_t load_result = 0;
    bool running = false;
    std::vector<std::string> calls;

    Library bind()
    {
        Library library;
        library.OSVersion = [this] { return os; };
        library.LoadService = [this](const char* name, const char* path) {
            calls.push_back(std::string("LoadService(") + name + ", " + path + ")");
            if (load_result == 0) running = true;
            return load_result;
        };
        library.UnloadService = [this](const char* name, int32_t flag) {
            calls.push_back(std::string("UnloadService(") + name + ", " + std::to_string(flag) + ")");
            running = false;
            return 0;
        };
        library.DeviceControl = [this](const char*, int32_t number) {
            calls.push_back("DeviceControl(" + std::to_string(number) + ")");
            return running ? 0 : -1;
        };
        library.Bastra8613GetCashDrawerStatus = [this](const char*, int32_t) { return running ? 0 : -1; };
        library.UsbCashDrawerStaus = [this](int32_t) {
            calls.push_back("UsbCashDrawerStaus");
            return 0;
        };
        return library;
    }
};

DrawerAddress named(const char* name) { return *parse_drawer(name).drawer; }

TEST(DriverService, StartsTheServiceOnceWhenABoardDrawerDoesNotOpenAndRemovesItAtTheEnd)
{
    Terminal terminal;
    const Library library = terminal.bind();
    LibraryDrawers plain(library, {});
    {
        DriverService service(library, DriverService::AtEnd::Remove);
        ServiceStartingDrawers drawers(plain, service);
        EXPECT_EQ(drawers.status(named("usb:1")).outcome, Outcome::NotReachable);
        EXPECT_EQ(terminal.calls, std::vector<std::string>{"UsbCashDrawerStaus"}) << "no service for other drawers";
        EXPECT_EQ(drawers.open(named("VOLX-8613:1")).outcome, Outcome::Done);
        EXPECT_EQ(drawers.status(named("VOLX-8613:1")).outcome, Outcome::Closed);
        EXPECT_EQ(terminal.calls, (std::vector<std::string>{"UsbCashDrawerStaus", "DeviceControl(12)",
                                                            "LoadService(KAV_cash, system32\\drivers\\KAV_cash.sys)",
                                                            "DeviceControl(12)"}));
    }
    EXPECT_EQ(terminal.calls.back(), "UnloadService(KAV_cash, -1)");
}

TEST(DriverService, ACallerThatLeavesTheServiceRunningNeverRemovesIt)
{
    Terminal terminal;
    const Library library = terminal.bind();
    LibraryDrawers plain(library, {});
    {
        DriverService service(library, DriverService::AtEnd::LeaveRunning);
        ServiceStartingDrawers drawers(plain, service);
        EXPECT_EQ(drawers.open(named("VOLX-8613:1")).outcome, Outcome::Done);
        EXPECT_TRUE(service.started());
    }
    EXPECT_TRUE(terminal.running);
    EXPECT_EQ(terminal.calls.back(), "DeviceControl(12)") << "nothing after the second open";
}

TEST(DriverService, LeavesAServiceItDidNotStartAndTriesOnlyOnce)
{
    struct Case {
        int32_t os;
        int32_t load_result;
        int loads;
    };
    // Windows 98 loads the driver at boot; 1056: the service already runs
    // (the utility's), and a failed start is not tried again on each tick.
    for (const Case& c : {Case{98, 0, 0}, Case{2000, 1056, 1}, Case{2000, 5, 1}}) {
        Terminal terminal;
        terminal.os = c.os;
        terminal.load_result = c.load_result;
        const Library library = terminal.bind();
        LibraryDrawers plain(library, {});
        {
            DriverService service(library, DriverService::AtEnd::Remove);
            ServiceStartingDrawers drawers(plain, service);
            EXPECT_EQ(drawers.open(named("VOLX-8613:1")).outcome, Outcome::NotReachable);
            EXPECT_EQ(drawers.open(named("VOLX-8613:1")).outcome, Outcome::NotReachable);
        }
        const auto count = [&](const std::string& prefix) {
            return std::count_if(terminal.calls.begin(), terminal.calls.end(),
                                 [&](const std::string& call) { return call.starts_with(prefix); });
        };
        EXPECT_EQ(count("LoadService"), c.loads) << c.os << " " << c.load_result;
        EXPECT_EQ(count("UnloadService"), 0) << c.os << " " << c.load_result;
        EXPECT_EQ(count("DeviceControl"), 2) << "no second pulse after a failed start";
    }
}

} // namespace
} // namespace kav::drawers
