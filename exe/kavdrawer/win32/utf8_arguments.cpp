#include "utf8_arguments.h"

#include "command_line_words.h"
#include "system_text.h"

#include <windows.h>

std::vector<std::string> utf8_arguments(int argc, char** argv)
{
    const wchar_t* wide = GetCommandLineW();
    if (wide != nullptr && wide[0] != L'\0') return kav::cli::command_line_arguments(kav::drawers::utf8_of(wide));
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(kav::drawers::utf8_of_ansi(argv[i]));
    return arguments;
}
