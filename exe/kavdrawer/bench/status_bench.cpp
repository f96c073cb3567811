// The cost of one `kavdrawer status <drawer>` without the process start: the
// tool's own path (command line read, drawer named, library call through the
// drawer library's binding, result mapped and printed to a console that drops it)
// against the bare library export it wraps, measured in the same run call by
// call, alternating, so that both see the same machine.
//
// Usage: kavdrawer_bench.exe [--calls N] [--drawer BOARD:N]
#include "commands.h"
#include "console_platform.h"
#include "kav_cash_device.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

class DroppingConsole final : public kav::cli::Console {
public:
    void out(const std::string& line) override { bytes += line.size(); }
    void err(const std::string& line) override { bytes += line.size(); }
    size_t bytes = 0;
};

double now_us()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1e6 / frequency;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    int calls = 2000;
    std::string drawer = "VOLX-8613:1";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--calls") == 0) calls = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--drawer") == 0) drawer = argv[i + 1];
    }

    const std::string_view arguments[] = {"status", drawer};
    const kav::cli::ParseResult first = kav::cli::parse_command_line(arguments);
    if (!first.invocation || first.invocation->drawer.kind != kav::drawers::DrawerKind::Board) {
        std::fprintf(stderr, "kavdrawer_bench: --drawer takes a board drawer, as in VOLX-8613:1\n");
        return 2;
    }
    const kav::drawers::DrawerAddress& target = first.invocation->drawer;
    const int32_t number = kav::drawers::command_number(target.board->status[target.number - 1], target.dio_base);

    ConsolePlatform platform;
    if (!platform.load().bound()) {
        std::fprintf(stderr, "kavdrawer_bench: tillio.dll did not load and bind\n");
        return 4;
    }
    // The bare call: the export by its own address, as a program written
    // against tillio.dll makes it.
    using StatusFn = int(TILLIO_CALL*)(const char*, int);
    const std::string export_name((platform.library().*target.board->status_export).name());
    const auto bare = reinterpret_cast<StatusFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(kav::drawers::kLibraryFile), export_name.c_str())));
    if (bare == nullptr) {
        std::fprintf(stderr, "kavdrawer_bench: %s not found\n", export_name.c_str());
        return 4;
    }

    DroppingConsole console;
    int tool_code = -1;
    int bare_result = -1;
    const auto tool_call = [&] {
        const kav::cli::ParseResult parse = kav::cli::parse_command_line(arguments);
        tool_code = kav::cli::run(*parse.invocation, platform, console);
    };
    const auto bare_call = [&] { bare_result = bare(kav::kDevicePath, number); };
    tool_call(); // the first call, as the program makes it

    // Each call timed on its own, the two paths alternating and taking turns
    // at going first: the medians shrug off what other processes do to a
    // few calls.
    std::vector<double> tool_us, bare_us;
    for (int i = 0; i < calls; ++i) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool tool_now = (turn == 0) == (i % 2 == 0);
            const double start = now_us();
            if (tool_now) tool_call();
            else bare_call();
            (tool_now ? tool_us : bare_us).push_back(now_us() - start);
        }
    }

    const double tool = median(tool_us);
    const double library = median(bare_us);
    std::printf("status %s: %d calls each way, median per call\n", drawer.c_str(), calls);
    std::printf("  %s(%d) bare:  %8.1f us  (result %d)\n", export_name.c_str(), number, library, bare_result);
    std::printf("  kavdrawer status path:            %8.1f us  (exit %d)\n", tool, tool_code);
    std::printf("  ratio tool / library: %.3f (target <= 1.10)\n", tool / library);
    return bare_result < 0 ? 4 : 0;
}
