// The auto.ini reading rule: whatever the profile call writes into the
// 80-blank buffer and whatever count it reports, each value is the buffer as
// the call left it, cut to that count and trimmed of blanks at both ends;
// worked out here from what the fake wrote. Also: every key is asked of the
// program directory's auto.ini with the default "Default".
#include "auto_ini.h"
#include "fuzz_input.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void check(bool fact)
{
    if (!fact) std::abort();
}

class FuzzedProfile final : public kav::gui::SystemServices {
public:
    explicit FuzzedProfile(kav::fuzz::Input& in) : in_(in) {}
    uint32_t system_directory(char*, uint32_t) override { return 0; }
    kav::gui::LibraryHandle load_library(const char*) override { return kav::gui::kNoLibrary; }
    int32_t free_library(kav::gui::LibraryHandle) override { return 0; }
    kav::drawers::LibraryLoad bind_library(kav::drawers::Library&) override { return {}; }
    uint32_t profile_string(const char* section, const char* key, const char* default_value, char* buffer,
                            uint32_t size, const char* path) override
    {
        check(section != nullptr && key != nullptr && buffer != nullptr);
        check(std::strcmp(default_value, "Default") == 0 && std::strcmp(path, "C:\\till\\auto.ini") == 0);
        check(size == 80 && std::string(buffer, size) == std::string(80, ' ')); // 80 blanks to write into
        asked = std::string(section) + "/" + key;
        // Writes within the buffer and reports at most size - 1, as the system does.
        in_.bytes(reinterpret_cast<uint8_t*>(buffer), in_.byte() % (size + 1));
        left = std::string(buffer, size);
        reported = in_.u16() % size;
        return reported;
    }
    bool file_exists(const std::string&) override { return true; }
    std::string program_directory() override { return "C:\\till"; }

    std::string asked; // the last section/key read
    std::string left;  // the buffer as the last call left it
    uint32_t reported = 0; // and the count it reported

private:
    kav::fuzz::Input& in_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kav::gui;
    kav::fuzz::Input in(data, size);
    FuzzedProfile profile(in);
    const std::string path = auto_ini_path(profile);
    for (const IniKey key : {kAutoKey, kBoardKey, kLoopTypeKey, kIntervalKey, kCountTimeKey, kShowPassFailKey}) {
        const std::string value = read_ini_value(profile, path, key);
        check(profile.asked == std::string(key.section) + "/" + key.key);
        std::string expected = profile.left.substr(0, profile.reported);
        while (!expected.empty() && expected.back() == ' ') expected.pop_back();
        while (!expected.empty() && expected.front() == ' ') expected.erase(0, 1);
        check(value == expected);
    }
    return 0;
}
