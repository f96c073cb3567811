// A serial port over a fake line: the device and the watcher thread write into
// one call log, and the test plays the watcher's posted messages itself. And
// the serial drawer windows' view as the user would see it, and the parts
// both serial windows' tests build their form from.
#pragma once
#include "program_state.h"
#include "serial_drawer_window.h"
#include "serial_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kav::gui::testing {

class FakeSerialLine final : public SerialDevice, public WorkerThread {
public:
    explicit FakeSerialLine(std::vector<std::string>& log, std::string name = "port")
        : log_(log), name_(std::move(name))
    {
    }

    bool open_fails = false;
    bool write_fails = false;
    bool watcher_fails = false;
    bool device_open = false;
    bool watcher_alive = false;
    WorkerStamp stamp = 0; // of the watcher's current run

    bool open(int port) override
    {
        log_.push_back(name_ + ".open(COM" + std::to_string(port) + ")");
        device_open = !open_fails;
        return device_open;
    }
    void close() override
    {
        EXPECT_FALSE(watcher_alive) << name_ << ": closed while its watcher still waits on it";
        log_.push_back(name_ + ".close");
        device_open = false;
    }
    bool write(std::string_view text) override
    {
        EXPECT_TRUE(device_open);
        log_.push_back(name_ + ".write(" + std::string(text) + ")");
        return !write_fails;
    }
    bool start(WorkerStamp run) override
    {
        EXPECT_TRUE(device_open) << name_ << ": watching a port that is not open";
        log_.push_back(name_ + ".watch");
        stamp = run;
        watcher_alive = !watcher_fails;
        return watcher_alive;
    }
    void stop_and_join() override
    {
        log_.push_back(name_ + ".join");
        watcher_alive = false;
    }

    // What the watcher would post: a carrier-detect change and the new state.
    uintptr_t carrier(bool high) const { return pack_line_event(kLineEventCarrierDetect, high); }

private:
    std::vector<std::string>& log_;
    std::string name_;
};

// The two lists and the status row as the user sees them, plus every message.
class FakeSerialDrawerView final : public SerialDrawerView {
public:
    explicit FakeSerialDrawerView(std::vector<std::string>& log) : log_(log) {}

    std::vector<std::string> entries[3];
    std::string shown[3];
    bool enabled[3] = {false, true, true};
    std::string status[3] = {"", "untouched", "untouched"};
    std::vector<std::string> messages;
    int closes = 0;

    void add_entry(int drawer, const std::string& text) override { entries[drawer].push_back(text); }
    void show_entry(int drawer, const std::string& text) override
    {
        EXPECT_NE(std::find(entries[drawer].begin(), entries[drawer].end(), text), entries[drawer].end());
        shown[drawer] = text;
    }
    std::string shown_entry(int drawer) const override { return shown[drawer]; }
    void enable_drawer(int drawer, bool on) override
    {
        log_.push_back(std::string(on ? "enable " : "disable ") + std::to_string(drawer));
        enabled[drawer] = on;
    }
    void hide_status(int drawer) override { status[drawer] = "hidden"; }
    void show_status(int drawer, DrawerLook look) override { status[drawer] = look_text(look); }
    void message(const std::string& text, const std::string& title) override
    {
        log_.push_back("message(" + text + "|" + title + ")");
        messages.push_back(text + "|" + title);
    }
    void close_window() override { ++closes; }

private:
    std::vector<std::string>& log_;
};

// What a serial window's form needs but its port source: one call log, the
// library to script, the view and the two watched ports. A test's fixture
// derives from it and adds the source and the form.
struct SerialWindowParts {
    std::vector<std::string> log;
    Library library;
    FakeSerialDrawerView view{log};
    FakeSerialLine line1{log, "MSComm"};
    FakeSerialLine line2{log, "MSComm2"};
    SerialPort comm1{line1, line1};
    SerialPort comm2{line2, line2};
};

} // namespace kav::gui::testing
