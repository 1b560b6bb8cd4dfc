#pragma once

#include <string>
#include <string_view>

namespace zelvane {

// The text as the command line prints it: every character that could end or break an output
// line, or pass for a field separator, is written as a visible escape, so that no name can
// forge a line or a field: TAB, LF and CR as \t, \n and \r; any other U+0000-U+001F and
// U+007F-U+009F as \x and two upper-case hex digits; U+2028 and U+2029 as \u2028 and \u2029.
// Everything else is written as it is.
std::wstring EscapedForOutput(std::wstring_view text);

}  // namespace zelvane
