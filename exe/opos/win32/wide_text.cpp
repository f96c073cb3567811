#include "wide_text.h"

#include <algorithm>

namespace kav::opos::win32 {

std::string utf8(const wchar_t* text, size_t units, size_t max_units)
{
    const int length = static_cast<int>(std::min(units, max_units));
    if (!text || length == 0) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::wstring utf16(const std::string& text)
{
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    if (units <= 0) return {};
    std::wstring out(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, out.data(), units);
    return out;
}

} // namespace kav::opos::win32
