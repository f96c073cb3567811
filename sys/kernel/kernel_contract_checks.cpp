// The core spells the kernel's values without the DDK headers, so that it
// builds natively; the driver build proves they are the kernel's own.
#include "kernel_api.h"

#include "device_security.h"
#include "ioctl_codes.h"
#include "nt_status.h"

#if defined(KAV_KERNEL)
namespace {

constexpr uint32_t kernel_code(uint32_t function)
{
    return CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_BUFFERED, FILE_ANY_ACCESS);
}
static_assert(kav::kIoctlGetDriverInfo == kernel_code(0x88));
static_assert(kav::kFirstDrawerCode == kernel_code(0x80 + kav::kFirstCommand));
static_assert(kav::kLastDrawerCode == kernel_code(0x80 + kav::kLastCommand));

static_assert(kav::kStatusSuccess == STATUS_SUCCESS);
static_assert(kav::kStatusPending == STATUS_PENDING);
static_assert(kav::kStatusDeviceBusy == STATUS_DEVICE_BUSY);
static_assert(kav::kStatusInvalidParameter == STATUS_INVALID_PARAMETER);
static_assert(kav::kStatusInsufficientResources == STATUS_INSUFFICIENT_RESOURCES);
static_assert(kav::kStatusDeviceNotReady == STATUS_DEVICE_NOT_READY);
static_assert(kav::kStatusInvalidBufferSize == STATUS_INVALID_BUFFER_SIZE);

static_assert(kav::kFileAllAccess == FILE_ALL_ACCESS);
static_assert(kav::kFileGenericRead == FILE_GENERIC_READ);
static_assert(kav::kFileGenericWrite == FILE_GENERIC_WRITE);

} // namespace
#endif
