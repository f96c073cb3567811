// A serial drawer's room (serial_room.h) across processes and sessions:
//   Hold     a named mutex; the member whose thread owns it holds the port
//            (a process that dies gives it up, abandoned, to the next);
//   record   "serial-COMn.room" beside the statistics, mapped by every member: the
//            publication and the fire request's numbers, changed only under
//            the named mutex State (a file rather than a named section,
//            which a user's session may not create in the global space);
//   Change.N a named manual-reset event per publication: a follower opens
//            the one of the sequence it read before it waits, and the
//            publisher sets it after the record moved on, so no change is
//            missed between the read and the wait;
//   Asking, Request, Answer  one request at a time: the asker numbers it in
//            the record and sets Request; the holder takes it, fires and
//            writes the answer under that number, and sets Answer.
// Each member's thread waits on its stop event, the current Change event and
// either the Hold (following) or Request (holding), and calls the member.
#pragma once
#include "serial_room.h"

#include <windows.h>

#include <string>

namespace kav::opos::win32 {

class SerialDrawerRoom final : public DrawerRoom {
public:
    explicit SerialDrawerRoom(int port);
    ~SerialDrawerRoom() override;
    SerialDrawerRoom(const SerialDrawerRoom&) = delete;
    SerialDrawerRoom& operator=(const SerialDrawerRoom&) = delete;

    bool join(RoomMember& member) override;
    void leave() override;
    void publish(bool held, Reading reading) override;
    Publication published() override;
    OpenOutcome request_fire() override;

private:
    struct Record;
    class StateLock;

    static DWORD WINAPI thread_proc(void* self);
    void run();
    void serve_request();
    bool hold_is_free();
    std::wstring object(const char* name) const;

    const int port_;
    bool ready_ = false;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    HANDLE mapping_ = nullptr;
    Record* record_ = nullptr;
    HANDLE hold_ = nullptr;
    HANDLE state_ = nullptr;
    HANDLE asking_ = nullptr;
    HANDLE request_ = nullptr;
    HANDLE answer_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    RoomMember* member_ = nullptr;
};

} // namespace kav::opos::win32
