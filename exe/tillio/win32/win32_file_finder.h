// FileFinder over FindFirstFileA and FindClose. No decisions here.
#pragma once
#include "file_finder.h"

namespace kav::tillio {

class Win32FileFinder final : public FileFinder {
public:
    constexpr Win32FileFinder() = default;

    SearchHandle find_first(const char* path) override;
    bool close(SearchHandle search) override;
};

} // namespace kav::tillio
