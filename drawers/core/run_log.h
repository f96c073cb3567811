// LoopTest.log: every loop-test run appended to a plain-text file in the
// program's directory, so that an unattended run leaves a record after the
// program has ended. One line per event, a local timestamp first:
//   2026-12-10 05:55:01 run started: VOLX-8613, Count, interval 1 sec, count 3
//   2026-12-10 05:55:02 tick 1: VOLX-8613, DeviceControl(12) = 0
//   2026-12-10 05:55:04 run ended: completed
// A log that cannot be written never stops or changes the run.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace kav::drawers {

inline constexpr const char* kRunLogName = "\\LoopTest.log"; // appended to the program directory

// A library call and its result as the log and the console tool write it:
// "DeviceControl(12) = 0".
std::string call_text(std::string_view function, int32_t argument, int32_t result);

class LogSink {
public:
    // The local time as "YYYY-MM-DD HH:MM:SS".
    virtual std::string local_time() = 0;
    // Appends one line (the newline is added here); failures are swallowed.
    virtual void append(const std::string& line) = 0;

protected:
    LogSink() = default;
    LogSink(const LogSink&) = default;
    LogSink& operator=(const LogSink&) = default;
    ~LogSink() = default;
};

class RunLog {
public:
    explicit RunLog(LogSink& sink) : sink_(sink) {}

    // The four settings as the run took them.
    void started(const std::string& board, const std::string& loop_type, const std::string& interval,
                 const std::string& count_or_time);
    // What the tick did, e.g. "DeviceControl(12) = 0".
    void tick(int number, const std::string& board, const std::string& action);
    // "completed", "Keyin Error", the failure message shown, "cancelled",
    // "PASS" or "FAIL". Only the first end of a run is written.
    void ended(const std::string& how);
    bool running() const { return running_; }

private:
    void write(const std::string& event);

    LogSink& sink_;
    bool running_ = false;
};

} // namespace kav::drawers
