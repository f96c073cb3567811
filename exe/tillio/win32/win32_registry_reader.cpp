#include "win32_registry_reader.h"

#include <windows.h>

namespace kav::tillio {
namespace {

HKEY hkey(RegistryKey key) { return key == kNoKey ? HKEY_LOCAL_MACHINE : static_cast<HKEY>(key); }

} // namespace

KeyOpen Win32RegistryReader::open(RegistryKey parent, const char* path, RegistryKey* key)
{
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExA(hkey(parent), path, 0, KEY_READ, &opened);
    if (result == ERROR_FILE_NOT_FOUND) return KeyOpen::Missing;
    if (result != ERROR_SUCCESS) return KeyOpen::Failed;
    *key = opened;
    return KeyOpen::Opened;
}

bool Win32RegistryReader::subkey_count(RegistryKey key, uint32_t* count)
{
    char class_name[260];
    DWORD class_length = sizeof class_name;
    DWORD subkeys = 0;
    if (RegQueryInfoKeyA(hkey(key), class_name, &class_length, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    *count = subkeys;
    return true;
}

bool Win32RegistryReader::subkey_name(RegistryKey key, uint32_t index, char* name, uint32_t size)
{
    DWORD length = size;
    return RegEnumKeyExA(hkey(key), index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool Win32RegistryReader::read_value(RegistryKey key, const char* value, char* buffer, uint32_t size,
                                     ValueType* type)
{
    if (size == 0) return false;
    // One byte kept for the zero a stored text may lack.
    DWORD length = size - 1;
    DWORD stored_type = REG_NONE;
    if (RegQueryValueExA(hkey(key), value, nullptr, &stored_type, reinterpret_cast<BYTE*>(buffer), &length) !=
        ERROR_SUCCESS)
        return false;
    buffer[length] = '\0';
    *type = stored_type == REG_SZ ? ValueType::Text : ValueType::Other;
    return true;
}

void Win32RegistryReader::close(RegistryKey key) { RegCloseKey(hkey(key)); }

} // namespace kav::tillio
