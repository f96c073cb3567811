#include "auto_ini.h"

#include <algorithm>

namespace kav::gui {

std::string auto_ini_path(SystemServices& system) { return system.program_directory() + kAutoIniName; }

std::string read_ini_value(SystemServices& system, const std::string& path, IniKey key)
{
    std::string buffer(kIniBufferSize, ' ');
    const uint32_t count =
        system.profile_string(key.section, key.key, kIniDefault, buffer.data(), kIniBufferSize, path.c_str());
    buffer.resize(std::min(count, kIniBufferSize));

    const size_t first = buffer.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const size_t last = buffer.find_last_not_of(' ');
    return buffer.substr(first, last - first + 1);
}

} // namespace kav::gui
