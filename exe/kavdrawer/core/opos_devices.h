// `kavdrawer opos add|list|remove`: the OPOS CashDrawer logical devices our
// service object serves, as keys under
// HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\CashDrawer\<device> whose (Default)
// is the service object's ProgID and whose Drawer value names the drawer as
// the console names it. On 64-bit Windows 32-bit and 64-bit programs each see
// their own copy of that key, so every change is made in both views and a
// device is listed with the views it is in. A device of another service
// object is never changed or removed.
#pragma once
#include "cli_args.h"

#include <optional>
#include <string>
#include <vector>

namespace kav::cli {

class Console;

inline constexpr std::string_view kOposProgId = "KAV.CashDrawer.SO";
inline constexpr std::string_view kOposClassKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer";

// A device key as it stands in one view.
struct OposDevice {
    std::string name;
    std::optional<std::string> progid; // the (Default) value, when a string
    std::optional<std::string> drawer; // the Drawer value, when a string
};

// Empty when done; otherwise what the system said.
using RegistryError = std::string;

// The device class key in each registry view the machine has.
class OposRegistry {
public:
    // "64-bit" and "32-bit" on 64-bit Windows, "32-bit" alone elsewhere.
    virtual std::vector<std::string> views() = 0;
    // Every device key of the class key in a view (none when it is missing);
    // nothing when the class key could not be read (error says why).
    virtual std::optional<std::vector<OposDevice>> devices(size_t view, RegistryError& error) = 0;
    // Creates or overwrites the device key with these two values.
    virtual RegistryError write(size_t view, const std::string& name, std::string_view progid,
                                const std::string& drawer) = 0;
    virtual RegistryError remove(size_t view, const std::string& name) = 0;

protected:
    OposRegistry() = default;
    OposRegistry(const OposRegistry&) = default;
    OposRegistry& operator=(const OposRegistry&) = default;
    ~OposRegistry() = default;
};

// Why a device name cannot be a device key ("" if it can): empty, 256
// characters or more (the control object's limit), or holding a backslash.
std::string device_name_problem(std::string_view name);

bool is_opos_verb(Verb verb);
int run_opos(const Invocation& invocation, OposRegistry& registry, Console& console);

} // namespace kav::cli
