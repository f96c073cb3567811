#include "command_line_words.h"

namespace kav::cli {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

} // namespace

std::vector<std::string> command_line_arguments(std::string_view line)
{
    size_t at = 0;
    if (at < line.size() && line[at] == '"') {
        const size_t close = line.find('"', at + 1);
        at = close == std::string_view::npos ? line.size() : close + 1;
    }
    while (at < line.size() && !is_blank(line[at])) ++at;

    std::vector<std::string> arguments;
    for (;;) {
        while (at < line.size() && is_blank(line[at])) ++at;
        if (at >= line.size()) return arguments;
        std::string argument;
        bool quoted = false;
        while (at < line.size() && (quoted || !is_blank(line[at]))) {
            if (line[at] == '\\') {
                size_t backslashes = 0;
                while (at < line.size() && line[at] == '\\') ++backslashes, ++at;
                if (at < line.size() && line[at] == '"') {
                    argument.append(backslashes / 2, '\\');
                    if (backslashes % 2 == 1) argument += '"', ++at;
                } else {
                    argument.append(backslashes, '\\');
                }
            } else if (line[at] == '"') {
                if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
                    argument += '"';
                    at += 2;
                } else {
                    quoted = !quoted;
                    ++at;
                }
            } else {
                argument += line[at++];
            }
        }
        arguments.push_back(std::move(argument));
    }
}

} // namespace kav::cli
