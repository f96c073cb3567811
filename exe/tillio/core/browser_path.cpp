#include "browser_path.h"

#include <string.h>

namespace kav::tillio {

int32_t browser_command(FileFinder& finder, char* out)
{
    if (out == nullptr) return kBrowserNotFound;
    char work[kBrowserCommandSize] = {};
    for (char letter = 'c'; letter <= 'z'; ++letter) {
        out[0] = '\0';
        work[0] = letter;
        memcpy(work + 1, kBrowserPathTail, sizeof kBrowserPathTail);

        const SearchHandle search = finder.find_first(work);
        if (search == kNoSearch) continue;
        if (!finder.close(search)) return kBrowserNotFound;

        // Both fit: kBrowserCommandLength is checked against the buffer size.
        const size_t path_length = 1 + (sizeof kBrowserPathTail - 1);
        work[path_length] = ' ';
        memcpy(work + path_length + 1, kMakerAddress, sizeof kMakerAddress);
        memcpy(out, work, kBrowserCommandLength);
        return kBrowserFound;
    }
    return kBrowserNotFound;
}

} // namespace kav::tillio
