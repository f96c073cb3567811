// The tool's arguments as UTF-8, whatever the code page: read from the wide
// command line, so that a name the ANSI code page cannot write (CJK on a
// Western system) arrives whole; from the C runtime's ANSI arguments where
// the system keeps no wide command line (Windows 98).
#pragma once
#include <string>
#include <vector>

std::vector<std::string> utf8_arguments(int argc, char** argv);
