#include "module_state.h"

namespace kav::opos::win32 {
namespace {

HMODULE module_handle = nullptr;
volatile LONG live_objects = 0;
volatile LONG server_locks = 0;

} // namespace

HMODULE this_module()
{
    return module_handle;
}

void set_this_module(HMODULE module)
{
    module_handle = module;
}

void object_created()
{
    InterlockedIncrement(&live_objects);
}

void object_destroyed()
{
    InterlockedDecrement(&live_objects);
}

void lock_server(bool lock)
{
    if (lock) {
        InterlockedIncrement(&server_locks);
    } else {
        InterlockedDecrement(&server_locks);
    }
}

bool can_unload()
{
    return InterlockedCompareExchange(&live_objects, 0, 0) == 0 && InterlockedCompareExchange(&server_locks, 0, 0) == 0;
}

} // namespace kav::opos::win32
