#include "system_text.h"

#include <windows.h>

namespace kav::drawers {
namespace {

std::wstring wide_of(UINT code_page, std::string_view text)
{
    if (text.empty() || text.size() > 0x7FFFFFFF) return {};
    const int length = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(code_page, 0, text.data(), length, nullptr, 0);
    if (units <= 0) return {};
    std::wstring out(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(code_page, 0, text.data(), length, out.data(), units);
    return out;
}

std::string narrow_of(UINT code_page, std::wstring_view text)
{
    if (text.empty() || text.size() > 0x7FFFFFFF) return {};
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(code_page, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(code_page, 0, text.data(), length, out.data(), bytes, nullptr, nullptr);
    return out;
}

} // namespace

std::wstring utf16_of(std::string_view utf8) { return wide_of(CP_UTF8, utf8); }

std::string utf8_of(std::wstring_view utf16) { return narrow_of(CP_UTF8, utf16); }

std::string ansi_of(std::string_view utf8) { return narrow_of(CP_ACP, utf16_of(utf8)); }

std::string utf8_of_ansi(std::string_view ansi) { return utf8_of(wide_of(CP_ACP, ansi)); }

} // namespace kav::drawers
