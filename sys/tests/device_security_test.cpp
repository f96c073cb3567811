// The driver's device security read back the way the system reads it: a
// self-relative descriptor, its DACL and each entry's rights and SID.
#include "device_security.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kav {
namespace {

uint32_t u16_at(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t u32_at(const uint8_t* p) { return u16_at(p) | u16_at(p + 2) << 16; }

struct Entry {
    int type;
    int flags;
    uint32_t mask;
    std::string sid;
    bool operator==(const Entry&) const = default;
};

// "S-1-5-18" from a SID's bytes; "" when it does not fit in `left` bytes.
std::string sid_text(const uint8_t* p, size_t left)
{
    if (left < 8 || left < 8u + 4u * p[1]) return {};
    uint64_t authority = 0;
    for (int i = 2; i < 8; ++i) authority = authority << 8 | p[i];
    std::string text = "S-" + std::to_string(p[0]) + "-" + std::to_string(authority);
    for (int i = 0; i < p[1]; ++i) text += "-" + std::to_string(u32_at(p + 8 + 4 * i));
    return text;
}

TEST(DeviceSecurity, SystemAndAdministratorsAllInteractiveUsersReadAndWriteNobodyElse)
{
    const DeviceSecurity sd = device_security();
    const uint8_t* b = sd.bytes;
    EXPECT_EQ(b[0], 1) << "revision";
    EXPECT_EQ(u16_at(b + 2), 0x8000u | 0x1000u | 0x0004u) << "self-relative, DACL present and protected";
    EXPECT_EQ(u32_at(b + 4), 0u) << "no owner: the system sets it";
    EXPECT_EQ(u32_at(b + 8), 0u) << "no group";
    EXPECT_EQ(u32_at(b + 12), 0u) << "no SACL";
    const uint32_t dacl = u32_at(b + 16);
    ASSERT_EQ(dacl, 20u);

    const uint8_t* acl = b + dacl;
    EXPECT_EQ(acl[0], 2) << "ACL revision";
    ASSERT_EQ(u16_at(acl + 2), sizeof sd.bytes - dacl) << "the ACL fills the rest";
    std::vector<Entry> entries;
    size_t at = 8;
    for (uint32_t i = 0; i < u16_at(acl + 4); ++i) {
        const uint8_t* ace = acl + at;
        const uint32_t size = u16_at(ace + 2);
        ASSERT_LE(at + size, u16_at(acl + 2)) << "entry " << i;
        entries.push_back({ace[0], ace[1], u32_at(ace + 4), sid_text(ace + 8, size - 8)});
        at += size;
    }
    EXPECT_EQ(at, u16_at(acl + 2)) << "no bytes after the last entry";
    const std::vector<Entry> expected = {
        {0, 0, 0x1F01FF, "S-1-5-18"},     // SYSTEM: FILE_ALL_ACCESS
        {0, 0, 0x1F01FF, "S-1-5-32-544"}, // Administrators
        {0, 0, 0x12019F, "S-1-5-4"},      // interactive users: FILE_GENERIC_READ | FILE_GENERIC_WRITE
    };
    EXPECT_EQ(entries, expected);
}

} // namespace
} // namespace kav
