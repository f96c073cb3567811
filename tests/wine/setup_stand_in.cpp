// Stands in for the utility's installer (GUI\setup.exe) in the driver
// installer's tests: records that it ran, and with which command line, in
// "ran.txt" beside itself.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char**)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    char* slash = strrchr(path, '\\');
    if (slash == nullptr || static_cast<size_t>(slash - path) + 9 >= MAX_PATH) return 1;
    strcpy(slash + 1, "ran.txt");
    FILE* record = fopen(path, "wb");
    if (record == nullptr) return 1;
    fprintf(record, "arguments=%d\ncommand line=%s\n", argc - 1, GetCommandLineA());
    fclose(record);
    return 0;
}
