// A serial drawer's room and port for the shared port's tests. The room calls
// its members at once, on the caller's thread, as the real one does on each
// member's own thread; the port opens for one line at a time, as a COM port
// does on Windows, so a design that opened it twice would show.
#pragma once
#include "library_drawer_ports.h"
#include "serial_room.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace kav::opos::testing {

class StdMonitor final : public Monitor {
public:
    void lock() override { mutex_.lock(); }
    void unlock() override { mutex_.unlock(); }
    void wait_for(int64_t) override {}
    void notify() override {}

private:
    std::mutex mutex_;
};

// The one COM port and its drawer.
struct FakeComPort {
    bool foreign_holder = false; // another program has it open
    bool write_fails = false;
    bool drawer_open = false;
    const void* opened_by = nullptr;
    int opens = 0;
    int fires = 0;
    std::function<void(std::optional<bool>)> watcher;

    // The drawer moves; the watching line hears of it.
    void set_drawer(bool open)
    {
        drawer_open = open;
        if (watcher) watcher(!open);
    }
    // The port goes away under its holder.
    void fail()
    {
        if (watcher) watcher(std::nullopt);
        watcher = nullptr;
    }
};

class FakeLine final : public HeldLine {
public:
    explicit FakeLine(FakeComPort& port) : port_(port) {}
    bool open() override
    {
        ++port_.opens;
        if (port_.foreign_holder || port_.opened_by != nullptr) return false;
        port_.opened_by = this;
        return true;
    }
    void close() override
    {
        EXPECT_FALSE(port_.watcher && port_.opened_by == this) << "closed while watched";
        if (port_.opened_by == this) port_.opened_by = nullptr;
    }
    bool fire() override
    {
        EXPECT_EQ(port_.opened_by, this) << "fired through a line that does not hold the port";
        if (port_.write_fails) return false;
        ++port_.fires;
        return true;
    }
    std::optional<bool> carrier() override
    {
        if (port_.opened_by != this) return std::nullopt;
        return !port_.drawer_open;
    }
    bool start_watch(std::function<void(std::optional<bool>)> on_carrier) override
    {
        port_.watcher = std::move(on_carrier);
        return true;
    }
    void stop_watch() override
    {
        if (port_.opened_by == this) port_.watcher = nullptr;
    }

private:
    FakeComPort& port_;
};

// The room as every member sees it.
struct FakeHall {
    std::vector<RoomMember*> members; // in the order they joined
    RoomMember* holder = nullptr;
    Publication publication;
    int fire_requests = 0;

    void hand_over()
    {
        if (holder == nullptr && !members.empty()) {
            holder = members.front();
            holder->on_holding();
        }
    }
    void tick()
    {
        if (holder != nullptr) holder->on_tick();
    }
};

class FakeRoom final : public DrawerRoom {
public:
    explicit FakeRoom(FakeHall& hall) : hall_(hall) {}
    bool join(RoomMember& member) override
    {
        me_ = &member;
        hall_.members.push_back(me_);
        member.on_published(hall_.publication);
        hall_.hand_over();
        return true;
    }
    void leave() override
    {
        if (me_ == nullptr) return;
        if (hall_.holder == me_) {
            me_->on_leaving();
            hall_.holder = nullptr;
        }
        hall_.members.erase(std::find(hall_.members.begin(), hall_.members.end(), me_));
        me_ = nullptr;
        hall_.hand_over();
    }
    void publish(bool held, Reading reading) override
    {
        hall_.publication = {hall_.publication.sequence + 1, held, reading};
        const std::vector<RoomMember*> others = hall_.members;
        for (RoomMember* member : others)
            if (member != me_) member->on_published(hall_.publication);
    }
    Publication published() override
    {
        Publication publication = hall_.publication;
        publication.held = publication.held && hall_.holder != nullptr;
        return publication;
    }
    OpenOutcome request_fire() override
    {
        ++hall_.fire_requests;
        return hall_.holder != nullptr ? hall_.holder->on_fire_request() : OpenOutcome::NotReachable;
    }

private:
    FakeHall& hall_;
    RoomMember* me_ = nullptr;
};

// Every COM port's room and line, one port per number.
class FakeSerialParts final : public SerialParts {
public:
    std::unique_ptr<DrawerRoom> room(int port) override { return std::make_unique<FakeRoom>(halls[port]); }
    std::unique_ptr<HeldLine> line(int port) override { return std::make_unique<FakeLine>(ports[port]); }
    std::unique_ptr<Monitor> monitor() override { return std::make_unique<StdMonitor>(); }
    std::map<int, FakeHall> halls;
    std::map<int, FakeComPort> ports;
};

} // namespace kav::opos::testing
