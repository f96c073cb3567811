#include "win32_service_manager.h"
#include "service_control.h"

#include <windows.h>

namespace kav::tillio {
namespace {

// The core names the manager's values without its headers; they must be the
// system's own.
static_assert(kServiceSucceeded == ERROR_SUCCESS);
static_assert(kErrorGenFailure == ERROR_GEN_FAILURE);
static_assert(kErrorInvalidParameter == ERROR_INVALID_PARAMETER);
static_assert(kManagerAllAccess == SC_MANAGER_ALL_ACCESS);
static_assert(kServiceAllAccess == SERVICE_ALL_ACCESS);
static_assert(kKernelDriver == SERVICE_KERNEL_DRIVER);
static_assert(kDemandStart == SERVICE_DEMAND_START);
static_assert(kErrorControlNormal == SERVICE_ERROR_NORMAL);

SC_HANDLE sc(ServiceHandle handle) { return static_cast<SC_HANDLE>(handle); }

} // namespace

ServiceHandle Win32ServiceManager::open_manager(uint32_t access)
{
    return OpenSCManagerA(nullptr, nullptr, access);
}

ServiceHandle Win32ServiceManager::open_service(ServiceHandle manager, const char* name, uint32_t access)
{
    return OpenServiceA(sc(manager), name, access);
}

ServiceHandle Win32ServiceManager::create_service(ServiceHandle manager, const ServiceDefinition& definition)
{
    return CreateServiceA(sc(manager), definition.name, definition.display_name, definition.access,
                          definition.type, definition.start_type, definition.error_control, definition.image_path,
                          nullptr, nullptr, nullptr, nullptr, nullptr);
}

bool Win32ServiceManager::start(ServiceHandle service)
{
    return StartServiceA(sc(service), 0, nullptr) != FALSE;
}

bool Win32ServiceManager::stop(ServiceHandle service)
{
    SERVICE_STATUS status{};
    return ControlService(sc(service), SERVICE_CONTROL_STOP, &status) != FALSE;
}

bool Win32ServiceManager::mark_for_deletion(ServiceHandle service)
{
    return DeleteService(sc(service)) != FALSE;
}

void Win32ServiceManager::close(ServiceHandle handle)
{
    CloseServiceHandle(sc(handle));
}

uint32_t Win32ServiceManager::last_error()
{
    return GetLastError();
}

} // namespace kav::tillio
