#include "service_registration.h"

#include "install_log.h"
#include "setup_messages.h"

namespace kav::setup {

namespace {
// Kernel driver, started by the system loader, errors reported but not fatal.
constexpr uint32_t kErrorNormal = 1;
constexpr uint32_t kSystemStart = 1;
constexpr uint32_t kKernelDriver = 1;
} // namespace

bool register_driver_service(SetupSystem& system)
{
    if (!system.create_machine_key(kServiceKey)) {
        report(system, text::kRegisterCreateKeyFail);
        return false;
    }
    const char* failure = nullptr;
    if (!system.set_dword_value("ErrorControl", kErrorNormal)) {
        failure = text::kRegisterErrorControlFail;
    } else if (!system.set_string_value("ImagePath", kServiceImagePath)) {
        failure = text::kRegisterImagePathFail;
    } else if (!system.set_dword_value("Start", kSystemStart)) {
        failure = text::kRegisterStartFail;
    } else if (!system.set_dword_value("Type", kKernelDriver)) {
        failure = text::kRegisterTypeFail;
    }
    if (failure != nullptr) report(system, failure);
    system.close_key();
    return failure == nullptr;
}

} // namespace kav::setup
