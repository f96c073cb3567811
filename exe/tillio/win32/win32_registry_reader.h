// RegistryReader over the advapi32 registry calls, keys opened for reading
// only. No decisions here.
#pragma once
#include "registry_reader.h"

namespace kav::tillio {

class Win32RegistryReader final : public RegistryReader {
public:
    constexpr Win32RegistryReader() = default;

    KeyOpen open(RegistryKey parent, const char* path, RegistryKey* key) override;
    bool subkey_count(RegistryKey key, uint32_t* count) override;
    bool subkey_name(RegistryKey key, uint32_t index, char* name, uint32_t size) override;
    bool read_value(RegistryKey key, const char* value, char* buffer, uint32_t size, ValueType* type) override;
    void close(RegistryKey key) override;
};

} // namespace kav::tillio
