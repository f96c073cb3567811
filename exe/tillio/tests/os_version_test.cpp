#include "os_version.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace kav::tillio {
namespace {

class FakeVersion final : public VersionQuery {
public:
    FakeVersion(bool answers, uint32_t major, uint32_t minor) : answers_(answers), major_(major), minor_(minor) {}
    bool query(uint32_t* major, uint32_t* minor) override
    {
        if (!answers_) return false;
        *major = major_;
        *minor = minor_;
        return true;
    }

private:
    bool answers_;
    uint32_t major_;
    uint32_t minor_;
};

struct VersionCase {
    const char* system;
    bool answers;
    uint32_t major;
    uint32_t minor;
    int32_t expected;
};

TEST(OsVersion, OnlyFourTenIsWindows98)
{
    const VersionCase cases[] = {
        {"Windows 98", true, 4, 10, 98},
        {"Windows 95", true, 4, 0, 2000},
        {"Windows Me", true, 4, 90, 2000},
        {"Windows 2000", true, 5, 0, 2000},
        {"Windows XP", true, 5, 1, 2000},
        {"Windows Vista", true, 6, 0, 2000},
        {"Windows 8", true, 6, 2, 2000},
        {"Windows 10", true, 10, 0, 2000},
        {"minor 10 of another major", true, 5, 10, 2000},
        {"version query fails", false, 4, 10, 2000},
    };
    for (const VersionCase& c : cases) {
        FakeVersion version(c.answers, c.major, c.minor);
        EXPECT_EQ(os_version(version), c.expected) << c.system << " " << c.major << "." << c.minor;
    }
}

} // namespace
} // namespace kav::tillio
