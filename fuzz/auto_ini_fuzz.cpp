// The auto.ini reading rule: whatever the profile call writes into the
// 80-blank buffer and whatever count it reports, each value is read within
// the buffer, trimmed, and checked the way start-up checks it.
#include "auto_ini.h"
#include "catalogue.h"
#include "fuzz_input.h"
#include "number_rules.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

class FuzzedProfile final : public kav::gui::SystemServices {
public:
    explicit FuzzedProfile(kav::fuzz::Input& in) : in_(in) {}
    uint32_t system_directory(char*, uint32_t) override { return 0; }
    kav::gui::LibraryHandle load_library(const char*) override { return kav::gui::kNoLibrary; }
    int32_t free_library(kav::gui::LibraryHandle) override { return 0; }
    kav::drawers::LibraryLoad bind_library(kav::drawers::Library&) override { return {}; }
    uint32_t profile_string(const char*, const char*, const char*, char* buffer, uint32_t size, const char*) override
    {
        // Writes within the buffer and reports at most size - 1, as the system does.
        const size_t wrote = in_.bytes(reinterpret_cast<uint8_t*>(buffer), in_.byte() % (size + 1));
        (void)wrote;
        return in_.u16() % size;
    }
    bool file_exists(const std::string&) override { return true; }
    std::string program_directory() override { return "C:\\till"; }

private:
    kav::fuzz::Input& in_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kav::gui;
    using namespace kav::drawers;
    kav::fuzz::Input in(data, size);
    FuzzedProfile profile(in);
    const std::string path = auto_ini_path(profile);
    for (const IniKey key : {kAutoKey, kBoardKey, kLoopTypeKey, kIntervalKey, kCountTimeKey, kShowPassFailKey}) {
        const std::string value = read_ini_value(profile, path, key);
        if (value.size() >= kIniBufferSize) std::abort(); // at most 79 characters
        if (!value.empty() && (value.front() == ' ' || value.back() == ' ')) std::abort(); // trimmed
        (void)std::find(kBoardTypes.begin(), kBoardTypes.end(), value);
        (void)round_to_int32(leading_number(value));
    }
    return 0;
}
