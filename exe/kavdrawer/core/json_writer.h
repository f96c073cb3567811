// One JSON object on one line, for scripts that collect the tool's results.
// Keys keep the order they were added in.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kav::cli {

class JsonObject {
public:
    JsonObject& text(std::string_view key, std::string_view value);
    JsonObject& number(std::string_view key, int64_t value);
    // Three decimals: milliseconds shown as seconds.
    JsonObject& seconds(std::string_view key, int64_t milliseconds);
    JsonObject& flag(std::string_view key, bool value);
    // value is JSON already (an array or object).
    JsonObject& raw(std::string_view key, std::string_view value);
    std::string str() const { return "{" + body_ + "}"; }

private:
    void key(std::string_view name);
    std::string body_;
};

// Milliseconds as seconds with three decimals: 1500 gives "1.500".
std::string seconds_text(int64_t milliseconds);

std::string json_array(const std::vector<std::string>& elements);
// The text as a JSON string, quotes included; control characters escaped,
// UTF-8 passed as it is and any byte that is not well-formed UTF-8 written as
// U+FFFD, so that every line is valid JSON in UTF-8.
std::string json_string(std::string_view text);

} // namespace kav::cli
