// What the service object's Wine tests share: registering the DLL with
// regsvr32, logical devices in the registry, a second process, and the
// service object reached without a control object.
#pragma once
#include <oaidl.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace kav::opos::wine {

inline constexpr const wchar_t* kDllName = L"KAV_CashDrawer_SO.dll";
inline constexpr const wchar_t* kProgId = L"KAV.CashDrawer.SO";
inline constexpr const wchar_t* kClsid = L"{E4BFA6F8-33FF-4681-9C87-B84E1A367A69}";

std::wstring beside_this_program(const std::wstring& file);

struct ProcessRun {
    DWORD exit_code = 0;
    std::string out;
};
// A process started and left to run, its output captured in a file that can
// be read while it runs; lines end in "\n".
class RunningProcess {
public:
    explicit RunningProcess(const std::wstring& command_line);
    // Ends it if finish was never called.
    ~RunningProcess();
    RunningProcess(const RunningProcess&) = delete;
    RunningProcess& operator=(const RunningProcess&) = delete;
    bool started() const { return process_ != nullptr; }
    std::string output() const;
    // Whether the output holds text within timeout_ms.
    bool wait_for_output(const std::string& text, DWORD timeout_ms);
    // Waits for it (at most timeout_ms, then ends it); exit_code is ~0 if it
    // could not start or did not end.
    ProcessRun finish(DWORD timeout_ms = 60000);

private:
    std::wstring path_;
    HANDLE process_ = nullptr;
};

// Runs a command line and waits for it (at most timeout_ms).
ProcessRun run_process(const std::wstring& command_line, DWORD timeout_ms = 60000);

class StandInControlObject;
// One statistic's value as RetrieveStatistics reports it, "?" if it did not.
std::wstring statistic(StandInControlObject& co, const std::wstring& name);

// regsvr32 /s [/u] on the service object beside this program: its exit code.
DWORD regsvr32(bool unregister);

// A logical device under HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\CashDrawer.
struct DeviceEntry {
    std::wstring name;
    std::optional<std::wstring> progid;            // the (Default) value
    std::optional<std::wstring> drawer;            // Drawer as REG_SZ
    std::optional<DWORD> drawer_dword;             // Drawer as REG_DWORD instead
};
void add_device(const DeviceEntry& device);
void add_alias(const std::wstring& alias, const std::wstring& physical);
void remove_device(const std::wstring& name);

// Whether HKEY_CLASSES_ROOT\path exists, and its value name ("" the default).
std::optional<std::wstring> class_value(const std::wstring& path, const wchar_t* name = nullptr);

// The service object by its ProgID, called by name as a control object would.
class RawServiceObject {
public:
    RawServiceObject();
    ~RawServiceObject();
    RawServiceObject(const RawServiceObject&) = delete;
    RawServiceObject& operator=(const RawServiceObject&) = delete;
    bool created() const { return object_ != nullptr; }
    // The method's LONG result; nothing if the name or the Invoke failed.
    std::optional<LONG> call(const wchar_t* name, std::vector<VARIANT> arguments);
    HRESULT last_hr() const { return last_hr_; }
    // Releases our reference: what Release returned.
    ULONG release();

private:
    IDispatch* object_ = nullptr;
    HRESULT last_hr_ = S_OK;
};

} // namespace kav::opos::wine
