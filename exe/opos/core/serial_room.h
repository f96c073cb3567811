// What the service objects enabled on one serial drawer share. A COM port
// opens for one process at a time, yet every application enabled on the
// drawer is to hear of each change, and any of them may open the drawer. So
// they meet in the drawer's room: the member holding the room's hold keeps the
// port open, watches its carrier-detect line and publishes each reading; the
// others follow the publications, and hand their OpenDrawer to the holder,
// which fires the drawer and answers. When the holder leaves (disabled,
// closed, or its process ended), another member takes the hold and the port.
#pragma once
#include "drawer_port.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace kav::opos {

// The room's record: held while a holder is there to keep the reading
// current; the sequence counts the publications.
struct Publication {
    uint32_t sequence = 0;
    bool held = false;
    Reading reading = Reading::NotReachable;
};

// A member as the room calls it: on the room's own thread for this member,
// one call at a time, from join until leave returns.
class RoomMember {
public:
    // The hold is this member's now: take the port. Returns when to be
    // called again (on_tick), in milliseconds.
    virtual int64_t on_holding() = 0;
    virtual int64_t on_tick() = 0;
    // A publication this member has not seen (the standing one at first).
    virtual void on_published(const Publication& publication) = 0;
    // Holder: another member asks for the drawer to be fired.
    virtual OpenOutcome on_fire_request() = 0;
    // Holder, leaving: let the port go; the hold goes once this returns.
    virtual void on_leaving() = 0;

protected:
    RoomMember() = default;
    RoomMember(const RoomMember&) = default;
    RoomMember& operator=(const RoomMember&) = default;
    ~RoomMember() = default;
};

// One member's way into the room of one drawer.
class DrawerRoom {
public:
    virtual ~DrawerRoom() = default;
    // Starts calling member; false if that could not start.
    virtual bool join(RoomMember& member) = 0;
    // A holder's on_leaving runs, then the hold is let go. Once it returns
    // the member is not called again.
    virtual void leave() = 0;

    // Any thread may call these; none calls a member.
    virtual void publish(bool held, Reading reading) = 0;
    // held only while a holder is really there (one that ended without
    // leaving is not).
    virtual Publication published() = 0;
    // Asks the holder to fire the drawer and waits for its answer:
    // NotReachable when no holder answered in time.
    virtual OpenOutcome request_fire() = 0;

protected:
    DrawerRoom() = default;
    DrawerRoom(const DrawerRoom&) = default;
    DrawerRoom& operator=(const DrawerRoom&) = default;
};

// The drawer's port as the holder keeps it open.
class HeldLine {
public:
    virtual ~HeldLine() = default;
    virtual bool open() = 0;
    // The watch must have stopped.
    virtual void close() = 0;
    // The drawer's message written.
    virtual bool fire() = 0;
    // Carrier detect: high while the drawer is closed; nothing when the
    // line cannot be read.
    virtual std::optional<bool> carrier() = 0;
    // on_carrier(high) at each change, from the line's thread; once with
    // nothing when the port fails, and the watch ends.
    virtual bool start_watch(std::function<void(std::optional<bool>)> on_carrier) = 0;
    // Once it returns on_carrier is not running and not called again.
    virtual void stop_watch() = 0;

protected:
    HeldLine() = default;
    HeldLine(const HeldLine&) = default;
    HeldLine& operator=(const HeldLine&) = default;
};

} // namespace kav::opos
