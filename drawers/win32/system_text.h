// Text between the library's strings and the system's: UTF-8 (what a front
// end read from a wide command line) to and from UTF-16 and the ANSI code
// page. Text that does not convert gives an empty string; a character the
// code page lacks becomes its default character ('?').
#pragma once
#include <string>
#include <string_view>

namespace kav::drawers {

std::wstring utf16_of(std::string_view utf8);
std::string utf8_of(std::wstring_view utf16);
std::string ansi_of(std::string_view utf8);
std::string utf8_of_ansi(std::string_view ansi);

} // namespace kav::drawers
