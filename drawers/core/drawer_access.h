// One drawer request through tillio.dll, and what came of it, for every kind
// of drawer alike: open a drawer, or read whether it is open.
#pragma once
#include "drawer_address.h"
#include "library.h"
#include "printer_drawer.h"
#include "wait_close.h"

#include <functional>
#include <optional>
#include <string>

namespace kav::drawers {

enum class Outcome {
    Done,          // the drawer was opened
    Open,          // its state reads open
    Closed,        // its state reads closed
    NotReachable,  // the device, port or USB drawer did not answer
    RequestFailed, // it answered, but refused or failed the request
};

struct Reply {
    Outcome outcome;
    // The call and its result as the loop test's log writes them,
    // e.g. "DeviceControl(12) = 0".
    std::string call;
    // For a failure: the message the utility shows for it, which also ends a
    // loop run in the log ("Create File Failed"). Empty otherwise.
    std::string failure;
};

class Drawers {
public:
    virtual Reply open(const DrawerAddress& drawer) = 0;
    virtual Reply status(const DrawerAddress& drawer) = 0;

protected:
    Drawers() = default;
    Drawers(const Drawers&) = default;
    Drawers& operator=(const Drawers&) = default;
    ~Drawers() = default;
};

// A COM port's carrier-detect line: high (true) while its drawer is closed;
// nothing when the port did not open.
using CarrierReader = std::function<std::optional<bool>(int port)>;

// Every kind through the library's exports; a serial drawer's state through
// its port's carrier-detect line; a printer's drawer through the printer on
// its port (none given: such drawers are not reachable).
class LibraryDrawers final : public Drawers {
public:
    LibraryDrawers(const Library& library, CarrierReader carrier, PrinterPort* printer = nullptr)
        : library_(library), carrier_(std::move(carrier)), printer_(printer)
    {
    }
    Reply open(const DrawerAddress& drawer) override;
    Reply status(const DrawerAddress& drawer) override;

private:
    const Library& library_;
    CarrierReader carrier_;
    PrinterPort* printer_;
};

// A status reply as a drawer state for the wait for closing.
Reading reading_of(const Reply& reply);

} // namespace kav::drawers
