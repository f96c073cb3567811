// The library's USB-to-COM port discovery over a registry the input makes up
// (keys that open, are missing or fail; any names and port texts; any subkey
// count), then the token step over the list it wrote and over raw input.
// Checks: the list stays within the caller's 50 bytes and keeps its form,
// every key opened is closed once, and a token never passes its 10 bytes.
#include "fuzz_input.h"
#include "usb_to_com.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using kav::fuzz::Input;
using kav::tillio::KeyOpen;
using kav::tillio::RegistryKey;
using kav::tillio::ValueType;

class FuzzRegistry final : public kav::tillio::RegistryReader {
public:
    explicit FuzzRegistry(Input& in) : in_(in) {}
    ~FuzzRegistry() { check(); }

    KeyOpen open(RegistryKey, const char*, RegistryKey* key) override
    {
        switch (in_.byte() % 4) {
        case 0: return KeyOpen::Missing;
        case 1: return KeyOpen::Failed;
        default: break;
        }
        open_.push_back(true);
        *key = reinterpret_cast<RegistryKey>(open_.size());
        return KeyOpen::Opened;
    }
    bool subkey_count(RegistryKey key, uint32_t* count) override
    {
        live(key);
        *count = in_.byte() % 20;
        return in_.byte() % 8 != 0;
    }
    bool subkey_name(RegistryKey key, uint32_t, char* name, uint32_t size) override
    {
        live(key);
        return text(name, size) && in_.byte() % 16 != 0;
    }
    bool read_value(RegistryKey key, const char*, char* buffer, uint32_t size, ValueType* type) override
    {
        live(key);
        *type = in_.byte() % 4 == 0 ? ValueType::Other : ValueType::Text;
        return text(buffer, size);
    }
    void close(RegistryKey key) override
    {
        live(key);
        open_[reinterpret_cast<size_t>(key) - 1] = false;
    }

private:
    void live(RegistryKey key) const
    {
        const size_t index = reinterpret_cast<size_t>(key);
        if (index == 0 || index > open_.size() || !open_[index - 1]) std::abort(); // unknown or closed key
    }
    void check() const
    {
        for (bool still_open : open_)
            if (still_open) std::abort(); // a key left open
    }
    // A text of the length the input asks for; false, as the system does,
    // when it does not fit with its zero.
    bool text(char* out, uint32_t size)
    {
        const size_t length = in_.byte() % 16;
        if (length + 1 > size) return false;
        for (size_t i = 0; i < length; ++i) {
            const uint8_t c = in_.byte();
            // Any byte but the zero: a blank in a name must keep it off the list.
            out[i] = static_cast<char>(c == 0 ? 'C' : c);
        }
        out[length] = '\0';
        return true;
    }

    Input& in_;
    std::vector<bool> open_;
};

// Takes tokens off list; with ports, each must be the next port's name.
void take_all(char* list, size_t tokens, const kav::tillio::AdapterPorts* ports = nullptr)
{
    // Exactly the utility's 10 bytes, on the heap, so a longer write is caught.
    const std::unique_ptr<char[]> token(new char[kav::tillio::kMaxPortName + 1]);
    for (size_t i = 0; i < tokens; ++i) {
        kav::tillio::take_port_token(list, token.get());
        if (ports != nullptr && std::strcmp(token.get(), ports->name(i)) != 0) std::abort(); // out of order
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in(data, size);
    const std::unique_ptr<char[]> area(new char[kav::tillio::kPortListArea]);
    std::memset(area.get(), ' ', kav::tillio::kPortListArea - 1);
    area[kav::tillio::kPortListArea - 1] = '\0';
    kav::tillio::AdapterPorts ports;
    int32_t count = 0;
    {
        FuzzRegistry registry(in);
        count = ports.enumerate(registry, area.get());
    }
    if (count > 0) {
        // Names with a blank after each, nothing else.
        const size_t length = std::strlen(area.get());
        if (length == 0 || area[length - 1] != ' ') std::abort();
        size_t blanks = 0;
        for (size_t i = 0; i < length; ++i) blanks += area[i] == ' ';
        if (blanks != static_cast<size_t>(count) || count > static_cast<int32_t>(kav::tillio::kMaxAdapterPorts))
            std::abort();
        take_all(area.get(), static_cast<size_t>(count), &ports);
        if (std::strcmp(area.get(), " ") != 0) std::abort(); // every name taken, the form kept
    } else if (count < kav::tillio::kNoAdapterPort || count > -7 || area[0] != ' ') {
        std::abort(); // a failure is -7..-10 and leaves the area alone
    }

    // The token step over whatever text the rest of the input is.
    const size_t left = in.left();
    const std::unique_ptr<char[]> raw(new char[left + 1]);
    in.bytes(reinterpret_cast<uint8_t*>(raw.get()), left);
    raw[left] = '\0';
    take_all(raw.get(), 4);
    return 0;
}
