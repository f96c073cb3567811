// The OPOS CashDrawer class key in each registry view of this machine: on
// 64-bit Windows (this program 64-bit, or 32-bit under WoW64) the 64-bit
// and the 32-bit view (KEY_WOW64_64KEY, KEY_WOW64_32KEY), elsewhere the one
// view there is. ANSI calls: they work on every Windows the tool runs on.
#pragma once
#include "opos_devices.h"

class Win32OposRegistry final : public kav::cli::OposRegistry {
public:
    Win32OposRegistry();
    std::vector<std::string> views() override;
    std::optional<std::vector<kav::cli::OposDevice>> devices(size_t view, kav::cli::RegistryError& error) override;
    kav::cli::RegistryError write(size_t view, const std::string& name, std::string_view progid,
                                  const std::string& drawer) override;
    kav::cli::RegistryError remove(size_t view, const std::string& name) override;

private:
    struct View {
        std::string name;
        unsigned long flag; // the KEY_WOW64_ bit, or 0
    };
    std::vector<View> views_;
};
