#include "service_control.h"

namespace kav::tillio {
namespace {

// The error of the call that just failed, read before anything else can
// overwrite it. A failure must never read as success, even if the system
// left no error behind.
uint32_t failure(ServiceManager& manager)
{
    const uint32_t error = manager.last_error();
    return error != kServiceSucceeded ? error : kErrorGenFailure;
}

} // namespace

uint32_t load_service(ServiceManager& manager, const char* name, const char* image_path)
{
    if (name == nullptr) return kErrorInvalidParameter;

    const ServiceHandle scm = manager.open_manager(kManagerAllAccess);
    if (scm == kNoService) return failure(manager);

    uint32_t result = kServiceSucceeded;
    ServiceHandle service = manager.open_service(scm, name, kServiceAllAccess);
    if (service == kNoService) {
        result = failure(manager);
        // An empty path would make a service that can never load.
        if (image_path != nullptr && image_path[0] != '\0') {
            const ServiceDefinition definition{
                name, name, kServiceAllAccess, kKernelDriver, kDemandStart, kErrorControlNormal, image_path};
            service = manager.create_service(scm, definition);
            result = service == kNoService ? failure(manager) : kServiceSucceeded;
        }
    }
    if (service != kNoService) {
        result = manager.start(service) ? kServiceSucceeded : failure(manager);
        manager.close(service);
    }
    manager.close(scm);
    return result;
}

uint32_t unload_service(ServiceManager& manager, const char* name, bool delete_service)
{
    if (name == nullptr) return kErrorInvalidParameter;

    const ServiceHandle scm = manager.open_manager(kManagerAllAccess);
    if (scm == kNoService) return failure(manager);

    uint32_t result = kServiceSucceeded;
    const ServiceHandle service = manager.open_service(scm, name, kServiceAllAccess);
    if (service == kNoService) {
        result = failure(manager);
    } else {
        if (!manager.stop(service)) {
            result = failure(manager);
        } else if (delete_service && !manager.mark_for_deletion(service)) {
            result = failure(manager);
        }
        manager.close(service);
    }
    manager.close(scm);
    return result;
}

} // namespace kav::tillio
