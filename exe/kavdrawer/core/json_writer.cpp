#include "json_writer.h"

#include <cstdio>

namespace kav::cli {

std::string json_string(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

void JsonObject::key(std::string_view name)
{
    if (!body_.empty()) body_ += ",";
    body_ += json_string(name) + ":";
}

JsonObject& JsonObject::text(std::string_view name, std::string_view value)
{
    key(name);
    body_ += json_string(value);
    return *this;
}

JsonObject& JsonObject::number(std::string_view name, int64_t value)
{
    key(name);
    body_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::seconds(std::string_view name, int64_t milliseconds)
{
    key(name);
    body_ += seconds_text(milliseconds);
    return *this;
}

JsonObject& JsonObject::flag(std::string_view name, bool value)
{
    key(name);
    body_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::raw(std::string_view name, std::string_view value)
{
    key(name);
    body_ += value;
    return *this;
}

std::string seconds_text(int64_t milliseconds)
{
    const char* sign = milliseconds < 0 ? "-" : "";
    const uint64_t magnitude =
        milliseconds < 0 ? 0 - static_cast<uint64_t>(milliseconds) : static_cast<uint64_t>(milliseconds);
    char value[40];
    std::snprintf(value, sizeof value, "%s%llu.%03llu", sign, static_cast<unsigned long long>(magnitude / 1000),
                  static_cast<unsigned long long>(magnitude % 1000));
    return value;
}

std::string json_array(const std::vector<std::string>& elements)
{
    std::string out = "[";
    for (size_t i = 0; i < elements.size(); ++i) out += (i ? "," : "") + elements[i];
    return out + "]";
}

} // namespace kav::cli
