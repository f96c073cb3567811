#include "win32_platform.h"

#include "claim_mutex.h"
#include "statistics_file.h"
#include "system_text.h"
#include "win32_threads.h"

#include <windows.h>

namespace kav::opos::win32 {
namespace {

// A drawer name is short; a longer value is a misconfiguration.
constexpr DWORD kMaxDrawerValueBytes = 256 * sizeof(wchar_t);
// 100 ns intervals from 1601 to 1970.
constexpr int64_t kUnixEpochIn100Ns = 116444736000000000;

class RegistryKey {
public:
    RegistryKey(HKEY parent, const std::wstring& path)
    {
        if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~RegistryKey()
    {
        if (key_) RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

} // namespace

std::unique_ptr<Monitor> Win32Platform::make_monitor()
{
    return std::make_unique<Win32Monitor>();
}

std::unique_ptr<Worker> Win32Platform::make_worker()
{
    return std::make_unique<Win32Worker>();
}

DeviceLookup Win32Platform::find_device(std::string_view device_name)
{
    RegistryKey device(HKEY_LOCAL_MACHINE, std::wstring(kCashDrawerKey) + L"\\" + drawers::utf16_of(device_name));
    if (!device.get()) return {DeviceLookup::Result::NoDevice, ""};
    wchar_t value[kMaxDrawerValueBytes / sizeof(wchar_t) + 1] = {};
    DWORD type = 0;
    DWORD size = kMaxDrawerValueBytes;
    if (RegQueryValueExW(device.get(), L"Drawer", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return {DeviceLookup::Result::NoDrawerValue, ""};
    }
    // The stored string need not end in a zero, nor hold a whole character.
    size_t units = size / sizeof(wchar_t);
    while (units > 0 && value[units - 1] == L'\0') --units;
    return {DeviceLookup::Result::Found, drawers::utf8_of(std::wstring_view(value, units))};
}

std::unique_ptr<ClaimArbiter> Win32Platform::claim_arbiter(std::string_view device_name)
{
    return std::make_unique<ClaimMutex>(std::string(device_name));
}

std::unique_ptr<StatisticsStore> Win32Platform::statistics_store(std::string_view device_name)
{
    return std::make_unique<StatisticsFile>(std::string(device_name));
}

int64_t Win32Platform::now_ms()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER count;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    // Split so the product cannot overflow after long uptimes.
    const int64_t seconds = count.QuadPart / frequency.QuadPart;
    const int64_t rest = count.QuadPart % frequency.QuadPart;
    return seconds * 1000 + rest * 1000 / frequency.QuadPart;
}

int64_t Win32Platform::wall_ms()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const int64_t ticks = (static_cast<int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return (ticks - kUnixEpochIn100Ns) / 10000;
}

void Win32Platform::beep(int32_t frequency_hz, int32_t duration_ms)
{
    // Beep returns early where no sounder answers (and under Wine): the
    // rhythm keeps the tone's length all the same.
    const int64_t start = now_ms();
    Beep(static_cast<DWORD>(frequency_hz), static_cast<DWORD>(duration_ms));
    const int64_t left = duration_ms - (now_ms() - start);
    if (left > 0) Sleep(static_cast<DWORD>(left));
}

} // namespace kav::opos::win32
