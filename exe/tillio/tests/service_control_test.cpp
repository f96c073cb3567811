#include "service_control.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kav::tillio {
namespace {

constexpr const char* kName = "KAV_cash";
// The product's path, relative to the system root.
constexpr const char* kImagePath = "system32\\drivers\\KAV_cash.sys";

// System error codes as the real manager reports them.
constexpr uint32_t kAccessDenied = 5;
constexpr uint32_t kAlreadyRunning = 1056;
constexpr uint32_t kDoesNotExist = 1060;
constexpr uint32_t kNotActive = 1062;
constexpr uint32_t kMarkedForDelete = 1072;
constexpr uint32_t kDllInitFailed = 1114;

enum class Step { OpenManager, OpenService, Create, Start, Stop, Delete };

// A service manager with one service whose state the calls change as the real
// one would, and a script of steps that fail with a given error. Every call is
// logged; handles are checked as the system would: only open handles are used,
// and each is closed exactly once.
class FakeServiceManager final : public ServiceManager {
public:
    bool exists = false;
    bool running = false;
    bool marked_for_deletion = false;
    std::map<Step, uint32_t> fails;
    // Some successful calls reset the thread's last error; the fake's closes
    // do, so a result read after a close shows up.
    static constexpr uint32_t kErrorAfterClose = 0;

    std::vector<std::string> log;
    std::optional<ServiceDefinition> created;

    ServiceHandle open_manager(uint32_t access) override
    {
        log.push_back("open manager " + hex(access));
        if (fail(Step::OpenManager)) return kNoService;
        return issue(Kind::Manager);
    }

    ServiceHandle open_service(ServiceHandle manager, const char* name, uint32_t access) override
    {
        log.push_back("open service " + std::string(name) + " " + hex(access));
        expect_open(manager, Kind::Manager);
        if (fail(Step::OpenService)) return kNoService;
        if (!exists) return set_error(kDoesNotExist), kNoService;
        return issue(Kind::Service);
    }

    ServiceHandle create_service(ServiceHandle manager, const ServiceDefinition& definition) override
    {
        log.push_back("create " + std::string(definition.image_path));
        expect_open(manager, Kind::Manager);
        if (fail(Step::Create)) return kNoService;
        created = definition;
        exists = true;
        return issue(Kind::Service);
    }

    bool start(ServiceHandle service) override
    {
        log.push_back("start");
        expect_open(service, Kind::Service);
        if (fail(Step::Start)) return false;
        if (running) return set_error(kAlreadyRunning), false;
        running = true;
        return true;
    }

    bool stop(ServiceHandle service) override
    {
        log.push_back("stop");
        expect_open(service, Kind::Service);
        if (fail(Step::Stop)) return false;
        if (!running) return set_error(kNotActive), false;
        running = false;
        return true;
    }

    bool mark_for_deletion(ServiceHandle service) override
    {
        log.push_back("delete");
        expect_open(service, Kind::Service);
        if (fail(Step::Delete)) return false;
        marked_for_deletion = true;
        return true;
    }

    void close(ServiceHandle handle) override
    {
        const auto found = open_.find(handle);
        if (found == open_.end()) {
            ADD_FAILURE() << "closing a handle that is not open";
            log.push_back("close ?");
            return;
        }
        log.push_back(found->second == Kind::Manager ? "close manager" : "close service");
        open_.erase(found);
        last_error_ = kErrorAfterClose;
    }

    uint32_t last_error() override { return last_error_; }

    bool all_closed() const { return open_.empty(); }

private:
    enum class Kind { Manager, Service };

    static std::string hex(uint32_t value)
    {
        char text[16];
        std::snprintf(text, sizeof text, "0x%X", value);
        return text;
    }

    void set_error(uint32_t error) { last_error_ = error; }

    bool fail(Step step)
    {
        const auto found = fails.find(step);
        if (found == fails.end()) return false;
        set_error(found->second);
        return true;
    }

    ServiceHandle issue(Kind kind)
    {
        const auto handle = reinterpret_cast<ServiceHandle>(next_handle_++);
        open_[handle] = kind;
        return handle;
    }

    void expect_open(ServiceHandle handle, Kind kind)
    {
        const auto found = open_.find(handle);
        EXPECT_TRUE(found != open_.end() && found->second == kind) << "call on a handle that is not an open "
                                                                   << (kind == Kind::Manager ? "manager" : "service");
    }

    std::map<ServiceHandle, Kind> open_;
    uintptr_t next_handle_ = 0x100;
    uint32_t last_error_ = 0xBAD;
};

using Log = std::vector<std::string>;
const std::string kOpenManager = "open manager 0xF003F";
const std::string kOpenService = "open service KAV_cash 0xF01FF";
const std::string kCreate = std::string("create ") + kImagePath;

// --- loading ------------------------------------------------------------------

struct LoadCase {
    const char* name;
    bool exists;
    bool running;
    const char* path;
    std::map<Step, uint32_t> fails;
    uint32_t expected;
    Log calls;
    bool running_after;
};

TEST(LoadService, StepsResultsAndHandles)
{
    const LoadCase cases[] = {
        {"missing service is created and started", false, false, kImagePath, {}, 0,
         {kOpenManager, kOpenService, kCreate, "start", "close service", "close manager"}, true},
        {"existing stopped service is started, path ignored", true, false, kImagePath, {}, 0,
         {kOpenManager, kOpenService, "start", "close service", "close manager"}, true},
        {"existing service without a path", true, false, nullptr, {}, 0,
         {kOpenManager, kOpenService, "start", "close service", "close manager"}, true},
        {"running service is an error", true, true, kImagePath, {}, kAlreadyRunning,
         {kOpenManager, kOpenService, "start", "close service", "close manager"}, true},
        {"missing service and no path: nothing created", false, false, nullptr, {}, kDoesNotExist,
         {kOpenManager, kOpenService, "close manager"}, false},
        {"missing service and an empty path: nothing created", false, false, "", {}, kDoesNotExist,
         {kOpenManager, kOpenService, "close manager"}, false},
        {"manager does not open", false, false, kImagePath, {{Step::OpenManager, kAccessDenied}}, kAccessDenied,
         {kOpenManager}, false},
        {"open refused: creating it reports the create's error", true, false, kImagePath,
         {{Step::OpenService, kAccessDenied}, {Step::Create, 1073}}, 1073,
         {kOpenManager, kOpenService, kCreate, "close manager"}, false},
        {"create fails", false, false, kImagePath, {{Step::Create, kAccessDenied}}, kAccessDenied,
         {kOpenManager, kOpenService, kCreate, "close manager"}, false},
        {"driver does not load", false, false, kImagePath, {{Step::Start, kDllInitFailed}}, kDllInitFailed,
         {kOpenManager, kOpenService, kCreate, "start", "close service", "close manager"}, false},
        {"failure without an error code still fails", true, false, kImagePath, {{Step::Start, 0}}, kErrorGenFailure,
         {kOpenManager, kOpenService, "start", "close service", "close manager"}, false},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeServiceManager scm;
        scm.exists = c.exists;
        scm.running = c.running;
        scm.fails = c.fails;

        EXPECT_EQ(load_service(scm, kName, c.path), c.expected);
        EXPECT_EQ(scm.log, c.calls);
        EXPECT_TRUE(scm.all_closed());
        EXPECT_EQ(scm.running, c.running_after);
        EXPECT_FALSE(scm.marked_for_deletion);
    }
}

TEST(LoadService, CreatesAnOnDemandKernelDriverNamedAfterTheService)
{
    FakeServiceManager scm;
    ASSERT_EQ(load_service(scm, kName, kImagePath), 0u);
    ASSERT_TRUE(scm.created.has_value());
    const ServiceDefinition& d = *scm.created;
    EXPECT_STREQ(d.name, kName);
    EXPECT_STREQ(d.display_name, kName);
    EXPECT_EQ(d.access, 0xF01FFu);
    EXPECT_EQ(d.type, 1u);
    EXPECT_EQ(d.start_type, 3u);
    EXPECT_EQ(d.error_control, 1u);
    EXPECT_STREQ(d.image_path, kImagePath);
}

// --- unloading ----------------------------------------------------------------

struct UnloadCase {
    const char* name;
    bool exists;
    bool running;
    bool delete_service;
    std::map<Step, uint32_t> fails;
    uint32_t expected;
    Log calls;
    bool deleted;
};

TEST(UnloadService, StepsResultsAndHandles)
{
    const UnloadCase cases[] = {
        {"stop and delete", true, true, true, {}, 0,
         {kOpenManager, kOpenService, "stop", "delete", "close service", "close manager"}, true},
        {"stop and keep", true, true, false, {}, 0,
         {kOpenManager, kOpenService, "stop", "close service", "close manager"}, false},
        {"stopped service is not deleted", true, false, true, {}, kNotActive,
         {kOpenManager, kOpenService, "stop", "close service", "close manager"}, false},
        {"stopped service, keep", true, false, false, {}, kNotActive,
         {kOpenManager, kOpenService, "stop", "close service", "close manager"}, false},
        {"missing service", false, false, true, {}, kDoesNotExist, {kOpenManager, kOpenService, "close manager"},
         false},
        {"manager does not open", true, true, true, {{Step::OpenManager, kAccessDenied}}, kAccessDenied,
         {kOpenManager}, false},
        {"stop refused: no delete", true, true, true, {{Step::Stop, 1051}}, 1051,
         {kOpenManager, kOpenService, "stop", "close service", "close manager"}, false},
        {"delete fails after the stop", true, true, true, {{Step::Delete, kMarkedForDelete}}, kMarkedForDelete,
         {kOpenManager, kOpenService, "stop", "delete", "close service", "close manager"}, false},
        {"failure without an error code still fails", true, true, true, {{Step::Stop, 0}}, kErrorGenFailure,
         {kOpenManager, kOpenService, "stop", "close service", "close manager"}, false},
    };
    for (const UnloadCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeServiceManager scm;
        scm.exists = c.exists;
        scm.running = c.running;
        scm.fails = c.fails;

        EXPECT_EQ(unload_service(scm, kName, c.delete_service), c.expected);
        EXPECT_EQ(scm.log, c.calls);
        EXPECT_TRUE(scm.all_closed());
        EXPECT_EQ(scm.marked_for_deletion, c.deleted);
    }
}

// --- together -----------------------------------------------------------------

// The utility's life: each run installs the service anew and removes it at exit.
TEST(ServiceControl, LoadUnloadRoundTrip)
{
    FakeServiceManager scm;
    EXPECT_EQ(load_service(scm, kName, kImagePath), 0u);
    EXPECT_EQ(load_service(scm, kName, kImagePath), kAlreadyRunning);
    EXPECT_EQ(unload_service(scm, kName, false), 0u);
    EXPECT_EQ(load_service(scm, kName, nullptr), 0u);
    EXPECT_EQ(unload_service(scm, kName, true), 0u);
    EXPECT_TRUE(scm.marked_for_deletion);
    EXPECT_FALSE(scm.running);
    EXPECT_TRUE(scm.all_closed());
}

TEST(ServiceControl, NoNameTouchesNothing)
{
    FakeServiceManager scm;
    scm.exists = true;
    EXPECT_EQ(load_service(scm, nullptr, kImagePath), kErrorInvalidParameter);
    EXPECT_EQ(unload_service(scm, nullptr, true), kErrorInvalidParameter);
    EXPECT_TRUE(scm.log.empty());
}

} // namespace
} // namespace kav::tillio
