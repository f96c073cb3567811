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

ToolRun run_tool(const std::string& arguments, DWORD timeout_ms = 60000);

// A JSON object of one line, its members by name with their values as JSON
// text ("\"open\"", "3", "true", "[...]"); nothing if the text is not one
// well-formed object.
std::optional<std::map<std::string, std::string>> parse_json_object(const std::string& text);
// A JSON string value without its quotes and escapes.
std::string json_text(const std::string& value);

} // namespace kavcli
