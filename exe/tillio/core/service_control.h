// Installing, starting, stopping and removing the port driver's kernel service.
// Both functions return the system's error code of the step that failed, 0 when
// every step succeeded, and close every handle they opened before returning.
#pragma once
#include "service_manager.h"

#include <stdint.h>

namespace kav::tillio {

inline constexpr uint32_t kServiceSucceeded = 0;
// System error codes the core itself hands out.
inline constexpr uint32_t kErrorGenFailure = 31;        // a step failed without saying why
inline constexpr uint32_t kErrorInvalidParameter = 87;  // no service name

inline constexpr uint32_t kManagerAllAccess = 0xF003F;  // SC_MANAGER_ALL_ACCESS
inline constexpr uint32_t kServiceAllAccess = 0xF01FF;  // SERVICE_ALL_ACCESS
inline constexpr uint32_t kKernelDriver = 1;            // SERVICE_KERNEL_DRIVER
inline constexpr uint32_t kDemandStart = 3;             // SERVICE_DEMAND_START
inline constexpr uint32_t kErrorControlNormal = 1;      // SERVICE_ERROR_NORMAL

// Opens the service, creating it from image_path when it cannot be opened and
// a path is given (null or empty: none), then starts it. An existing service
// keeps its own image path. A service that is already running is an error.
uint32_t load_service(ServiceManager& manager, const char* name, const char* image_path);

// Stops the service and, if delete_service is set, marks it for deletion. A
// service that does not stop is never deleted.
uint32_t unload_service(ServiceManager& manager, const char* name, bool delete_service);

} // namespace kav::tillio
