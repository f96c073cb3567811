#include "named_objects.h"

#include <sddl.h>

namespace kav::opos::win32 {
namespace {

constexpr DWORD kSharedRights = SYNCHRONIZE | 0x0003;

template <typename Open, typename Create>
HANDLE open_or_create(Open open, Create create)
{
    // Opened first: CreateMutex and CreateEvent of an existing object ask for
    // all rights, which another user's object does not grant.
    if (HANDLE handle = open()) return handle;
    SecurityAttributes security(kSharedObjectSddl);
    if (HANDLE handle = create(security.get())) return handle;
    return open(); // made by another process in between
}

} // namespace

SecurityAttributes::SecurityAttributes(const wchar_t* sddl)
{
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor_, nullptr)) {
        descriptor_ = nullptr;
    }
    attributes_ = {sizeof attributes_, descriptor_, FALSE};
}

SecurityAttributes::~SecurityAttributes()
{
    if (descriptor_) LocalFree(descriptor_);
}

MutexHold::MutexHold(HANDLE mutex, DWORD timeout_ms) : mutex_(mutex)
{
    if (!mutex_) return;
    const DWORD wait = WaitForSingleObject(mutex_, timeout_ms);
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

MutexHold::~MutexHold()
{
    if (held_) ReleaseMutex(mutex_);
}

HANDLE shared_mutex(const std::wstring& name)
{
    return open_or_create([&] { return OpenMutexW(kSharedRights, FALSE, name.c_str()); },
                          [&](SECURITY_ATTRIBUTES* security) { return CreateMutexW(security, FALSE, name.c_str()); });
}

HANDLE shared_event(const std::wstring& name)
{
    return open_or_create([&] { return OpenEventW(kSharedRights, FALSE, name.c_str()); },
                          [&](SECURITY_ATTRIBUTES* security) { return CreateEventW(security, TRUE, FALSE, name.c_str()); });
}

HANDLE shared_auto_event(const std::wstring& name)
{
    return open_or_create([&] { return OpenEventW(kSharedRights, FALSE, name.c_str()); },
                          [&](SECURITY_ATTRIBUTES* security) { return CreateEventW(security, FALSE, FALSE, name.c_str()); });
}

void set_shared_event(const std::wstring& name)
{
    if (HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str())) {
        SetEvent(event);
        CloseHandle(event);
    }
}

} // namespace kav::opos::win32
