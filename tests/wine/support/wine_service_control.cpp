#include "wine_service_control.h"

namespace kavwine {
namespace {

class ScHandle {
public:
    explicit ScHandle(SC_HANDLE h) : h_(h) {}
    ~ScHandle()
    {
        if (h_ != nullptr) CloseServiceHandle(h_);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    SC_HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    SC_HANDLE h_;
};

constexpr DWORD kWaitMs = 15000;
constexpr DWORD kPollMs = 50;

DWORD wait_for_state(SC_HANDLE service, DWORD wanted)
{
    for (DWORD waited = 0;; waited += kPollMs) {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(service, &status)) return GetLastError();
        if (status.dwCurrentState == wanted) return ERROR_SUCCESS;
        if (waited >= kWaitMs) return ERROR_SERVICE_REQUEST_TIMEOUT;
        Sleep(kPollMs);
    }
}

// Runs fn(service) on the named service with the given access.
template <typename Fn>
DWORD with_service(const char* name, DWORD access, Fn fn)
{
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return GetLastError();
    ScHandle service(OpenServiceA(manager.get(), name, access));
    if (!service) return GetLastError();
    return fn(service.get());
}

} // namespace

DWORD create_kernel_service(const char* name, const char* image_path)
{
    ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager) return GetLastError();
    ScHandle service(CreateServiceA(manager.get(), name, name, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                    SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, image_path, nullptr, nullptr,
                                    nullptr, nullptr, nullptr));
    return service ? ERROR_SUCCESS : GetLastError();
}

DWORD start_service(const char* name)
{
    return with_service(name, SERVICE_START | SERVICE_QUERY_STATUS, [](SC_HANDLE service) -> DWORD {
        if (!StartServiceA(service, 0, nullptr)) return GetLastError();
        return wait_for_state(service, SERVICE_RUNNING);
    });
}

DWORD wait_for_dos_device(const char* name)
{
    for (DWORD waited = 0;; waited += kPollMs) {
        char target[512];
        if (QueryDosDeviceA(name, target, sizeof target) != 0) return ERROR_SUCCESS;
        if (waited >= kWaitMs) return ERROR_FILE_NOT_FOUND;
        Sleep(kPollMs);
    }
}

DWORD stop_service(const char* name)
{
    return with_service(name, SERVICE_STOP | SERVICE_QUERY_STATUS, [](SC_HANDLE service) -> DWORD {
        SERVICE_STATUS status{};
        if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) {
            DWORD error = GetLastError();
            if (error != ERROR_SERVICE_NOT_ACTIVE) return error;
        }
        return wait_for_state(service, SERVICE_STOPPED);
    });
}

DWORD delete_service(const char* name)
{
    return with_service(name, DELETE, [](SC_HANDLE service) -> DWORD {
        return DeleteService(service) ? ERROR_SUCCESS : GetLastError();
    });
}

DWORD query_service(const char* name, DWORD* state)
{
    return with_service(name, SERVICE_QUERY_STATUS, [state](SC_HANDLE service) -> DWORD {
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(service, &status)) return GetLastError();
        *state = status.dwCurrentState;
        return ERROR_SUCCESS;
    });
}

DWORD service_state(const char* name)
{
    DWORD state = kNoService;
    const DWORD error = query_service(name, &state);
    if (error == ERROR_SUCCESS) return state;
    return error == ERROR_SERVICE_DOES_NOT_EXIST ? kNoService : kServiceUnknown;
}

DWORD remove_service(const char* name)
{
    DWORD state = 0;
    if (query_service(name, &state) == ERROR_SERVICE_DOES_NOT_EXIST) return ERROR_SUCCESS;
    // Either step may find its work done (a stopped service, or one another
    // process marked for deletion): only whether the service goes counts.
    stop_service(name);
    const DWORD deleted = delete_service(name);
    for (DWORD waited = 0;; waited += kPollMs) {
        if (query_service(name, &state) == ERROR_SERVICE_DOES_NOT_EXIST) return ERROR_SUCCESS;
        if (waited >= kWaitMs) return deleted != ERROR_SUCCESS ? deleted : ERROR_SERVICE_REQUEST_TIMEOUT;
        Sleep(kPollMs);
    }
}

} // namespace kavwine
