// Runs kavdrawer.exe (beside the test program) as a script would: its exit
// code, standard output and standard error, and how long it took.
#pragma once
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kavcli {

struct ToolRun {
    DWORD exit_code = 0xFFFFFFFF;
    std::string out;
    std::string err;
    DWORD elapsed_ms = 0;
    std::vector<std::string> out_lines() const;
};

// arguments in UTF-8; the tool gets them as its wide command line.
ToolRun run_tool(const std::string& arguments, DWORD timeout_ms = 60000);

// The tool started now and waited for later, for a test that acts on the
// drawer meanwhile.
class ToolProcess {
public:
    explicit ToolProcess(const std::string& arguments);
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;
    // Waits up to timeout_ms (then ends it, exit code 0xDEAD).
    ToolRun finish(DWORD timeout_ms = 60000);

private:
    std::string exe_, out_path_, err_path_;
    HANDLE out_ = INVALID_HANDLE_VALUE, err_ = INVALID_HANDLE_VALUE;
    PROCESS_INFORMATION process_{};
    DWORD start_ = 0;
    DWORD create_error_ = 0;
    bool finished_ = false;
};

std::wstring wide(const std::string& utf8);

// A JSON object of one line, its members by name with their values as JSON
// text ("\"open\"", "3", "true", "[...]"); nothing if the text is not one
// well-formed object, its strings well-formed UTF-8.
std::optional<std::map<std::string, std::string>> parse_json_object(const std::string& text);
// A JSON string value without its quotes and escapes.
std::string json_text(const std::string& value);

} // namespace kavcli
