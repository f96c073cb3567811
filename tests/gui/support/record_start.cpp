// A stand-in for the browser: records how it was started (its command line
// and the window state it was asked for) in C:\kav_gui\browser_starts.txt,
// one line per start, and ends.
#include <windows.h>

#include <cstdio>

int main()
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    if (FILE* file = std::fopen("C:\\kav_gui\\browser_starts.txt", "a")) {
        std::fprintf(file, "%s\tshow=%d\n", GetCommandLineA(), show);
        std::fclose(file);
    }
    return 0;
}
