#include "shared_serial_port.h"

namespace kav::opos {

SharedSerialPort::SharedSerialPort(DrawerIdentity identity, std::unique_ptr<DrawerRoom> room,
                                   std::unique_ptr<HeldLine> line, std::unique_ptr<Monitor> lock,
                                   std::function<Reading()> read_once, std::function<OpenOutcome()> fire_once)
    : identity_(std::move(identity)), room_(std::move(room)), line_(std::move(line)), lock_(std::move(lock)),
      read_once_(std::move(read_once)), fire_once_(std::move(fire_once))
{
}

SharedSerialPort::~SharedSerialPort()
{
    stop_watch();
}

Reading SharedSerialPort::read()
{
    {
        Locked locked(*lock_);
        if (holding_) return line_reading();
        if (watching_) {
            const Publication publication = room_->published();
            return publication.held ? publication.reading : last_;
        }
    }
    // Not in the room: a holder's reading if there is one, since the port
    // would not open beside it.
    const Publication publication = room_->published();
    return publication.held ? publication.reading : read_once_();
}

OpenOutcome SharedSerialPort::open_drawer()
{
    bool member = false;
    {
        Locked locked(*lock_);
        if (holding_) return fire();
        member = watching_;
    }
    // Not holding: the port is the holder's (this member may be given the
    // hold while it waits, and then answers itself).
    if (member || room_->published().held) return room_->request_fire();
    return fire_once_();
}

bool SharedSerialPort::start_watch(std::function<void(Reading)> on_change)
{
    {
        Locked locked(*lock_);
        if (watching_) return false;
        on_change_ = std::move(on_change);
        watching_ = true;
    }
    if (room_->join(*this)) return true;
    Locked locked(*lock_);
    watching_ = false;
    on_change_ = nullptr;
    return false;
}

void SharedSerialPort::stop_watch()
{
    {
        Locked locked(*lock_);
        if (!watching_) return;
    }
    // A holder lets the port go in on_leaving, on the room's thread.
    room_->leave();
    Locked locked(*lock_);
    watching_ = false;
    on_change_ = nullptr;
}

int64_t SharedSerialPort::on_holding()
{
    Locked locked(*lock_);
    holding_ = true;
    take_port();
    return kPortRetryMs;
}

int64_t SharedSerialPort::on_tick()
{
    bool failed = false;
    {
        Locked locked(*lock_);
        if (!holding_) return kPortRetryMs;
        failed = line_failed_;
    }
    if (failed) drop_failed_port();
    Locked locked(*lock_);
    if (holding_ && !line_open_) take_port();
    return kPortRetryMs;
}

void SharedSerialPort::drop_failed_port()
{
    {
        Locked locked(*lock_);
        line_open_ = false;
    }
    line_->stop_watch();
    line_->close();
}

void SharedSerialPort::take_port()
{
    line_failed_ = false;
    if (!line_->open()) {
        // Another program has the port, or it is gone: the members learn so,
        // and the holder tries again.
        tell(Reading::NotReachable);
        return;
    }
    line_open_ = true;
    if (!line_->start_watch([this](std::optional<bool> high) { on_carrier(high); })) {
        line_failed_ = true;
        tell(Reading::NotReachable);
        return;
    }
    // Read once the line is watched: a change after this read arrives as
    // an event of its own.
    tell(line_reading());
}

void SharedSerialPort::on_carrier(std::optional<bool> high)
{
    Locked locked(*lock_);
    if (!holding_ || !line_open_ || line_failed_) return;
    if (!high) {
        line_failed_ = true;
        tell(Reading::NotReachable);
        return;
    }
    tell(*high ? Reading::Closed : Reading::Open);
}

Reading SharedSerialPort::line_reading()
{
    if (!line_open_ || line_failed_) return Reading::NotReachable;
    const std::optional<bool> high = line_->carrier();
    if (!high) return Reading::NotReachable;
    // The drawer holds carrier detect low while it is open.
    return *high ? Reading::Closed : Reading::Open;
}

OpenOutcome SharedSerialPort::fire()
{
    if (!line_open_ || line_failed_) return OpenOutcome::NotReachable;
    return line_->fire() ? OpenOutcome::Done : OpenOutcome::RequestFailed;
}

void SharedSerialPort::tell(Reading reading)
{
    room_->publish(true, reading);
    last_ = reading;
    if (on_change_) on_change_(reading);
}

void SharedSerialPort::on_published(const Publication& publication)
{
    Locked locked(*lock_);
    // A holder's own publications, and a room nobody holds for a moment
    // (the next holder publishes as it takes over), change nothing here.
    if (holding_ || !publication.held) return;
    last_ = publication.reading;
    if (on_change_) on_change_(publication.reading);
}

OpenOutcome SharedSerialPort::on_fire_request()
{
    Locked locked(*lock_);
    if (!holding_) return OpenOutcome::NotReachable;
    return fire();
}

void SharedSerialPort::on_leaving()
{
    bool was_open = false;
    Reading last = Reading::NotReachable;
    {
        Locked locked(*lock_);
        holding_ = false;
        was_open = line_open_;
        line_open_ = false;
        last = last_;
    }
    if (was_open) {
        line_->stop_watch();
        line_->close();
    }
    // The port is free before the next holder takes the hold.
    room_->publish(false, last);
}

} // namespace kav::opos
