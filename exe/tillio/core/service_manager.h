// The library's view of the service control manager: the handful of calls that
// install, start, stop and remove a kernel service. The Win32 edge maps each
// method to one advapi32 call; the tests use a scripted fake.
#pragma once
#include <stdint.h>

namespace kav::tillio {

// Opaque to the core; the edge's "no handle" is kNoService.
using ServiceHandle = void*;
inline constexpr ServiceHandle kNoService = nullptr;

// Everything CreateServiceA is given beyond the manager; what is not here
// (load-order group, tag, dependencies, account, password) is always none.
struct ServiceDefinition {
    const char* name;
    const char* display_name;
    uint32_t access;
    uint32_t type;
    uint32_t start_type;
    uint32_t error_control;
    const char* image_path;
};

class ServiceManager {
public:
    // The local machine's default database. kNoService on failure.
    virtual ServiceHandle open_manager(uint32_t access) = 0;
    virtual ServiceHandle open_service(ServiceHandle manager, const char* name, uint32_t access) = 0;
    virtual ServiceHandle create_service(ServiceHandle manager, const ServiceDefinition& definition) = 0;

    // Each false on failure; the reason is last_error().
    virtual bool start(ServiceHandle service) = 0;
    virtual bool stop(ServiceHandle service) = 0;
    virtual bool mark_for_deletion(ServiceHandle service) = 0;

    virtual void close(ServiceHandle handle) = 0;

    // The calling thread's last system error. Only meaningful right after a
    // failed call: any later call may overwrite it.
    virtual uint32_t last_error() = 0;

protected:
    ServiceManager() = default;
    ServiceManager(const ServiceManager&) = default;
    ServiceManager& operator=(const ServiceManager&) = default;
    // Managers are never owned through this interface.
    ~ServiceManager() = default;
};

} // namespace kav::tillio
