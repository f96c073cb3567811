#include "usb_to_com.h"
#include "string_trim.h"

#include <string.h>

namespace kav::tillio {
namespace {

// Whether the instance key names an adapter port: it has a DeviceReference
// (of any type: only its presence counts) and a PortName that is a text
// without blanks fitting the table. The name lands in port. A number or a
// binary value would read as a name ("COM2" is also a DWORD's bytes), and a
// blank would split the name in two on the list.
bool read_instance(RegistryReader& registry, RegistryKey instance, char (&port)[kValueBufferSize])
{
    char value[kValueBufferSize];
    ValueType type = ValueType::Other;
    RegistryKey control = kNoKey;
    if (registry.open(instance, "Control", &control) != KeyOpen::Opened) return false;
    const bool referenced = registry.read_value(control, "DeviceReference", value, sizeof value, &type);
    registry.close(control);
    if (!referenced) return false;

    RegistryKey parameters = kNoKey;
    if (registry.open(instance, "Device Parameters", &parameters) != KeyOpen::Opened) return false;
    const bool named = registry.read_value(parameters, "PortName", port, sizeof port, &type);
    registry.close(parameters);
    return named && type == ValueType::Text && port[0] != '\0' && strlen(port) <= kMaxPortName &&
           strchr(port, ' ') == nullptr;
}

} // namespace

int32_t AdapterPorts::enumerate(RegistryReader& registry, char* out)
{
    if (out == nullptr) return kNoAdapterPort;
    // Read, never create: an adapter that was never installed has no key.
    RegistryKey adapters = kNoKey;
    switch (registry.open(kNoKey, kAdapterKey, &adapters)) {
    case KeyOpen::Missing: return kNoAdapterPort;
    case KeyOpen::Failed: return kRegistryOpenFailed;
    case KeyOpen::Opened: break;
    }
    uint32_t instances = 0;
    if (!registry.subkey_count(adapters, &instances)) {
        registry.close(adapters);
        return kRegistryQueryFailed;
    }

    char found[kMaxAdapterPorts][kMaxPortName + 1];
    size_t count = 0;
    size_t list_length = 0; // of the names with their blanks
    for (uint32_t i = 0; i < instances; ++i) {
        char name[kNameBufferSize];
        if (!registry.subkey_name(adapters, i, name, sizeof name)) {
            registry.close(adapters);
            return kRegistryEnumFailed;
        }
        if (count == kMaxAdapterPorts) continue; // still enumerated: a failing subkey fails the call
        RegistryKey instance = kNoKey;
        if (registry.open(adapters, name, &instance) != KeyOpen::Opened) continue;
        char port[kValueBufferSize];
        const bool listed = read_instance(registry, instance, port);
        registry.close(instance);
        if (!listed) continue;
        // A name that would not fit whole in the caller's area is left out.
        const size_t length = strlen(port);
        if (list_length + length + 1 > kPortListArea - 1) continue;
        memcpy(found[count], port, length + 1);
        list_length += length + 1;
        ++count;
    }
    registry.close(adapters);
    if (count == 0) return kNoAdapterPort;

    memcpy(names_, found, sizeof found);
    count_ = count;
    out[0] = '\0';
    for (size_t i = 0; i < count; ++i) {
        strcat(out, names_[i]);
        strcat(out, " ");
    }
    return static_cast<int32_t>(count);
}

int32_t take_port_token(char* list, char* token)
{
    if (list == nullptr || token == nullptr) return 0;
    // Work on a copy of at most kTokenListRead characters; the result is
    // never longer than what was read, so it goes back where that came from.
    char work[kTokenListRead + 1];
    size_t n = 0;
    while (n < kTokenListRead && list[n] != '\0') {
        work[n] = list[n];
        ++n;
    }
    work[n] = '\0';

    // The first name: what stands before the first blank, blanks before it skipped.
    const char* first = work;
    while (*first == ' ') ++first;
    size_t length = 0;
    while (first[length] != '\0' && first[length] != ' ') ++length;
    if (length > kMaxPortName) length = kMaxPortName;
    memcpy(token, first, length);
    token[length] = '\0';
    if (length == 0) return 0;

    // Stripping the name's characters off both ends takes exactly the first
    // name: the list ends with a blank, which is none of them.
    trim_chars(work, token);
    trim_chars(work, " ");
    const size_t rest = strlen(work);
    if (rest + 1 > n) return 0; // no room for the blank where the list was: leave it
    work[rest] = ' ';
    work[rest + 1] = '\0';
    memcpy(list, work, rest + 2);
    return 0;
}

} // namespace kav::tillio
