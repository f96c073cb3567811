// auto.ini: the utility's read-only configuration file in its own directory.
#pragma once
#include "system_services.h"

#include <array>
#include <string>
#include <string_view>

namespace kav::gui {

inline constexpr const char* kAutoIniName = "\\auto.ini"; // appended to the program directory
inline constexpr const char* kIniDefault = "Default";     // what a missing key reads as
inline constexpr uint32_t kIniBufferSize = 80;

struct IniKey {
    const char* section;
    const char* key;
};
inline constexpr IniKey kAutoKey{"Application", "auto"};
inline constexpr IniKey kBoardKey{"Board Type", "MB"};
inline constexpr IniKey kLoopTypeKey{"Loop Type", "LT"};
inline constexpr IniKey kIntervalKey{"Interval", "Interval"};
inline constexpr IniKey kCountTimeKey{"Edit Box", "Count_Time"};
inline constexpr IniKey kShowPassFailKey{"ShowPassFail", "Run"};

// The loop test's boards in the settings window's order; the only values
// "MB" may hold. Compared exactly, case included.
inline constexpr std::array<std::string_view, 9> kBoardTypes{
    "VOLX-9842", "VOLX-9613", "VOLX-9623", "VOLX-8613", "VOLX-8623",
    "Pellor (x86)", "USB Cash Drawer", "RS232 Cash Drawer", "USB to RS232 Cash Drawer",
};
inline constexpr std::array<std::string_view, 2> kLoopTypes{"Count", "Time"};

// The program directory followed by "\auto.ini".
std::string auto_ini_path(SystemServices& system);

// Every auto.ini value is read this way: into a buffer of 80 blanks with the
// default "Default", keeping as many characters as the call reports (so at
// most 79), blanks trimmed from both ends.
std::string read_ini_value(SystemServices& system, const std::string& path, IniKey key);

} // namespace kav::gui
