// Force-included wherever GoogleTest is compiled for Windows. GoogleTest's own
// Notification is built on std::mutex, which mingw-w64's default "win32" thread
// model does not provide; this one spins on an atomic flag instead. GoogleTest
// uses it only to start the threads of its own thread tests.
#pragma once
#ifdef __cplusplus
#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { notified_.store(true, std::memory_order_release); }

    void WaitForNotification()
    {
        while (!notified_.load(std::memory_order_acquire)) __builtin_ia32_pause();
    }

private:
    std::atomic<bool> notified_{false};
};

} // namespace testing::internal
#endif
