// One drawer request through tillio.dll, and what came of it, for every kind
// of drawer alike.
#pragma once
#include "Module1.h"
#include "drawer_name.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kav::cli {

enum class Outcome { Done, Open, Closed, NotReachable, RequestFailed };

struct Reply {
    Outcome outcome;
    // The call and its result as the loop test's log writes them,
    // e.g. "DeviceControl(12) = 0".
    std::string call;
    // For a failure: the message the utility shows for it, which also ends a
    // loop run in the log ("Create File Failed"). Empty otherwise.
    std::string failure;
};

ExitCode exit_code(Outcome outcome);

class Drawers {
public:
    virtual Reply open(const Drawer& drawer) = 0;
    virtual Reply status(const Drawer& drawer) = 0;

protected:
    Drawers() = default;
    Drawers(const Drawers&) = default;
    Drawers& operator=(const Drawers&) = default;
    ~Drawers() = default;
};

// A COM port's carrier-detect line: high (true) while its drawer is closed;
// nothing when the port did not open.
using CarrierReader = std::function<std::optional<bool>(int port)>;

class LibraryDrawers final : public Drawers {
public:
    LibraryDrawers(const gui::Library& library, CarrierReader carrier)
        : library_(library), carrier_(std::move(carrier))
    {
    }
    Reply open(const Drawer& drawer) override;
    Reply status(const Drawer& drawer) override;

private:
    const gui::Library& library_;
    CarrierReader carrier_;
};

// One entry of `list`.
struct ListedDrawer {
    std::string name;
    std::string kind;   // "board", "usb", "com", "usb-to-rs232"
    std::string detail; // the board's caption, the state, the adapter entry
};

// COM ports asked whether they answer: the usual range of a terminal.
inline constexpr int kFirstListedPort = 1;
inline constexpr int kLastListedPort = 16;

// What answers now: the boards' drawers when the driver opens (asked through
// drawers), the USB drawers that report a state, the USB-to-RS232 adapters'
// ports, the other COM ports that open.
std::vector<ListedDrawer> list_drawers(Drawers& drawers, const gui::Library& library);

} // namespace kav::cli
