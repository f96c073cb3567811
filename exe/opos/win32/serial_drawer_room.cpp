#include "serial_drawer_room.h"

#include "device_names.h"
#include "named_objects.h"
#include "statistics_file.h"
#include "system_text.h"
#include "win32_threads.h"

#include <algorithm>
#include <string>

namespace kav::opos::win32 {
namespace {

// Longer than anyone holds the record's lock.
constexpr DWORD kStateWaitMs = 5000;
// How long an asker waits for its turn and for the holder's answer: more
// than a write to the port may take (two seconds).
constexpr DWORD kAnswerWaitMs = 3000;
// After a wait that failed, the thread pauses this long before it looks again.
constexpr DWORD kPauseMs = 100;
constexpr LONG kRecordMagic = 0x4B415652; // "KAVR"

LONG code_of(Reading reading)
{
    return static_cast<LONG>(reading);
}

Reading reading_of(LONG code)
{
    switch (code) {
    case static_cast<LONG>(Reading::Open): return Reading::Open;
    case static_cast<LONG>(Reading::Closed): return Reading::Closed;
    case static_cast<LONG>(Reading::RequestFailed): return Reading::RequestFailed;
    default: return Reading::NotReachable;
    }
}

OpenOutcome outcome_of(LONG code)
{
    switch (code) {
    case static_cast<LONG>(OpenOutcome::Done): return OpenOutcome::Done;
    case static_cast<LONG>(OpenOutcome::RequestFailed): return OpenOutcome::RequestFailed;
    default: return OpenOutcome::NotReachable;
    }
}

bool taken(DWORD wait, DWORD index = 0)
{
    return wait == WAIT_OBJECT_0 + index || wait == WAIT_ABANDONED_0 + index;
}

} // namespace

struct SerialDrawerRoom::Record {
    LONG magic;
    LONG sequence;
    LONG held;
    LONG reading;
    LONG request;      // the number of the last request
    LONG request_open; // its asker still waits and no holder took it
    LONG answered;     // the number of the last request answered
    LONG outcome;
};

class SerialDrawerRoom::StateLock : public MutexHold {
public:
    explicit StateLock(HANDLE mutex) : MutexHold(mutex, kStateWaitMs) {}
};

SerialDrawerRoom::SerialDrawerRoom(int port) : port_(port)
{
    const std::wstring folder = StatisticsFile::folder();
    if (folder.empty()) return;
    const std::wstring path = folder + L"\\" + drawers::utf16_of(serial_room_file_name(port));
    file_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return;
    mapping_ = CreateFileMappingW(file_, nullptr, PAGE_READWRITE, 0, sizeof(Record), nullptr);
    if (mapping_) record_ = static_cast<Record*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, sizeof(Record)));
    hold_ = shared_mutex(object("Hold"));
    state_ = shared_mutex(object("State"));
    asking_ = shared_mutex(object("Asking"));
    request_ = shared_auto_event(object("Request"));
    answer_ = shared_auto_event(object("Answer"));
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ready_ = record_ && hold_ && state_ && asking_ && request_ && answer_ && stop_;
    if (!ready_) return;
    StateLock lock(state_);
    // A fresh file, or one no longer ours: nobody holds it, nothing asked.
    if (lock.held() && record_->magic != kRecordMagic) {
        *record_ = Record{};
        record_->magic = kRecordMagic;
    }
}

SerialDrawerRoom::~SerialDrawerRoom()
{
    leave();
    if (record_) UnmapViewOfFile(record_);
    for (HANDLE handle : {mapping_, hold_, state_, asking_, request_, answer_, stop_})
        if (handle) CloseHandle(handle);
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

std::wstring SerialDrawerRoom::object(const char* name) const
{
    return drawers::utf16_of(serial_room_object(port_, name));
}

bool SerialDrawerRoom::join(RoomMember& member)
{
    if (!ready_ || thread_) return false;
    member_ = &member;
    ResetEvent(stop_);
    thread_ = CreateThread(nullptr, 0, thread_proc, this, 0, nullptr);
    if (!thread_) member_ = nullptr;
    return thread_ != nullptr;
}

void SerialDrawerRoom::leave()
{
    if (!thread_) return;
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
    member_ = nullptr;
}

DWORD WINAPI SerialDrawerRoom::thread_proc(void* self)
{
    // Nothing may leave the thread: it would end the application.
    try {
        static_cast<SerialDrawerRoom*>(self)->run();
    } catch (...) {
    }
    return 0;
}

void SerialDrawerRoom::run()
{
    bool holding = false;
    bool first = true;
    LONG seen = 0;
    DWORD tick_at = 0;
    for (;;) {
        Publication publication;
        HANDLE change = nullptr;
        {
            StateLock lock(state_);
            if (lock.held()) {
                publication = {static_cast<uint32_t>(record_->sequence), record_->held != 0, reading_of(record_->reading)};
                // Opened before the lock goes: a publication after this read sets it.
                change = shared_event(object(("Change." + std::to_string(publication.sequence)).c_str()));
            }
        }
        if (first || static_cast<LONG>(publication.sequence) != seen) {
            first = false;
            seen = static_cast<LONG>(publication.sequence);
            member_->on_published(publication);
        }
        HANDLE waits[3] = {stop_, holding ? request_ : hold_, change};
        const DWORD count = change ? 3 : 2;
        DWORD timeout = change ? INFINITE : kPauseMs;
        if (holding) {
            const LONG left = static_cast<LONG>(tick_at - GetTickCount());
            timeout = std::min<DWORD>(timeout, left > 0 ? static_cast<DWORD>(left) : 0);
        }
        const DWORD woke = WaitForMultipleObjects(count, waits, FALSE, timeout);
        if (change) CloseHandle(change);
        if (woke == WAIT_OBJECT_0) break;
        if (taken(woke, 1)) {
            if (holding) {
                serve_request();
            } else {
                holding = true;
                tick_at = GetTickCount() + wait_ms(member_->on_holding());
            }
        } else if (woke == WAIT_TIMEOUT && holding && static_cast<LONG>(tick_at - GetTickCount()) <= 0) {
            tick_at = GetTickCount() + wait_ms(member_->on_tick());
        } else if (woke == WAIT_FAILED) {
            Sleep(kPauseMs);
        }
    }
    if (holding) {
        member_->on_leaving();
        ReleaseMutex(hold_);
    }
}

void SerialDrawerRoom::serve_request()
{
    LONG number = 0;
    {
        StateLock lock(state_);
        // An asker that gave up has withdrawn it: its drawer is not fired late.
        if (!lock.held() || !record_->request_open) return;
        record_->request_open = 0;
        number = record_->request;
    }
    const OpenOutcome outcome = member_->on_fire_request();
    {
        StateLock lock(state_);
        if (!lock.held()) return;
        record_->answered = number;
        record_->outcome = static_cast<LONG>(outcome);
    }
    SetEvent(answer_);
}

void SerialDrawerRoom::publish(bool held, Reading reading)
{
    if (!ready_) return;
    LONG before = 0;
    {
        StateLock lock(state_);
        if (!lock.held()) return;
        before = record_->sequence;
        record_->held = held;
        record_->reading = code_of(reading);
        record_->sequence = before + 1;
    }
    set_shared_event(object(("Change." + std::to_string(static_cast<uint32_t>(before))).c_str()));
}

bool SerialDrawerRoom::hold_is_free()
{
    // Owned by a member's thread, never by the caller's: taken, it is free.
    if (!taken(WaitForSingleObject(hold_, 0))) return false;
    ReleaseMutex(hold_);
    return true;
}

Publication SerialDrawerRoom::published()
{
    Publication publication;
    if (!ready_) return publication;
    {
        StateLock lock(state_);
        if (!lock.held()) return publication;
        publication = {static_cast<uint32_t>(record_->sequence), record_->held != 0, reading_of(record_->reading)};
    }
    // A holder that ended without leaving left its record held.
    if (publication.held && hold_is_free()) publication.held = false;
    return publication;
}

OpenOutcome SerialDrawerRoom::request_fire()
{
    if (!ready_ || !taken(WaitForSingleObject(asking_, kAnswerWaitMs))) return OpenOutcome::NotReachable;
    const DWORD start = GetTickCount();
    LONG number = 0;
    {
        StateLock lock(state_);
        if (!lock.held()) {
            ReleaseMutex(asking_);
            return OpenOutcome::NotReachable;
        }
        number = record_->request + 1;
        record_->request = number;
        record_->request_open = 1;
    }
    SetEvent(request_);
    OpenOutcome outcome = OpenOutcome::NotReachable;
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent < kAnswerWaitMs) WaitForSingleObject(answer_, kAnswerWaitMs - spent);
        StateLock lock(state_);
        if (lock.held() && record_->answered == number) {
            outcome = outcome_of(record_->outcome);
        } else if (GetTickCount() - start >= kAnswerWaitMs) {
            // Withdrawn, unless a holder took it already.
            if (lock.held() && record_->request == number) record_->request_open = 0;
        } else {
            continue; // another asker's late answer
        }
        break;
    }
    ReleaseMutex(asking_);
    return outcome;
}

} // namespace kav::opos::win32
