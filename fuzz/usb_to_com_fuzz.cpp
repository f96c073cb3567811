// The library's USB-to-COM port discovery over a registry tree the input makes
// up (an adapter key that opens, is missing or fails; any subkey count; per
// instance, keys that open or not, a DeviceReference or none of any type, a
// PortName of any text and type), then the token step over the list it wrote and over raw input.
// The ports that must be listed are worked out here from the tree alone, in
// the system's terms: the list and every token are compared with the PortName
// texts the tree handed out. Also: every key opened is closed once, and a
// token never passes its 10 bytes.
#include "fuzz_input.h"
#include "usb_to_com.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using kav::fuzz::Input;
using kav::tillio::KeyOpen;
using kav::tillio::RegistryKey;

void check(bool fact)
{
    if (!fact) std::abort();
}

// Registry names compare without regard to case, as the system's do.
bool same_name(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

KeyOpen key_open(Input& in)
{
    switch (in.byte() % 4) {
    case 0: return KeyOpen::Missing;
    case 1: return KeyOpen::Failed;
    default: return KeyOpen::Opened;
    }
}

// A text of up to max_length characters, with no blank or zero.
std::string text(Input& in, size_t max_length)
{
    std::string s(in.byte() % (max_length + 1), 'C');
    for (char& c : s) {
        const uint8_t b = in.byte();
        if (b != 0 && b != ' ') c = static_cast<char>(b);
    }
    return s;
}

// One instance key under the adapter's key: Control holds DeviceReference,
// Device Parameters holds PortName.
struct Instance {
    std::string name;
    bool name_reads = true;
    KeyOpen open = KeyOpen::Opened;
    KeyOpen control = KeyOpen::Opened;
    bool referenced = true;
    KeyOpen parameters = KeyOpen::Opened;
    bool reference_text = true; // DeviceReference counts whatever its type
    std::optional<std::string> port_name;
    bool port_name_text = true; // stored as a string (REG_SZ), or as anything else
};

struct Tree {
    KeyOpen adapters = KeyOpen::Missing;
    bool count_reads = true;
    std::vector<Instance> instances;

    explicit Tree(Input& in)
    {
        adapters = key_open(in);
        count_reads = in.byte() % 8 != 0;
        instances.resize(in.byte() % 20);
        for (size_t i = 0; i < instances.size(); ++i) {
            Instance& instance = instances[i];
            instance.name = text(in, 12) + "#" + std::to_string(i); // unique, as subkey names are
            instance.name_reads = in.byte() % 16 != 0;
            instance.open = key_open(in);
            instance.control = key_open(in);
            instance.referenced = in.byte() % 4 != 0;
            instance.parameters = key_open(in);
            instance.reference_text = in.byte() % 4 != 0;
            if (in.byte() % 4 != 0) instance.port_name = text(in, 40);
            instance.port_name_text = in.byte() % 4 != 0;
            // Now and then a blank in the name, which would split it in the list.
            if (instance.port_name && !instance.port_name->empty() && in.byte() % 4 == 0)
                (*instance.port_name)[in.byte() % instance.port_name->size()] = ' ';
        }
    }
};

// What the call must return and list, worked out from the tree: a failure of
// the adapter key, its count or any subkey's name fails the call (-7, -8,
// -9); an instance is listed when all its keys open, it has a
// DeviceReference and a PortName stored as a string, without a blank, that
// fits the 32-byte value buffer, has 1..9
// characters and still fits the 49 characters of the caller's area with its
// blank; at most 12 are listed; none listed is -10.
int32_t expected_listing(const Tree& tree, std::vector<std::string>& listed)
{
    if (tree.adapters == KeyOpen::Missing) return -10;
    if (tree.adapters == KeyOpen::Failed) return -7;
    if (!tree.count_reads) return -8;
    for (const Instance& instance : tree.instances)
        if (!instance.name_reads) return -9;
    size_t list_length = 0;
    for (const Instance& instance : tree.instances) {
        if (listed.size() == 12 || instance.open != KeyOpen::Opened || instance.control != KeyOpen::Opened ||
            !instance.referenced || instance.parameters != KeyOpen::Opened || !instance.port_name)
            continue;
        const std::string& port = *instance.port_name;
        if (!instance.port_name_text || port.find(' ') != std::string::npos) continue;
        if (port.empty() || port.size() + 1 > 32 || port.size() > 9 || list_length + port.size() + 1 > 49) continue;
        listed.push_back(port);
        list_length += port.size() + 1;
    }
    return listed.empty() ? -10 : static_cast<int32_t>(listed.size());
}

class TreeRegistry final : public kav::tillio::RegistryReader {
public:
    explicit TreeRegistry(const Tree& tree) : tree_(tree) {}
    ~TreeRegistry()
    {
        for (const Key& key : keys_) check(!key.open); // a key left open
    }

    KeyOpen open(RegistryKey parent, const char* path, RegistryKey* key) override
    {
        check(path != nullptr && key != nullptr);
        KeyOpen result = KeyOpen::Missing;
        Kind kind = Kind::Adapters;
        size_t instance = 0;
        if (parent == kav::tillio::kNoKey) {
            if (same_name(path, "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_067B&PID_2303")) result = tree_.adapters;
        } else if (const Key& from = live(parent); from.kind == Kind::Adapters) {
            for (size_t i = 0; i < tree_.instances.size(); ++i) {
                if (same_name(path, tree_.instances[i].name.c_str())) {
                    result = tree_.instances[i].open;
                    kind = Kind::Instance;
                    instance = i;
                }
            }
        } else if (from.kind == Kind::Instance) {
            instance = from.instance;
            if (same_name(path, "Control")) {
                result = tree_.instances[instance].control;
                kind = Kind::Control;
            } else if (same_name(path, "Device Parameters")) {
                result = tree_.instances[instance].parameters;
                kind = Kind::Parameters;
            }
        }
        if (result == KeyOpen::Opened) {
            keys_.push_back({kind, instance, true});
            *key = reinterpret_cast<RegistryKey>(keys_.size());
        }
        return result;
    }
    bool subkey_count(RegistryKey key, uint32_t* count) override
    {
        check(live(key).kind == Kind::Adapters);
        *count = static_cast<uint32_t>(tree_.instances.size());
        return tree_.count_reads;
    }
    bool subkey_name(RegistryKey key, uint32_t index, char* name, uint32_t size) override
    {
        check(live(key).kind == Kind::Adapters && index < tree_.instances.size()); // only what the count said
        const Instance& instance = tree_.instances[index];
        return instance.name_reads && copy(instance.name, name, size);
    }
    bool read_value(RegistryKey key, const char* value, char* buffer, uint32_t size,
                    kav::tillio::ValueType* type) override
    {
        using kav::tillio::ValueType;
        check(type != nullptr);
        const Key& from = live(key);
        const Instance& instance = tree_.instances[from.instance];
        if (from.kind == Kind::Control && same_name(value, "DeviceReference")) {
            *type = instance.reference_text ? ValueType::Text : ValueType::Other;
            return instance.referenced && copy("USB\\VID_067B&PID_2303", buffer, size);
        }
        if (from.kind == Kind::Parameters && same_name(value, "PortName")) {
            *type = instance.port_name_text ? ValueType::Text : ValueType::Other;
            return instance.port_name && copy(*instance.port_name, buffer, size);
        }
        return false;
    }
    void close(RegistryKey key) override { keys_[index_of(live(key))].open = false; }

private:
    enum class Kind { Adapters, Instance, Control, Parameters };
    struct Key {
        Kind kind;
        size_t instance;
        bool open;
    };

    const Key& live(RegistryKey key) const
    {
        const size_t index = reinterpret_cast<size_t>(key);
        check(index != 0 && index <= keys_.size() && keys_[index - 1].open); // unknown or closed key
        return keys_[index - 1];
    }
    size_t index_of(const Key& key) const { return static_cast<size_t>(&key - keys_.data()); }
    // As the system does: false when the text does not fit with its zero.
    static bool copy(const std::string& s, char* out, uint32_t size)
    {
        if (s.size() + 1 > size) return false;
        std::memcpy(out, s.c_str(), s.size() + 1);
        return true;
    }

    const Tree& tree_;
    std::vector<Key> keys_;
};

// Takes tokens off list; with expected, each must be the next of them.
void take_all(char* list, size_t tokens, const std::vector<std::string>* expected = nullptr)
{
    // Exactly the utility's 10 bytes, on the heap, so a longer write is caught.
    const std::unique_ptr<char[]> token(new char[kav::tillio::kMaxPortName + 1]);
    for (size_t i = 0; i < tokens; ++i) {
        kav::tillio::take_port_token(list, token.get());
        if (expected != nullptr) check((*expected)[i] == token.get());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in(data, size);
    const Tree tree(in);
    std::vector<std::string> listed;
    const int32_t expected = expected_listing(tree, listed);

    constexpr size_t kArea = 50; // the utility's list area, zero included
    const std::unique_ptr<char[]> area(new char[kArea]);
    std::memset(area.get(), ' ', kArea - 1);
    area[kArea - 1] = '\0';
    kav::tillio::AdapterPorts ports;
    int32_t count = 0;
    {
        TreeRegistry registry(tree);
        count = ports.enumerate(registry, area.get());
    }
    check(count == expected);
    if (count > 0) {
        std::string list;
        for (const std::string& port : listed) list += port + " ";
        check(list == area.get()); // the names, each followed by a blank
        check(ports.count() == listed.size());
        for (size_t i = 0; i < listed.size(); ++i) check(listed[i] == ports.name(i)); // the copy it keeps
        take_all(area.get(), listed.size(), &listed);
        check(std::strcmp(area.get(), " ") == 0); // every name taken, the form kept
    } else {
        check(std::string(kArea - 1, ' ') == area.get()); // a failure leaves the area alone
    }

    // The token step over whatever text the rest of the input is.
    const size_t left = in.left();
    const std::unique_ptr<char[]> raw(new char[left + 1]);
    in.bytes(reinterpret_cast<uint8_t*>(raw.get()), left);
    raw[left] = '\0';
    take_all(raw.get(), 4);
    return 0;
}
