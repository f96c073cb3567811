#include "wine_test_support.h"

#include "wine_service_control.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

namespace kavwine {

bool on_wine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeout_ms) return false;
        Sleep(20);
    }
}

std::string beside_this_program(const std::string& file)
{
    char self[MAX_PATH] = "";
    if (GetModuleFileNameA(nullptr, self, MAX_PATH) == 0) return "";
    const std::string path = self;
    return path.substr(0, path.find_last_of('\\') + 1) + file;
}

void known_wine_difference(const char* what)
{
    std::printf("known Wine difference: %s\n", what);
    ::testing::Test::RecordProperty("known_wine_difference", what);
}

OpenResult open_device()
{
    HANDLE h = CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    return {h, h == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS};
}

TraceLog::TraceLog()
{
    if (const char* p = std::getenv("KAV_WINE_TRACE_LOG")) path_ = p;
}

size_t TraceLog::mark() const { return all().size(); }

std::string TraceLog::since(size_t mark) const
{
    std::ifstream in(path_, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return mark < text.size() ? text.substr(mark) : std::string();
}

std::string TraceLog::wait_for(size_t mark, const std::string& message, int count, DWORD timeout_ms) const
{
    std::string text;
    wait_until(
        [&] {
            text = since(mark);
            return count_lines(text, message) >= static_cast<size_t>(count);
        },
        timeout_ms);
    return text;
}

std::string driver_line(const std::string& message) { return std::string(kServiceName) + ": " + message + "\n"; }

bool has_line(const std::string& text, const std::string& message)
{
    return text.find(driver_line(message)) != std::string::npos;
}

size_t count_lines(const std::string& text, const std::string& message)
{
    const std::string line = driver_line(message);
    size_t n = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
    return n;
}

bool has_line_starting(const std::string& text, const std::string& message_start)
{
    return text.find(std::string(kServiceName) + ": " + message_start) != std::string::npos;
}

std::string first_out_of_order(const std::string& text, const std::vector<std::string>& messages)
{
    size_t at = 0;
    for (const std::string& message : messages) {
        size_t found = text.find(driver_line(message), at);
        if (found == std::string::npos) return message;
        at = found + 1;
    }
    return {};
}

void DriverStoppedTest::SetUp()
{
    ASSERT_TRUE(trace_.available()) << "KAV_WINE_TRACE_LOG is not set: run under the Wine harness";
    before_stop_ = trace_.mark();
    ASSERT_EQ(stop_service(kServiceName), 0u) << "stopping the driver's service";
}

void DriverStoppedTest::TearDown()
{
    EXPECT_EQ(start_service(kServiceName), 0u) << "starting the driver's service again";
    EXPECT_EQ(wait_for_dos_device(kServiceName), 0u) << "the driver's device again";
    OpenResult reopened = open_device();
    Handle h(reopened.handle);
    EXPECT_TRUE(h.valid()) << "the device opens again after the restart, error " << reopened.error;
}

bool set_wine_version_for(const char* exe_name, const char* version)
{
    const std::string key = std::string("Software\\Wine\\AppDefaults\\") + exe_name;
    if (version == nullptr) return RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str()) == ERROR_SUCCESS;
    HKEY hkey = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hkey, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const LONG set = RegSetValueExA(hkey, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                                    static_cast<DWORD>(std::strlen(version) + 1));
    RegCloseKey(hkey);
    return set == ERROR_SUCCESS;
}

bool hklm_key_exists(const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

Thread::Thread(std::function<void()> body) : body_(std::move(body))
{
    handle_ = CreateThread(nullptr, 0, &Thread::run, this, 0, nullptr);
}

void Thread::join()
{
    if (handle_ == nullptr) return;
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
    handle_ = nullptr;
}

DWORD WINAPI Thread::run(void* self)
{
    static_cast<Thread*>(self)->body_();
    return 0;
}

} // namespace kavwine
