#include "install_log.h"

#include <string.h>

namespace kav::setup {

void report(SetupSystem& system, const char* text)
{
    system.print(text);
    // A log that cannot be written never stops the install: the console has it.
    (void)system.write_log(text, strlen(text) + 1);
}

void report_and_end(SetupSystem& system, const char* text)
{
    report(system, text);
    system.close_log();
    system.wait_for_key();
}

} // namespace kav::setup
