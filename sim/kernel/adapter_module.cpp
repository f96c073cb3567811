// ADAPTER_: USB-to-RS232 adapters over some of the simulated COM ports. An
// adapter shows in the device registry, where the library looks for it: an
// instance key under Enum\USB\Vid_067b&Pid_2303 per adapter, with
// Control\DeviceReference and Device Parameters\PortName. The keys are
// written at load and removed at unload, with the adapter key itself (and
// Enum\USB) when the driver was the one that made it. The ports themselves
// are the serial module's.
#include "sim_config.h"
#include "sim_kernel.h"

namespace {

constexpr const wchar_t kEnumKey[] = L"\\Registry\\Machine\\SYSTEM\\CurrentControlSet\\Enum";

struct ADAPTER_STATE {
    int Instances;
    bool MadeUsbKey;
    bool MadeAdapterKey;
};
ADAPTER_STATE g_adapters;

// parent\name, opened (and made, when create) with the given access; null
// when that fails.
HANDLE open_key(HANDLE parent, const wchar_t* name, bool create, ACCESS_MASK access, bool* made = nullptr)
{
    UNICODE_STRING path;
    RtlInitUnicodeString(&path, name);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, parent, nullptr);
    HANDLE key = nullptr;
    ULONG disposition = 0;
    const NTSTATUS status = create ? ZwCreateKey(&key, access, &attributes, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                 &disposition)
                                   : ZwOpenKey(&key, access, &attributes);
    if (!NT_SUCCESS(status)) return nullptr;
    if (made != nullptr) *made = disposition == REG_CREATED_NEW_KEY;
    return key;
}

void close_key(HANDLE key)
{
    if (key != nullptr) ZwClose(key);
}

// Removes parent\name, which must have no subkeys left.
void delete_key(HANDLE parent, const wchar_t* name)
{
    HANDLE key = open_key(parent, name, false, DELETE);
    if (key == nullptr) return;
    ZwDeleteKey(key);
    ZwClose(key);
}

bool set_value(HANDLE key, const wchar_t* name, ULONG type, const void* data, ULONG size)
{
    UNICODE_STRING value;
    RtlInitUnicodeString(&value, name);
    return NT_SUCCESS(ZwSetValueKey(key, &value, 0, type, const_cast<void*>(data), size));
}

// "5&KAVSIM&0&<i>": the instances list in the configured order (i < 16, so
// the letters sort as the numbers do).
void instance_name(int index, WCHAR (&name)[16])
{
    const wchar_t prefix[] = L"5&KAVSIM&0&";
    ULONG at = 0;
    while (prefix[at] != 0) {
        name[at] = prefix[at];
        ++at;
    }
    name[at++] = static_cast<WCHAR>(index < 10 ? L'0' + index : L'A' + index - 10);
    name[at] = 0;
}

bool add_instance(HANDLE adapters, int index, ULONG port)
{
    WCHAR name[16];
    instance_name(index, name);
    HANDLE instance = open_key(adapters, name, true, KEY_ALL_ACCESS);
    HANDLE control = open_key(instance, L"Control", true, KEY_ALL_ACCESS);
    HANDLE parameters = open_key(instance, L"Device Parameters", true, KEY_ALL_ACCESS);
    // Only the reference's presence counts; the system stores a number.
    const ULONG reference = 0x8A5C3E20u + static_cast<ULONG>(index);
    // REG_SZ: the name with its terminating zero (the buffer starts zeroed).
    WCHAR port_buffer[12] = {};
    UNICODE_STRING port_name;
    SIM_NumberedName(&port_name, port_buffer, sizeof port_buffer - sizeof(WCHAR), L"COM", port);
    const ULONG port_bytes = port_name.Length + sizeof(WCHAR);
    const bool written = instance != nullptr && control != nullptr && parameters != nullptr &&
                         set_value(control, L"DeviceReference", REG_DWORD, &reference, sizeof reference) &&
                         set_value(parameters, L"PortName", REG_SZ, port_buffer, port_bytes);
    close_key(parameters);
    close_key(control);
    close_key(instance);
    SIM_Print("adapter %d on COM%lu%s\n", index, port, written ? "" : ": registry write failed");
    return written;
}

} // namespace

int ADAPTER_AddInstances(PUNICODE_STRING registry_path)
{
    char text[128];
    kav::sim::SerialPortList ports;
    if (!SIM_ReadText(registry_path, kav::sim::kAdapterPortsValue, text, sizeof text)) return 0;
    if (!kav::sim::parse_port_list(text, ports)) {
        SIM_Print("AdapterPorts \"%s\" is no port list: no adapters\n", text);
        return 0;
    }
    if (ports.count == 0) return 0;
    HANDLE enum_key = open_key(nullptr, kEnumKey, false, KEY_ALL_ACCESS);
    HANDLE usb = open_key(enum_key, L"USB", true, KEY_ALL_ACCESS, &g_adapters.MadeUsbKey);
    HANDLE adapters = open_key(usb, L"Vid_067b&Pid_2303", true, KEY_ALL_ACCESS, &g_adapters.MadeAdapterKey);
    int written = 0;
    if (adapters != nullptr) {
        for (int i = 0; i < ports.count; ++i) {
            // Counted even when half written, so unload removes what there is.
            g_adapters.Instances = i + 1;
            if (add_instance(adapters, i, ports.numbers[i])) ++written;
        }
    } else {
        SIM_Print("no adapter key under Enum\\USB\n");
    }
    close_key(adapters);
    close_key(usb);
    close_key(enum_key);
    return written;
}

void ADAPTER_RemoveInstances()
{
    HANDLE enum_key = open_key(nullptr, kEnumKey, false, KEY_ALL_ACCESS);
    HANDLE usb = open_key(enum_key, L"USB", false, KEY_ALL_ACCESS);
    HANDLE adapters = open_key(usb, L"Vid_067b&Pid_2303", false, KEY_ALL_ACCESS);
    if (adapters != nullptr) {
        for (int i = 0; i < g_adapters.Instances; ++i) {
            WCHAR name[16];
            instance_name(i, name);
            HANDLE instance = open_key(adapters, name, false, KEY_ALL_ACCESS);
            if (instance == nullptr) continue;
            delete_key(instance, L"Control");
            delete_key(instance, L"Device Parameters");
            ZwClose(instance);
            delete_key(adapters, name);
        }
    }
    close_key(adapters);
    if (g_adapters.MadeAdapterKey && usb != nullptr) delete_key(usb, L"Vid_067b&Pid_2303");
    close_key(usb);
    if (g_adapters.MadeUsbKey && enum_key != nullptr) delete_key(enum_key, L"USB");
    close_key(enum_key);
    g_adapters = ADAPTER_STATE{};
}
