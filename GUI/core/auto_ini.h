// auto.ini: the utility's read-only configuration file in its own directory.
#pragma once
#include "system_services.h"

#include <string>

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

// "MB" holds one of the catalogue's kBoardTypes, "LT" one of kLoopTypes.

// The program directory followed by "\auto.ini".
std::string auto_ini_path(SystemServices& system);

// Every auto.ini value is read this way: into a buffer of 80 blanks with the
// default "Default", keeping as many characters as the call reports (so at
// most 79), blanks trimmed from both ends.
std::string read_ini_value(SystemServices& system, const std::string& path, IniKey key);

} // namespace kav::gui
