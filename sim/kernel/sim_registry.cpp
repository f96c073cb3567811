// Reads the harness's values under the driver's service key.
#include "sim_kernel.h"

namespace {

// A value's data, at most size bytes of it; false if missing or longer.
bool read_value(PUNICODE_STRING registry_path, const wchar_t* name, ULONG type, UCHAR* data, ULONG size,
                ULONG* length)
{
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, registry_path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, nullptr,
                               nullptr);
    HANDLE key = nullptr;
    if (!NT_SUCCESS(ZwOpenKey(&key, KEY_READ, &attributes))) return false;

    UNICODE_STRING value_name;
    RtlInitUnicodeString(&value_name, name);
    // The partial record's header and the data, on the stack: values here are short.
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR bytes[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + 256];
    } record;
    ULONG returned = 0;
    const NTSTATUS status =
        ZwQueryValueKey(key, &value_name, KeyValuePartialInformation, &record, sizeof record, &returned);
    ZwClose(key);
    if (!NT_SUCCESS(status) || record.info.Type != type || record.info.DataLength > size) return false;
    RtlCopyMemory(data, record.info.Data, record.info.DataLength);
    *length = record.info.DataLength;
    return true;
}

} // namespace

bool SIM_ReadText(PUNICODE_STRING registry_path, const wchar_t* name, char* text, ULONG size)
{
    WCHAR wide[128];
    ULONG length = 0;
    if (size == 0 || !read_value(registry_path, name, REG_SZ, reinterpret_cast<UCHAR*>(wide), sizeof wide, &length))
        return false;
    ULONG out = 0;
    for (ULONG i = 0; i < length / sizeof(WCHAR) && wide[i] != 0 && out + 1 < size; ++i) {
        // Port lists are plain ASCII; anything else makes the list unreadable.
        text[out++] = wide[i] < 0x80 ? static_cast<char>(wide[i]) : '?';
    }
    text[out] = '\0';
    return true;
}

bool SIM_ReadNumber(PUNICODE_STRING registry_path, const wchar_t* name, ULONG* value)
{
    ULONG data = 0;
    ULONG length = 0;
    if (!read_value(registry_path, name, REG_DWORD, reinterpret_cast<UCHAR*>(&data), sizeof data, &length) ||
        length != sizeof data)
        return false;
    *value = data;
    return true;
}
