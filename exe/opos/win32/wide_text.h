// UTF-8 (the core's strings) to UTF-16 (BSTRs, registry and object names)
// and back.
#pragma once
#include <windows.h>

#include <string>

namespace kav::opos::win32 {

// At most max_units UTF-16 units are converted: beyond any limit the service
// object keeps, a longer text is refused all the same.
std::string utf8(const wchar_t* text, size_t units, size_t max_units = 1u << 20);
std::wstring utf16(const std::string& text);

} // namespace kav::opos::win32
