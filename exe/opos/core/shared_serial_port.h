// A serial drawer's port for one service object, shared with the others
// enabled on the same drawer through its room (serial_room.h). While the
// service object watches (is enabled) it is a member of the room: as holder
// it opens the port, publishes each carrier-detect change and fires the
// drawer for everyone; as follower it reports the holder's publications and
// hands OpenDrawer to the holder. Before it watches, it reads the holder's
// publication if there is a holder, or the port once by itself.
#pragma once
#include "platform.h"
#include "serial_room.h"

#include <memory>

namespace kav::opos {

// While the holder cannot use the port it tries again this often.
inline constexpr int64_t kPortRetryMs = 1000;

class SharedSerialPort final : public DrawerPort, RoomMember {
public:
    // read_once and fire_once reach the port by themselves, for a port that
    // is not in the room and finds no holder there.
    SharedSerialPort(DrawerIdentity identity, std::unique_ptr<DrawerRoom> room, std::unique_ptr<HeldLine> line,
                     std::unique_ptr<Monitor> lock, std::function<Reading()> read_once,
                     std::function<OpenOutcome()> fire_once);
    ~SharedSerialPort() override;
    SharedSerialPort(const SharedSerialPort&) = delete;
    SharedSerialPort& operator=(const SharedSerialPort&) = delete;

    DrawerIdentity identity() const override { return identity_; }
    OpenOutcome open_drawer() override;
    Reading read() override;
    bool pushes_changes() const override { return true; }
    bool start_watch(std::function<void(Reading)> on_change) override;
    void stop_watch() override;

private:
    int64_t on_holding() override;
    int64_t on_tick() override;
    void on_published(const Publication& publication) override;
    OpenOutcome on_fire_request() override;
    void on_leaving() override;

    // Called locked.
    void take_port();
    Reading line_reading();
    OpenOutcome fire();
    void tell(Reading reading);
    // Lets a port that failed go, without the lock: its watch may be
    // waiting for it.
    void drop_failed_port();
    void on_carrier(std::optional<bool> high);

    const DrawerIdentity identity_;
    const std::unique_ptr<DrawerRoom> room_;
    const std::unique_ptr<HeldLine> line_;
    const std::unique_ptr<Monitor> lock_; // guards what follows
    const std::function<Reading()> read_once_;
    const std::function<OpenOutcome()> fire_once_;
    std::function<void(Reading)> on_change_;
    bool watching_ = false;
    bool holding_ = false;
    bool line_open_ = false;
    bool line_failed_ = false;
    Reading last_ = Reading::NotReachable;
};

} // namespace kav::opos
