// tillio.dll's USB-to-RS232 port discovery under Wine, against the real
// registry: the adapters' instance keys are written here, as the system
// writes them for an attached adapter, and removed after each case.
#include "wine_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using kavwine::export_of;

constexpr const char* kAdapterKey = "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_067b&Pid_2303";

// One adapter instance: Control\DeviceReference (a number, as the system
// stores it; only its presence counts) and Device Parameters\PortName.
void add_instance(const std::string& id, const char* port, bool referenced = true)
{
    const std::string instance = std::string(kAdapterKey) + "\\" + id;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (instance + "\\Control").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD reference = 0x8A5C3E20;
    if (referenced)
        RegSetValueExA(key, "DeviceReference", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&reference), sizeof reference);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (instance + "\\Device Parameters").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (port != nullptr) RegSetValueExA(key, "PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(port), static_cast<DWORD>(std::strlen(port) + 1));
    RegCloseKey(key);
}

class UsbToCom : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(module_, nullptr) << "LoadLibrary(tillio.dll), error " << GetLastError();
        enumerate_ = export_of<EnumFn>(module_, "EnumUsbToComNum");
        token_ = export_of<TokenFn>(module_, "GetUsbToComToken");
        ASSERT_TRUE(enumerate_ && token_) << "an export is missing";
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kAdapterKey);
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kAdapterKey);
        if (module_ != nullptr) FreeLibrary(module_);
    }

    // The utility's areas: 50 blanks for the list, 10 for a token.
    struct Areas {
        char list[51];
        char token[11];
        Areas()
        {
            std::memset(list, ' ', 50);
            list[50] = '\0';
            std::memset(token, ' ', 10);
            token[10] = '\0';
        }
    };

    using EnumFn = int(__stdcall*)(char*);
    using TokenFn = int(__stdcall*)(char*, char*);
    HMODULE module_ = LoadLibraryA("tillio.dll");
    EnumFn enumerate_ = nullptr;
    TokenFn token_ = nullptr;
};

TEST_F(UsbToCom, NoAdapterEverInstalledIsReportedAndNothingIsCreated)
{
    Areas areas;
    EXPECT_EQ(enumerate_(areas.list), -10);
    EXPECT_EQ(areas.list[0], ' ') << "the list is untouched";
    EXPECT_FALSE(kavwine::hklm_key_exists(kAdapterKey)) << "the adapter key was created";
}

TEST_F(UsbToCom, ListsTheAttachedAdaptersPortsAndHandsThemOutOneByOne)
{
    add_instance("5&2a3b4c&0&1", "COM3");
    add_instance("5&2a3b4c&0&2", "COM12");
    add_instance("5&2a3b4c&0&3", "COM5", false); // no DeviceReference: not attached
    add_instance("5&2a3b4c&0&4", nullptr);       // no PortName
    Areas areas;
    ASSERT_EQ(enumerate_(areas.list), 2);
    EXPECT_STREQ(areas.list, "COM3 COM12 ");
    EXPECT_EQ(token_(areas.list, areas.token), 0);
    EXPECT_STREQ(areas.token, "COM3");
    EXPECT_STREQ(areas.list, "COM12 ");
    EXPECT_EQ(token_(areas.list, areas.token), 0);
    EXPECT_STREQ(areas.token, "COM12");
}

// A PortName of any type but REG_SZ names no port, whatever its bytes
// read as; nor does a text with a blank in it.
TEST_F(UsbToCom, OnlyTextPortNamesWithoutBlanksAreListed)
{
    add_instance("5&2a3b4c&0&1", "COM 34");
    add_instance("5&2a3b4c&0&2", "COM8");
    const struct {
        const char* id;
        DWORD type;
        std::string bytes;
    } others[] = {
        {"5&2a3b4c&0&3", REG_DWORD, std::string("COM2", 4)}, // 0x324D4F43
        {"5&2a3b4c&0&4", REG_BINARY, std::string("COM5", 4)},
        {"5&2a3b4c&0&5", REG_MULTI_SZ, std::string("COM6\0\0", 6)},
        {"5&2a3b4c&0&6", REG_EXPAND_SZ, std::string("COM7\0", 5)},
    };
    for (const auto& other : others) {
        add_instance(other.id, nullptr);
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                (std::string(kAdapterKey) + "\\" + other.id + "\\Device Parameters").c_str(), 0,
                                KEY_SET_VALUE, &key),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "PortName", 0, other.type, reinterpret_cast<const BYTE*>(other.bytes.data()),
                       static_cast<DWORD>(other.bytes.size()));
        RegCloseKey(key);
    }
    Areas areas;
    EXPECT_EQ(enumerate_(areas.list), 1);
    EXPECT_STREQ(areas.list, "COM8 ");
}

TEST_F(UsbToCom, AnEmptyAdapterKeyHasNoPort)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAdapterKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    Areas areas;
    EXPECT_EQ(enumerate_(areas.list), -10);
}

} // namespace
