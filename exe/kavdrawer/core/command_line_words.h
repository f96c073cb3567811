// A program's command line split into its arguments by the C runtime's
// rules, so the tool reads its wide command line (converted to UTF-8) as the
// runtime would have split its ANSI one:
// - blanks and tabs part arguments, except inside double quotes;
// - 2n backslashes before a quote give n backslashes, the quote opens or
//   closes quoting; 2n+1 give n backslashes and a literal quote; backslashes
//   before anything else are kept as they are;
// - inside quotes, "" is a literal quote and quoting goes on;
// - the program's name ends at the next quote when it starts with one,
//   otherwise at the first blank, with no backslash rule.
// Bytes above 0x7F are passed as they are, so UTF-8 text splits whole.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kav::cli {

// The arguments after the program's name.
std::vector<std::string> command_line_arguments(std::string_view command_line);

} // namespace kav::cli
