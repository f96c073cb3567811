// The drawer as the service object sees it: one narrow interface over the
// drawer library, so the service object's rules know nothing of boards,
// HID reports or serial lines.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace kav::opos {

enum class DrawerKind { Board, UsbHid, Serial, UsbSerialAdapter, Printer };

// What a status request found.
enum class Reading { Open, Closed, NotReachable, RequestFailed };

// What a request to open the drawer did: Done means the drawer was told to
// open (whether it did, a reading says).
enum class OpenOutcome { Done, NotReachable, RequestFailed };

struct DrawerIdentity {
    std::string name; // as the console tool prints it: "VOLX-8613:1", "com3"
    DrawerKind kind = DrawerKind::Board;
};

// One configured drawer. The service object never calls one port from two
// threads at once, and holds none of its own locks while it calls. Each
// call returns within a bounded time (the watch calls read() every 200 ms).
// on_change (pushed ports) may come from the port's own thread at any time,
// also while a call is under way; it takes the service object's lock briefly
// and never calls the port.
class DrawerPort {
public:
    virtual ~DrawerPort() = default;

    virtual DrawerIdentity identity() const = 0;
    virtual OpenOutcome open_drawer() = 0;
    virtual Reading read() = 0;

    // Whether the port tells of each change itself (a serial drawer's carrier
    // detect). Otherwise the service object reads it at least every 200 ms.
    virtual bool pushes_changes() const { return false; }
    // Pushed ports: on_change(reading) at each change, from the port's thread,
    // until stop_watch; reporting the state as the watch starts is welcome (a
    // reading that changes nothing makes no event). Once stop_watch returns,
    // on_change is not running and is not called again. False if the watch
    // could not start.
    virtual bool start_watch(std::function<void(Reading)> on_change)
    {
        (void)on_change;
        return false;
    }
    virtual void stop_watch() {}

    // Board drawers need the driver's service: start it as the console tool
    // does and leave it running for other programs. True if a new request may
    // now reach the drawer; false for kinds without a driver service.
    virtual bool start_driver_service() { return false; }

protected:
    DrawerPort() = default;
    DrawerPort(const DrawerPort&) = default;
    DrawerPort& operator=(const DrawerPort&) = default;
};

// Makes the port of a drawer named as the console tool names it.
class DrawerPorts {
public:
    // nullptr, with why saying what is wrong, when the text names no drawer.
    virtual std::unique_ptr<DrawerPort> port_for(std::string_view drawer_name, std::string& why) = 0;

protected:
    DrawerPorts() = default;
    DrawerPorts(const DrawerPorts&) = default;
    DrawerPorts& operator=(const DrawerPorts&) = default;
    ~DrawerPorts() = default;
};

// "board drawer", "USB HID drawer", "RS232 drawer", "drawer on a USB-to-RS232 adapter",
// "drawer on a receipt printer".
std::string_view kind_text(DrawerKind kind);

} // namespace kav::opos
