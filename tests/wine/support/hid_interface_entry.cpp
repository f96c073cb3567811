#include "hid_interface_entry.h"

#include <windows.h>

#include <cctype>

namespace kavwine {
namespace {

constexpr const char* kHidInterfaceClass = "{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr const char* kHidDeviceClass = "{745a17a0-74d3-11d0-b6fe-00a0c90f57da}";

bool set_value(const std::string& key, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY k;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr))
        return false;
    const LONG e = RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(k);
    return e == ERROR_SUCCESS;
}

bool set_string(const std::string& key, const char* name, const std::string& value)
{
    return set_value(key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

} // namespace

UnopenableHidInterface::UnopenableHidInterface(const std::string& tag)
{
    const std::string instance = "HID\\VID_0000&PID_0001\\" + tag;
    std::string flat = instance;
    for (char& c : flat) c = c == '\\' ? '#' : c;
    instance_key_ = "System\\CurrentControlSet\\Enum\\" + instance;
    interface_key_ = std::string("System\\CurrentControlSet\\Control\\DeviceClasses\\") + kHidInterfaceClass +
                     "\\##?#" + flat + "#" + kHidInterfaceClass;
    // The device path Wine derives: \\?\ + the instance id in lower case with
    // '#' for '\' + the class.
    std::string link = "\\\\?\\" + flat + "#" + kHidInterfaceClass;
    for (size_t i = 4; i < link.size(); ++i) link[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(link[i])));
    const DWORD linked = 1;
    ok_ = set_string(instance_key_, "ClassGUID", kHidDeviceClass) &&
          set_string(interface_key_, "DeviceInstance", instance) &&
          set_string(interface_key_ + "\\#", "SymbolicLink", link) &&
          set_value(interface_key_ + "\\#\\Control", "Linked", REG_DWORD, &linked, sizeof linked);
}

UnopenableHidInterface::~UnopenableHidInterface()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, interface_key_.c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, instance_key_.c_str());
}

} // namespace kavwine
