// LoopTest.log on disk: each line appended with its own open and close, so
// that a run that ends the program abruptly still leaves every line written.
#pragma once
#include "run_log.h"

#include <string>

namespace kav::drawers {

// How the log's path is written: in the ANSI code page (a folder the
// system named) or in UTF-8 (a name the user gave on a wide command line).
enum class PathText { Ansi, Utf8 };

class FileLogSink final : public LogSink {
public:
    explicit FileLogSink(std::string path, PathText text = PathText::Ansi) : path_(std::move(path)), text_(text) {}
    std::string local_time() override;
    void append(const std::string& line) override;

private:
    std::string path_;
    PathText text_;
};

} // namespace kav::drawers
