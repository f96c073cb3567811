#include "opos_wine_support.h"

#include "control_object_stand_in.h"

#include <fstream>
#include <iterator>

namespace kav::opos::wine {
namespace {

constexpr const wchar_t* kClassKey = L"SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer";

void set_string(HKEY key, const wchar_t* name, const std::wstring& value)
{
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

} // namespace

std::wstring beside_this_program(const std::wstring& file)
{
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path = self;
    return path.substr(0, path.find_last_of(L'\\') + 1) + file;
}

RunningProcess::RunningProcess(const std::wstring& command_line)
{
    wchar_t directory[MAX_PATH];
    wchar_t path[MAX_PATH];
    GetTempPathW(MAX_PATH, directory);
    GetTempFileNameW(directory, L"kso", 0, path);
    path_ = path;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS, 0,
                             nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process{};
    std::wstring command = command_line;
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        process_ = process.hProcess;
    }
    CloseHandle(out);
}

RunningProcess::~RunningProcess()
{
    if (process_) finish(0);
    DeleteFileW(path_.c_str());
}

std::string RunningProcess::output() const
{
    std::ifstream in(path_.c_str(), std::ios::binary);
    std::string text;
    // Text-mode output ends its lines in "\r\n": compared as "\n".
    for (std::istreambuf_iterator<char> at(in), end; at != end; ++at) {
        if (*at != '\r') text += *at;
    }
    return text;
}

bool RunningProcess::wait_for_output(const std::string& text, DWORD timeout_ms)
{
    const DWORD start = GetTickCount();
    while (output().find(text) == std::string::npos) {
        if (GetTickCount() - start >= timeout_ms) return false;
        Sleep(20);
    }
    return true;
}

ProcessRun RunningProcess::finish(DWORD timeout_ms)
{
    ProcessRun result;
    result.exit_code = ~0u;
    if (process_) {
        if (WaitForSingleObject(process_, timeout_ms) == WAIT_OBJECT_0) {
            GetExitCodeProcess(process_, &result.exit_code);
        } else {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
        process_ = nullptr;
    }
    result.out = output();
    return result;
}

ProcessRun run_process(const std::wstring& command_line, DWORD timeout_ms)
{
    return RunningProcess(command_line).finish(timeout_ms);
}

std::wstring statistic(StandInControlObject& co, const std::wstring& name)
{
    std::wstring xml = name;
    if (co.RetrieveStatistics(xml) != 0) return L"?";
    const size_t start = xml.find(L"<Value>");
    const size_t end = xml.find(L"</Value>");
    if (start == std::wstring::npos || end == std::wstring::npos || end < start) return L"?";
    return xml.substr(start + 7, end - start - 7);
}

DWORD regsvr32(bool unregister)
{
    return run_process(std::wstring(L"regsvr32.exe /s ") + (unregister ? L"/u " : L"") + L"\"" + beside_this_program(kDllName) +
               L"\"")
        .exit_code;
}

void add_device(const DeviceEntry& device)
{
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kClassKey) + L"\\" + device.name).c_str(), 0, nullptr, 0,
                    KEY_WRITE, nullptr, &key, nullptr);
    if (!key) return;
    if (device.progid) set_string(key, nullptr, *device.progid);
    if (device.drawer) set_string(key, L"Drawer", *device.drawer);
    if (device.drawer_dword) {
        RegSetValueExW(key, L"Drawer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*device.drawer_dword),
                       sizeof(DWORD));
    }
    RegCloseKey(key);
}

void add_alias(const std::wstring& alias, const std::wstring& physical)
{
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kClassKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (!key) return;
    set_string(key, alias.c_str(), physical);
    RegCloseKey(key);
}

void remove_device(const std::wstring& name)
{
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (std::wstring(kClassKey) + L"\\" + name).c_str());
}

std::optional<std::wstring> class_value(const std::wstring& path, const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    wchar_t value[MAX_PATH * 2] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    const LONG status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return std::wstring();
    return std::wstring(value);
}

RawServiceObject::RawServiceObject()
{
    CLSID clsid;
    if (FAILED(last_hr_ = CLSIDFromProgID(kProgId, &clsid))) return;
    last_hr_ = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object_));
    if (FAILED(last_hr_)) object_ = nullptr;
}

RawServiceObject::~RawServiceObject()
{
    if (object_) release();
}

ULONG RawServiceObject::release()
{
    const ULONG left = object_->Release();
    object_ = nullptr;
    return left;
}

std::optional<LONG> RawServiceObject::call(const wchar_t* name, std::vector<VARIANT> arguments)
{
    std::wstring copy = name;
    LPOLESTR names[] = {copy.data()};
    DISPID dispid;
    std::optional<LONG> result;
    if (SUCCEEDED(last_hr_ = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispid))) {
        std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
        DISPPARAMS parameters = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                                 static_cast<UINT>(reversed.size()), 0};
        VARIANT out;
        VariantInit(&out);
        last_hr_ = object_->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, &out, nullptr,
                                   nullptr);
        if (last_hr_ == S_OK && V_VT(&out) == VT_I4) result = V_I4(&out);
        VariantClear(&out);
    }
    for (VARIANT& argument : arguments) {
        if (!(V_VT(&argument) & VT_BYREF)) VariantClear(&argument);
    }
    return result;
}

} // namespace kav::opos::wine
