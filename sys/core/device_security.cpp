#include "device_security.h"

namespace kav {
namespace {

// The NT authority's well-known SIDs, as (subauthorities...).
constexpr uint32_t kLocalSystem[] = {18};          // S-1-5-18
constexpr uint32_t kAdministrators[] = {32, 544};  // S-1-5-32-544
constexpr uint32_t kInteractive[] = {4};           // S-1-5-4
constexpr uint8_t kNtAuthority[] = {0, 0, 0, 0, 0, 5}; // big-endian

class Writer {
public:
    explicit Writer(uint8_t* out) : out_(out) {}
    void u8(uint8_t v) { out_[at_++] = v; }
    void u16(uint16_t v)
    {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v)
    {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    template <size_t N>
    void access_allowed(uint32_t mask, const uint32_t (&subauthorities)[N])
    {
        u8(0); // ACCESS_ALLOWED_ACE_TYPE
        u8(0); // no inheritance flags
        u16(static_cast<uint16_t>(8 + 8 + 4 * N));
        u32(mask);
        u8(1); // SID revision
        u8(static_cast<uint8_t>(N));
        for (uint8_t b : kNtAuthority) u8(b);
        for (uint32_t s : subauthorities) u32(s);
    }
private:
    uint8_t* out_;
    size_t at_ = 0;
};

} // namespace

DeviceSecurity device_security()
{
    constexpr uint16_t kDaclPresent = 0x0004;
    constexpr uint16_t kDaclProtected = 0x1000;
    constexpr uint16_t kSelfRelative = 0x8000;
    constexpr uint32_t kHeaderBytes = 20;

    DeviceSecurity sd{};
    Writer w(sd.bytes);
    w.u8(1); // SECURITY_DESCRIPTOR_REVISION
    w.u8(0);
    w.u16(kDaclPresent | kDaclProtected | kSelfRelative);
    w.u32(0); // owner
    w.u32(0); // group
    w.u32(0); // SACL
    w.u32(kHeaderBytes);

    w.u8(2); // ACL_REVISION
    w.u8(0);
    w.u16(static_cast<uint16_t>(kDeviceSecurityBytes - kHeaderBytes));
    w.u16(3); // entries
    w.u16(0);
    w.access_allowed(kFileAllAccess, kLocalSystem);
    w.access_allowed(kFileAllAccess, kAdministrators);
    w.access_allowed(kFileGenericRead | kFileGenericWrite, kInteractive);
    return sd;
}

} // namespace kav
