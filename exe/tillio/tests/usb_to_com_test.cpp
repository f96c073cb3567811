#include "usb_to_com.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace kav::tillio {
namespace {

// A registry tree under the local machine's root. Keys open read-only; every
// opened key must be closed exactly once, and nothing is ever created.
class FakeRegistry final : public RegistryReader {
public:
    struct Node {
        std::map<std::string, std::string> values;
        std::map<std::string, ValueType> types; // Text unless listed
        std::vector<std::pair<std::string, Node>> children; // in enumeration order
        bool open_fails = false;
        bool count_fails = false;
        std::set<uint32_t> name_fails;
    };

    Node root;
    int open_keys = 0;
    std::vector<std::string> opened;

    Node& add(Node& parent, const std::string& name)
    {
        parent.children.emplace_back(name, Node{});
        return parent.children.back().second;
    }
    // One adapter instance with the values given ("" leaves a value out).
    void add_instance(const std::string& id, const std::string& port, bool referenced = true,
                      ValueType port_type = ValueType::Text)
    {
        Node& instance = add(adapters(), id);
        Node& control = add(instance, "Control");
        if (referenced) control.values["DeviceReference"] = "ref";
        Node& parameters = add(instance, "Device Parameters");
        if (!port.empty()) parameters.values["PortName"] = port;
        parameters.types["PortName"] = port_type;
    }
    Node& adapters()
    {
        Node* node = find(&root, kAdapterKey);
        return node != nullptr ? *node : add(root, kAdapterKey);
    }

    KeyOpen open(RegistryKey parent, const char* path, RegistryKey* key) override
    {
        Node* from = parent == kNoKey ? &root : static_cast<Handle*>(parent)->node;
        Node* node = find(from, path);
        if (node == nullptr) return KeyOpen::Missing;
        if (node->open_fails) return KeyOpen::Failed;
        handles_.push_back(std::make_unique<Handle>(Handle{node, false}));
        *key = handles_.back().get();
        ++open_keys;
        opened.emplace_back(path);
        return KeyOpen::Opened;
    }
    bool subkey_count(RegistryKey key, uint32_t* count) override
    {
        Node* node = live(key);
        if (node->count_fails) return false;
        *count = static_cast<uint32_t>(node->children.size());
        return true;
    }
    bool subkey_name(RegistryKey key, uint32_t index, char* name, uint32_t size) override
    {
        Node* node = live(key);
        EXPECT_EQ(size, 260u);
        if (node->name_fails.count(index) || index >= node->children.size()) return false;
        const std::string& text = node->children[index].first;
        if (text.size() + 1 > size) return false;
        std::memcpy(name, text.c_str(), text.size() + 1);
        return true;
    }
    bool read_value(RegistryKey key, const char* value, char* buffer, uint32_t size, ValueType* type) override
    {
        Node* node = live(key);
        EXPECT_EQ(size, 32u);
        const auto found = node->values.find(value);
        if (found == node->values.end() || found->second.size() + 1 > size) return false;
        std::memcpy(buffer, found->second.c_str(), found->second.size() + 1);
        const auto typed = node->types.find(value);
        *type = typed == node->types.end() ? ValueType::Text : typed->second;
        return true;
    }
    void close(RegistryKey key) override
    {
        auto* handle = static_cast<Handle*>(key);
        EXPECT_FALSE(handle->closed) << "a key closed twice";
        handle->closed = true;
        --open_keys;
    }

private:
    struct Handle {
        Node* node;
        bool closed;
    };
    static Node* find(Node* from, const std::string& path)
    {
        for (auto& [name, child] : from->children)
            if (name == path) return &child;
        return nullptr;
    }
    Node* live(RegistryKey key)
    {
        auto* handle = static_cast<Handle*>(key);
        EXPECT_FALSE(handle->closed) << "a closed key used";
        return handle->node;
    }
    std::vector<std::unique_ptr<Handle>> handles_;
};

// The utility's area: 50 blanks and a guard past them.
struct ListArea {
    char bytes[kPortListArea + 8];
    ListArea()
    {
        std::memset(bytes, ' ', sizeof bytes);
        bytes[kPortListArea] = '\0';
        std::memset(bytes + kPortListArea + 1, '#', sizeof bytes - kPortListArea - 1);
    }
    bool guard_intact() const
    {
        for (size_t i = kPortListArea + 1; i < sizeof bytes; ++i)
            if (bytes[i] != '#') return false;
        return true;
    }
};

TEST(EnumUsbToComNum, ListsTheAdapterPortsInInstanceOrder)
{
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> instances; // id, port
        int32_t result;
        std::string list;
    };
    const std::string ten = "COM1234567"; // 10 characters
    const Case cases[] = {
        {"two adapters", {{"5&1", "COM3"}, {"5&2", "COM4"}}, 2, "COM3 COM4 "},
        {"reported order kept", {{"a", "COM9"}, {"b", "COM4"}}, 2, "COM9 COM4 "},
        {"no port name", {{"a", ""}, {"b", "COM7"}}, 1, "COM7 "},
        {"a name of 10 characters", {{"a", ten}, {"b", "COM12"}}, 1, "COM12 "},
        // Seven names of five characters and their blanks make 42; COM1234
        // would reach 50, past the 49 characters of the area, and is left
        // out; COM18 still fits at 48, the last name "C" would not.
        {"past the area", {{"1", "COM11"}, {"2", "COM12"}, {"3", "COM13"}, {"4", "COM14"}, {"5", "COM15"},
                            {"6", "COM16"}, {"7", "COM17"}, {"8", "COM1234"}, {"9", "COM18"}, {"10", "C"}},
         8, "COM11 COM12 COM13 COM14 COM15 COM16 COM17 COM18 "},
    };
    for (const Case& c : cases) {
        FakeRegistry registry;
        for (const auto& [id, port] : c.instances) registry.add_instance(id, port);
        AdapterPorts ports;
        ListArea area;
        EXPECT_EQ(ports.enumerate(registry, area.bytes), c.result) << c.what;
        EXPECT_EQ(std::string(area.bytes), c.list) << c.what;
        EXPECT_LE(std::string(area.bytes).size(), kPortListArea - 1) << c.what;
        EXPECT_TRUE(area.guard_intact()) << c.what;
        EXPECT_EQ(registry.open_keys, 0) << c.what;
    }
}

// Only text values name ports, and only names without a blank: a DWORD
// 0x324D4F43 holds the bytes "COM2", binary data and lists read as names
// too, and "COM 34" would split into two tokens on the list.
TEST(EnumUsbToComNum, ListsOnlyTextNamesWithoutBlanks)
{
    FakeRegistry registry;
    registry.add_instance("dword", "COM2", true, ValueType::Other);
    registry.add_instance("binary", "COM5", true, ValueType::Other);
    registry.add_instance("blank", "COM 34");
    registry.add_instance("leading blank", " COM9");
    registry.add_instance("text", "COM8");
    FakeRegistry::Node& odd_reference = registry.adapters().children.back().second.children[0].second;
    odd_reference.types["DeviceReference"] = ValueType::Other; // its presence is what counts
    AdapterPorts ports;
    ListArea area;
    EXPECT_EQ(ports.enumerate(registry, area.bytes), 1);
    EXPECT_EQ(std::string(area.bytes), "COM8 ");

    FakeRegistry none;
    none.add_instance("dword", "COM2", true, ValueType::Other);
    none.add_instance("blank", "COM 34");
    ListArea untouched;
    EXPECT_EQ(ports.enumerate(none, untouched.bytes), kNoAdapterPort);
    EXPECT_EQ(untouched.bytes[0], ' ');
}

TEST(EnumUsbToComNum, CountsAtMostTwelvePorts)
{
    FakeRegistry registry;
    for (int i = 1; i <= 13; ++i) registry.add_instance(std::to_string(100 + i), "C" + std::to_string(i));
    AdapterPorts ports;
    ListArea area;
    EXPECT_EQ(ports.enumerate(registry, area.bytes), 12);
    EXPECT_EQ(std::string(area.bytes), "C1 C2 C3 C4 C5 C6 C7 C8 C9 C10 C11 C12 ");
    EXPECT_EQ(ports.count(), 12u);
    EXPECT_EQ(registry.open_keys, 0);
}

TEST(EnumUsbToComNum, FailuresAndMissingAdaptersLeaveTheListAlone)
{
    struct Case {
        const char* what;
        void (*arrange)(FakeRegistry&);
        int32_t result;
    };
    const Case cases[] = {
        {"no adapter key", [](FakeRegistry&) {}, kNoAdapterPort},
        {"an empty adapter key", [](FakeRegistry& r) { r.adapters(); }, kNoAdapterPort},
        {"no DeviceReference",
         [](FakeRegistry& r) { r.add_instance("a", "COM3", false); }, kNoAdapterPort},
        {"the adapter key refused", [](FakeRegistry& r) { r.adapters().open_fails = true; }, kRegistryOpenFailed},
        {"its information refused", [](FakeRegistry& r) { r.adapters().count_fails = true; }, kRegistryQueryFailed},
        {"a subkey that cannot be enumerated, after a port was found",
         [](FakeRegistry& r) {
             r.add_instance("a", "COM3");
             r.add_instance("b", "COM4");
             r.adapters().name_fails.insert(1);
         },
         kRegistryEnumFailed},
        {"an instance that cannot be opened",
         [](FakeRegistry& r) {
             r.add_instance("a", "COM3");
             r.adapters().children[0].second.open_fails = true;
         },
         kNoAdapterPort},
    };
    for (const Case& c : cases) {
        FakeRegistry registry;
        c.arrange(registry);
        AdapterPorts ports;
        ListArea area;
        EXPECT_EQ(ports.enumerate(registry, area.bytes), c.result) << c.what;
        EXPECT_EQ(area.bytes[0], ' ') << c.what << ": the list is untouched";
        EXPECT_EQ(registry.open_keys, 0) << c.what;
    }
    // Nothing under the root is created by a failed or empty call.
    FakeRegistry registry;
    AdapterPorts ports;
    EXPECT_EQ(ports.enumerate(registry, nullptr), kNoAdapterPort);
    EXPECT_EQ(ports.enumerate(registry, ListArea().bytes), kNoAdapterPort);
    EXPECT_TRUE(registry.root.children.empty());
}

TEST(GetUsbToComToken, TakesTheNamesOneByOneAndKeepsTheListsForm)
{
    char list[kPortListArea + 1] = "COM1 COM10 ";
    char token[kMaxPortName + 1 + 4];
    std::memset(token, '#', sizeof token);
    EXPECT_EQ(take_port_token(list, token), 0);
    EXPECT_STREQ(token, "COM1");
    EXPECT_STREQ(list, "COM10 ");
    EXPECT_EQ(take_port_token(list, token), 0);
    EXPECT_STREQ(token, "COM10");
    EXPECT_STREQ(list, " ");
    EXPECT_EQ(take_port_token(list, token), 0);
    EXPECT_STREQ(token, "") << "an exhausted list yields nothing";

    // A name longer than the token area is cut at nine characters.
    char long_list[kPortListArea + 1] = "COM123456789 COM2 ";
    std::memset(token, '#', sizeof token);
    take_port_token(long_list, token);
    EXPECT_STREQ(token, "COM123456");
    EXPECT_EQ(token[kMaxPortName + 1], '#');

    EXPECT_EQ(take_port_token(nullptr, token), 0);
    EXPECT_EQ(take_port_token(list, nullptr), 0);
}

TEST(GetUsbToComToken, ReadsAtMost99CharactersOfAList)
{
    // No zero within the area the call may read: it stops at 99 characters.
    char list[128];
    std::memset(list, 'X', sizeof list);
    std::memcpy(list, "COM5 ", 5);
    list[127] = '\0';
    char token[kMaxPortName + 1];
    take_port_token(list, token);
    EXPECT_STREQ(token, "COM5");
    EXPECT_EQ(list[99], 'X') << "nothing written past what was read";
    EXPECT_EQ(list[100], 'X');
}

} // namespace
} // namespace kav::tillio
