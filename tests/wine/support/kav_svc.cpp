// The Wine harness's service helper: one service-manager step per run, so the
// harness controls the driver without depending on Wine's sc.exe.
//   kav_svc create <name> <image path>   kernel driver, demand start
//   kav_svc start|stop|delete|query <name>
//   kav_svc wait-link <name>              until \DosDevices\<name> exists
// Exit status 0 on success; query prints the state and fails for a missing
// service.
#include "wine_service_control.h"

#include <cstdio>
#include <cstring>

namespace {

int usage()
{
    std::puts("usage: kav_svc create <name> <image path> | start|stop|delete|query|wait-link <name>");
    return 2;
}

const char* state_name(DWORD state)
{
    switch (state) {
    case SERVICE_STOPPED: return "stopped";
    case SERVICE_START_PENDING: return "start pending";
    case SERVICE_STOP_PENDING: return "stop pending";
    case SERVICE_RUNNING: return "running";
    default: return "other";
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return usage();
    const char* verb = argv[1];
    const char* name = argv[2];
    DWORD error = ERROR_SUCCESS;
    if (std::strcmp(verb, "create") == 0 && argc == 4) {
        error = kavwine::create_kernel_service(name, argv[3]);
    } else if (argc != 3) {
        return usage();
    } else if (std::strcmp(verb, "start") == 0) {
        error = kavwine::start_service(name);
    } else if (std::strcmp(verb, "stop") == 0) {
        error = kavwine::stop_service(name);
    } else if (std::strcmp(verb, "delete") == 0) {
        error = kavwine::delete_service(name);
    } else if (std::strcmp(verb, "wait-link") == 0) {
        error = kavwine::wait_for_dos_device(name);
    } else if (std::strcmp(verb, "query") == 0) {
        DWORD state = 0;
        error = kavwine::query_service(name, &state);
        if (error == ERROR_SUCCESS) std::printf("kav_svc: %s is %s\n", name, state_name(state));
    } else {
        return usage();
    }
    if (error != ERROR_SUCCESS) {
        std::printf("kav_svc: %s %s failed: error %lu\n", verb, name, static_cast<unsigned long>(error));
        return 1;
    }
    return 0;
}
