// A run log's sink that keeps its lines, every one stamped with one time.
#pragma once
#include "run_log.h"

#include <string>
#include <vector>

namespace kav::drawers::testing {

class MemoryLogSink final : public LogSink {
public:
    explicit MemoryLogSink(std::string time) : time_(std::move(time)) {}
    std::vector<std::string> lines;
    std::string local_time() override { return time_; }
    void append(const std::string& line) override { lines.push_back(line); }

private:
    std::string time_;
};

} // namespace kav::drawers::testing
