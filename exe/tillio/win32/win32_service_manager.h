// ServiceManager over advapi32's service control calls. No decisions here:
// each method is one system call.
#pragma once
#include "service_manager.h"

namespace kav::tillio {

class Win32ServiceManager final : public ServiceManager {
public:
    constexpr Win32ServiceManager() = default;

    ServiceHandle open_manager(uint32_t access) override;
    ServiceHandle open_service(ServiceHandle manager, const char* name, uint32_t access) override;
    ServiceHandle create_service(ServiceHandle manager, const ServiceDefinition& definition) override;
    bool start(ServiceHandle service) override;
    bool stop(ServiceHandle service) override;
    bool mark_for_deletion(ServiceHandle service) override;
    void close(ServiceHandle handle) override;
    uint32_t last_error() override;
};

} // namespace kav::tillio
