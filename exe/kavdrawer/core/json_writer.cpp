#include "json_writer.h"

#include <cstdio>

namespace kav::cli {
namespace {

// The length of the well-formed UTF-8 sequence at the start of text (no
// overlong form, no surrogate, nothing above U+10FFFF); 0 if there is none.
size_t utf8_sequence(std::string_view text)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(0);
    size_t length = 0;
    unsigned low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    if (length == 0 || text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

} // namespace

std::string json_string(std::string_view text)
{
    std::string out = "\"";
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (static_cast<unsigned char>(c) >= 0x80) {
            const size_t length = utf8_sequence(text.substr(at));
            if (length == 0) {
                out += "\\ufffd";
            } else {
                out += text.substr(at, length);
                at += length - 1;
            }
            continue;
        }
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
