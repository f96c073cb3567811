#include "server_registration.h"

#include "module_state.h"

#include <olectl.h>

#include <string>

namespace kav::opos::win32 {
namespace {

constexpr const wchar_t* kDescription = L"KAV OPOS CashDrawer service object";

HRESULT write_value(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value)
{
    HKEY key = nullptr;
    LONG status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                                  nullptr);
    if (status == ERROR_SUCCESS) {
        status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    return HRESULT_FROM_WIN32(status);
}

// RegDeleteTree is not in Windows XP.
LONG delete_tree(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    wchar_t child[256];
    for (;;) {
        DWORD length = 256;
        // Always the first: each one found is deleted before the next look.
        if (RegEnumKeyExW(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        status = delete_tree(key, child);
        if (status != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return status;
    return RegDeleteKeyW(root, path.c_str());
}

std::wstring read_default(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    wchar_t value[64] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    const LONG status = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? value : L"";
}

} // namespace

HRESULT register_server()
{
    wchar_t module[MAX_PATH * 2];
    const DWORD length = GetModuleFileNameW(this_module(), module, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) return SELFREG_E_CLASS;
    const std::wstring clsid_key = std::wstring(L"CLSID\\") + kServiceObjectClsidText;
    const std::wstring progid = kServiceObjectProgId;
    const struct {
        std::wstring path;
        const wchar_t* name;
        std::wstring value;
    } values[] = {
        {clsid_key, nullptr, kDescription},
        {clsid_key + L"\\InprocServer32", nullptr, module},
        {clsid_key + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {clsid_key + L"\\ProgID", nullptr, progid},
        {progid, nullptr, kDescription},
        {progid + L"\\CLSID", nullptr, kServiceObjectClsidText},
    };
    for (const auto& value : values) {
        const HRESULT hr = write_value(HKEY_CLASSES_ROOT, value.path, value.name, value.value);
        if (FAILED(hr)) {
            unregister_server(); // nothing half registered
            return hr;
        }
    }
    return S_OK;
}

HRESULT unregister_server()
{
    const std::wstring progid = kServiceObjectProgId;
    LONG status = ERROR_SUCCESS;
    if (read_default(HKEY_CLASSES_ROOT, progid + L"\\CLSID") == kServiceObjectClsidText) {
        status = delete_tree(HKEY_CLASSES_ROOT, progid);
    }
    const LONG clsid_status = delete_tree(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + kServiceObjectClsidText);
    return HRESULT_FROM_WIN32(status != ERROR_SUCCESS ? status : clsid_status);
}

} // namespace kav::opos::win32
