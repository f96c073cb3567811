// LoopTest.log on disk: each line appended with its own open and close, so
// that a run that ends the program abruptly still leaves every line written.
#pragma once
#include "run_log.h"

#include <string>

namespace kav::drawers {

class FileLogSink final : public LogSink {
public:
    explicit FileLogSink(std::string path) : path_(std::move(path)) {}
    std::string local_time() override;
    void append(const std::string& line) override;

private:
    std::string path_;
};

} // namespace kav::drawers
