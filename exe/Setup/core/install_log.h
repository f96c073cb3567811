// The installer's console and its log "c:\log": a sequence of zero-terminated
// lines, each the same text the console showed.
#pragma once
#include "setup_system.h"

namespace kav::setup {

inline constexpr char kLogPath[] = "c:\\log";

// Prints the text and writes it, with its terminating zero, to the log.
void report(SetupSystem& system, const char* text);

// The end of a failed step: reported, the log closed, then the user's Enter.
void report_and_end(SetupSystem& system, const char* text);

} // namespace kav::setup
