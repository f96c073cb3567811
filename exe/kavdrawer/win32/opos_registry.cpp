#include "opos_registry.h"

#include <windows.h>

using kav::cli::OposDevice;
using kav::cli::RegistryError;

namespace {

// A registry key or value name is shorter than this.
constexpr DWORD kNameChars = 256;
// A drawer name or a ProgID is far shorter; a longer value is not ours.
constexpr DWORD kValueBytes = 512;

bool windows_is_64_bit()
{
#ifdef _WIN64
    return true;
#else
    // Not in every Windows this program runs on: looked up.
    using IsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto is_wow64 = reinterpret_cast<IsWow64Process>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return is_wow64 != nullptr && is_wow64(GetCurrentProcess(), &wow64) && wow64;
#endif
}

RegistryError system_error(LONG status)
{
    if (status == ERROR_ACCESS_DENIED) return "access denied (run it as an administrator)";
    return "system error " + std::to_string(status);
}

class Key {
public:
    Key() = default;
    ~Key()
    {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

std::optional<std::string> string_value(HKEY key, const char* name)
{
    char value[kValueBytes + 1] = {};
    DWORD size = kValueBytes;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    // The stored string need not end in a zero.
    std::string text(value, size);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

std::string device_path(const std::string& name)
{
    return std::string(kav::cli::kOposClassKey) + "\\" + name;
}

} // namespace

Win32OposRegistry::Win32OposRegistry()
{
    if (windows_is_64_bit()) {
        views_ = {{"64-bit", KEY_WOW64_64KEY}, {"32-bit", KEY_WOW64_32KEY}};
    } else {
        views_ = {{"32-bit", 0}};
    }
}

std::vector<std::string> Win32OposRegistry::views()
{
    std::vector<std::string> names;
    for (const View& view : views_) names.push_back(view.name);
    return names;
}

std::optional<std::vector<OposDevice>> Win32OposRegistry::devices(size_t view, RegistryError& error)
{
    std::vector<OposDevice> devices;
    Key devices_key;
    const std::string class_key(kav::cli::kOposClassKey);
    const LONG status =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, class_key.c_str(), 0, KEY_READ | views_[view].flag, devices_key.out());
    if (status == ERROR_FILE_NOT_FOUND) return devices;
    if (status != ERROR_SUCCESS) {
        error = system_error(status);
        return std::nullopt;
    }
    for (DWORD index = 0;; ++index) {
        char name[kNameChars] = {};
        DWORD length = kNameChars;
        const LONG found = RegEnumKeyExA(devices_key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (found == ERROR_NO_MORE_ITEMS) break;
        if (found != ERROR_SUCCESS) continue;
        OposDevice device{std::string(name, length), std::nullopt, std::nullopt};
        Key device_key;
        if (RegOpenKeyExA(devices_key.get(), name, 0, KEY_QUERY_VALUE | views_[view].flag, device_key.out()) ==
            ERROR_SUCCESS) {
            device.progid = string_value(device_key.get(), nullptr);
            device.drawer = string_value(device_key.get(), "Drawer");
        }
        devices.push_back(std::move(device));
    }
    return devices;
}

RegistryError Win32OposRegistry::write(size_t view, const std::string& name, std::string_view progid,
                                       const std::string& drawer)
{
    Key key;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, device_path(name).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE | views_[view].flag, nullptr, key.out(), nullptr);
    if (status != ERROR_SUCCESS) return system_error(status);
    const std::string id(progid);
    status = RegSetValueExA(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(id.c_str()),
                            static_cast<DWORD>(id.size() + 1));
    if (status == ERROR_SUCCESS)
        status = RegSetValueExA(key.get(), "Drawer", 0, REG_SZ, reinterpret_cast<const BYTE*>(drawer.c_str()),
                                static_cast<DWORD>(drawer.size() + 1));
    return status == ERROR_SUCCESS ? RegistryError() : system_error(status);
}

RegistryError Win32OposRegistry::remove(size_t view, const std::string& name)
{
    // RegDeleteKeyExA names the view; before it (XP x64) a key opened in the
    // view deletes its subkey there.
    using DeleteKeyEx = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
    const auto delete_key_ex = reinterpret_cast<DeleteKeyEx>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA")));
    LONG status = ERROR_SUCCESS;
    if (delete_key_ex != nullptr && views_[view].flag != 0) {
        status = delete_key_ex(HKEY_LOCAL_MACHINE, device_path(name).c_str(), views_[view].flag, 0);
    } else {
        Key devices_key;
        const std::string class_key(kav::cli::kOposClassKey);
        status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, class_key.c_str(), 0, KEY_READ | views_[view].flag,
                               devices_key.out());
        if (status == ERROR_SUCCESS) status = RegDeleteKeyA(devices_key.get(), name.c_str());
    }
    return status == ERROR_SUCCESS ? RegistryError() : system_error(status);
}
