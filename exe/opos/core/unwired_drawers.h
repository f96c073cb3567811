// Drawers before the service object is wired to the drawer library: the one
// seam where the library's drawer names and ports come in. Until then a
// configured drawer name is checked for its shape only and its port reaches
// nothing, so the service object's own rules can be built and proven. The
// library's parser and ports replace both; this is not a second parser to
// keep beside it.
#pragma once
#include "drawer_port.h"

#include <optional>

namespace kav::opos {

// The shape of "VOLX-8613:1", "thin-client:2@0x200", "usb:1", "com3".
std::optional<DrawerIdentity> placeholder_drawer_identity(std::string_view text);

// Ports that report every drawer not reachable.
class UnwiredDrawerPorts final : public DrawerPorts {
public:
    std::unique_ptr<DrawerPort> port_for(std::string_view drawer_name, std::string& why) override;
};

} // namespace kav::opos
