// The COM ports of attached USB-to-RS232 adapters (vendor 0x067B, product
// 0x2303), read from the system's device registry, as one list of names each
// followed by a blank; and taking the first name off such a list.
#pragma once
#include "registry_reader.h"
#include "tillio.h"

#include <stddef.h>
#include <stdint.h>

namespace kav::tillio {

inline constexpr const char* kAdapterKey = "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_067b&Pid_2303";

inline constexpr int32_t kRegistryOpenFailed = TILLIO_REGISTRY_OPEN_FAILED;
inline constexpr int32_t kRegistryQueryFailed = TILLIO_REGISTRY_QUERY_FAILED;
inline constexpr int32_t kRegistryEnumFailed = TILLIO_REGISTRY_ENUM_FAILED;
inline constexpr int32_t kNoAdapterPort = TILLIO_NO_ADAPTER_PORT;

inline constexpr size_t kMaxAdapterPorts = 12;
inline constexpr size_t kMaxPortName = 9;     // characters, without the zero
inline constexpr size_t kPortListArea = 50;   // the utility's list area, zero included
inline constexpr size_t kTokenListRead = 99;  // what a token step reads of a list
inline constexpr size_t kNameBufferSize = 260;
inline constexpr size_t kValueBufferSize = 32;

// The ports the last successful call found, process-wide.
class AdapterPorts {
public:
    constexpr AdapterPorts() = default;

    // The number of ports listed into out (which must offer kPortListArea
    // bytes), or -7..-10. Instances without DeviceReference or PortName are
    // skipped, and so are names too long for the table or for the list area,
    // and ports past the twelfth. out is untouched unless ports were found.
    int32_t enumerate(RegistryReader& registry, char* out);

    size_t count() const { return count_; }
    const char* name(size_t i) const { return names_[i]; }

private:
    char names_[kMaxAdapterPorts][kMaxPortName + 1] = {};
    size_t count_ = 0;
};

// Moves the first name of list (names each followed by a blank) into token
// (at most kMaxPortName characters and its zero); the list then starts with
// the next name and keeps its form. Reads at most kTokenListRead characters
// of the list. Always 0; null arguments change nothing.
int32_t take_port_token(char* list, char* token);

} // namespace kav::tillio
