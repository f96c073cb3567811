// A second program that reads a board drawer's status through tillio.dll as
// fast as it can, as a monitor would: the other side of the contention the
// library's concurrency test puts on the driver's one handle. It signals the
// event named by its first argument after its first call, stops when the
// event named by its second argument is set, and prints how its calls went.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) return 2;
    HMODULE library = LoadLibraryA("tillio.dll");
    using StatusFn = int(__stdcall*)(const char*, int);
    auto status =
        reinterpret_cast<StatusFn>(reinterpret_cast<void*>(GetProcAddress(library, "Bastra8613GetCashDrawerStatus")));
    HANDLE started = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
    HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
    if (status == nullptr || started == nullptr || stop == nullptr) return 3;

    long calls = 0, failures = 0;
    do {
        failures += status("\\\\.\\KAV_cash", 13) < 0;
        if (++calls == 1) SetEvent(started);
    } while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT);
    std::printf("status poller: %ld calls, %ld failed\n", calls, failures);
    return 0;
}
