#include "wine_service_control.h"

#include <cstdio>
#include <string>

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

bool in_wow64()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// Runs the harness's service helper (KAV_SERVICE_HELPER), which must be a
// 64-bit program, as "create <name> <image path>"; its failure is reported on
// its output.
DWORD create_with_64bit_helper(const char* name, const char* image_path)
{
    char helper[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("KAV_SERVICE_HELPER", helper, sizeof helper);
    if (length == 0 || length >= sizeof helper) return ERROR_ENVVAR_NOT_FOUND;
    DWORD type = 0;
    if (!GetBinaryTypeA(helper, &type) || type != SCS_64BIT_BINARY) return ERROR_BAD_EXE_FORMAT;
    std::string command = std::string("\"") + helper + "\" create " + name + " \"" + image_path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(helper, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return GetLastError();
    CloseHandle(process.hThread);
    DWORD result = ERROR_SERVICE_REQUEST_TIMEOUT;
    DWORD exit_code = 0;
    if (WaitForSingleObject(process.hProcess, kWaitMs) == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &exit_code))
        result = exit_code == 0 ? ERROR_SUCCESS : ERROR_SERVICE_SPECIFIC_ERROR;
    CloseHandle(process.hProcess);
    return result;
}

} // namespace

DWORD create_kernel_service(const char* name, const char* image_path)
{
    if (in_wow64()) {
        // 64-bit Windows runs a kernel driver as 64-bit code whoever made its
        // service; Wine hosts the service a WoW64 process made in its 32-bit
        // driver host, which cannot load the x86_64 driver.
        std::printf("known Wine difference: a 32-bit program's kernel service runs in a 32-bit driver host; "
                    "the 64-bit service helper makes it\n");
        return create_with_64bit_helper(name, image_path);
    }
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
