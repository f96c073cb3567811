// What the Wine test programs share: the device and service names, the
// driver's trace as the harness captures it, and marking of known Wine
// differences.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kavwine {

inline constexpr const char* kDevicePath = "\\\\.\\KAV_cash";
inline constexpr const char* kServiceName = "KAV_cash";
// A relative ImagePath does not load under Wine (error 1114); this form does.
inline constexpr const char* kWineImagePath = "\\SystemRoot\\system32\\drivers\\KAV_cash.sys";

inline constexpr DWORD kWaitMs = 15000;
// Polls condition every 20 ms until it holds or timeout_ms have passed.
bool wait_until(const std::function<bool()>& condition, DWORD timeout_ms = kWaitMs);

// The Windows path of a file in this program's own folder, "" if this
// program's own path is not known.
std::string beside_this_program(const std::string& file);

bool on_wine();

// Wine's per-program version setting (HKCU\Software\Wine\AppDefaults\<exe>,
// "Version"), the way a user makes one program see another Windows, such as
// "win98"; null removes it.
bool set_wine_version_for(const char* exe_name, const char* version);

// Whether HKEY_LOCAL_MACHINE\path exists (opened for reading only).
bool hklm_key_exists(const char* path);

// A DLL's export as the function type the caller knows it by.
template <typename Fn>
Fn export_of(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Records a place where Wine is known to behave unlike Windows, so the run's
// output says which expectation was swapped and why.
void known_wine_difference(const char* what);

class Handle {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    void close()
    {
        if (valid()) CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_;
};

// A thread of its own for body, joined at the latest when this goes away
// (this toolchain's C++ library has no std::thread).
class Thread {
public:
    explicit Thread(std::function<void()> body);
    ~Thread() { join(); }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    void join();

private:
    static DWORD WINAPI run(void* self);
    std::function<void()> body_;
    HANDLE handle_;
};

// CreateFile of the device as the library does it. The error is kept before
// anything else can overwrite it.
struct OpenResult {
    HANDLE handle;
    DWORD error;
};
OpenResult open_device();

// The driver's DbgPrint output, which the harness appends to the file named
// by KAV_WINE_TRACE_LOG. A mark taken before a request lets a test look at
// exactly the lines that request produced. A read, write or control request
// completes after its lines are written; Wine does not wait for the driver's
// answer to a create, so its lines may come later (wait_for).
class TraceLog {
public:
    TraceLog();
    bool available() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    size_t mark() const;
    std::string since(size_t mark) const;
    std::string all() const { return since(0); }
    // The text since mark once it holds count copies of the message's line,
    // or whatever is there after the timeout.
    std::string wait_for(size_t mark, const std::string& message, int count = 1, DWORD timeout_ms = 5000) const;

private:
    std::string path_;
};

// A trace line as the driver prints it: "KAV_cash: " + message.
std::string driver_line(const std::string& message);
bool has_line(const std::string& text, const std::string& message);
size_t count_lines(const std::string& text, const std::string& message);
// For lines that end in a measured value.
bool has_line_starting(const std::string& text, const std::string& message_start);
// The first message of messages that is missing or out of order, "" if none.
std::string first_out_of_order(const std::string& text, const std::vector<std::string>& messages);

// Cases run with the driver's service stopped; it is started again afterwards
// so that the other cases of the program find it as the harness left it.
class DriverStoppedTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    TraceLog trace_;
    size_t before_stop_ = 0;
};

} // namespace kavwine
