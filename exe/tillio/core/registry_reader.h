// The library's view of the registry: reading keys under the local machine's
// root, never creating or changing one. The Win32 edge maps each method to
// one advapi32 call; the tests use a fake tree.
#pragma once
#include <stdint.h>

namespace kav::tillio {

// Opaque to the core; the edge's "no key" is kNoKey. A parent of kNoKey
// means the local machine's root.
using RegistryKey = void*;
inline constexpr RegistryKey kNoKey = nullptr;

enum class KeyOpen { Opened, Missing, Failed };
// Text: REG_SZ; every other type (numbers, binary data, lists, expandable
// text) is Other.
enum class ValueType { Text, Other };

class RegistryReader {
public:
    // Opens path under parent for reading; *key is set only when Opened.
    virtual KeyOpen open(RegistryKey parent, const char* path, RegistryKey* key) = 0;
    virtual bool subkey_count(RegistryKey key, uint32_t* count) = 0;
    // The name of subkey index into name (size bytes with its zero).
    virtual bool subkey_name(RegistryKey key, uint32_t index, char* name, uint32_t size) = 0;
    // A value of any type into buffer (size bytes), zero-terminated so that
    // a text value reads as one, and its type; false if it is missing or does
    // not fit.
    virtual bool read_value(RegistryKey key, const char* value, char* buffer, uint32_t size, ValueType* type) = 0;
    virtual void close(RegistryKey key) = 0;

protected:
    RegistryReader() = default;
    RegistryReader(const RegistryReader&) = default;
    RegistryReader& operator=(const RegistryReader&) = default;
    ~RegistryReader() = default;
};

} // namespace kav::tillio
