#include "claim_mutex.h"

#include "device_names.h"
#include "named_objects.h"
#include "opos_constants.h"
#include "system_text.h"

namespace kav::opos::win32 {
namespace {

bool taken(DWORD wait)
{
    return wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

} // namespace

ClaimMutex::ClaimMutex(const std::string& device_name)
    : mutex_name_(drawers::utf16_of(claim_mutex_name(device_name))), flag_name_(drawers::utf16_of(claim_flag_name(device_name)))
{
}

ClaimMutex::~ClaimMutex()
{
    release();
}

ClaimWait ClaimMutex::acquire(int32_t timeout_ms)
{
    if (holder_) return ClaimWait::Acquired;
    answered_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    let_go_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    timeout_ = timeout_ms == OPOS_FOREVER ? INFINITE : static_cast<DWORD>(timeout_ms);
    outcome_ = ClaimWait::Failed;
    if (answered_ && let_go_) holder_ = CreateThread(nullptr, 0, holder_proc, this, 0, nullptr);
    if (!holder_) {
        end_holder();
        return ClaimWait::Failed;
    }
    WaitForSingleObject(answered_, INFINITE);
    if (outcome_ != ClaimWait::Acquired) end_holder();
    return outcome_;
}

void ClaimMutex::release()
{
    if (!holder_) return;
    SetEvent(let_go_);
    end_holder();
}

void ClaimMutex::end_holder()
{
    if (holder_) {
        WaitForSingleObject(holder_, INFINITE);
        CloseHandle(holder_);
        holder_ = nullptr;
    }
    for (HANDLE* handle : {&answered_, &let_go_}) {
        if (*handle) CloseHandle(*handle);
        *handle = nullptr;
    }
}

DWORD WINAPI ClaimMutex::holder_proc(void* self)
{
    auto& claim = *static_cast<ClaimMutex*>(self);
    HANDLE mutex = shared_mutex(claim.mutex_name_);
    HANDLE flag = shared_event(claim.flag_name_);
    if (!mutex || !flag) {
        claim.outcome_ = ClaimWait::Failed;
    } else {
        const DWORD wait = WaitForSingleObject(mutex, claim.timeout_);
        claim.outcome_ = taken(wait) ? ClaimWait::Acquired : wait == WAIT_TIMEOUT ? ClaimWait::TimedOut : ClaimWait::Failed;
    }
    const bool holding = claim.outcome_ == ClaimWait::Acquired;
    if (holding) SetEvent(flag);
    SetEvent(claim.answered_);
    if (holding) {
        WaitForSingleObject(claim.let_go_, INFINITE);
        // Cleared before the mutex goes, so nobody sees it free yet flagged.
        ResetEvent(flag);
        ReleaseMutex(mutex);
    }
    if (flag) CloseHandle(flag);
    if (mutex) CloseHandle(mutex);
    return 0;
}

bool ClaimMutex::held_elsewhere()
{
    if (holder_) return false;
    HANDLE flag = OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, flag_name_.c_str());
    if (!flag) return false; // nobody has ever claimed it
    bool held = WaitForSingleObject(flag, 0) == WAIT_OBJECT_0;
    if (held) {
        // The flag of a holder that died stays set: the mutex tells.
        HANDLE mutex = shared_mutex(mutex_name_);
        if (mutex && taken(WaitForSingleObject(mutex, 0))) {
            ResetEvent(flag);
            ReleaseMutex(mutex);
            held = false;
        }
        if (mutex) CloseHandle(mutex);
    }
    CloseHandle(flag);
    return held;
}

} // namespace kav::opos::win32
