#pragma once

#include <string>
#include <string_view>

namespace zelvane {

// The text as the command line prints it: every character that could end or break an output
// line, or pass for a field separator, is written as a visible escape, so that no key name
// can forge a line or a field:
//   TAB, LF, CR               as \t, \n, \r
//   any other U+0000-U+001F,
//   U+007F-U+009F             as \x and two upper-case hex digits (\x1B, \x7F, \x85)
//   U+2028, U+2029            as \u2028, \u2029
// Everything else is written as it is. The backslash is not escaped: no printed text that
// may hold one of these characters can hold a backslash (a key name cannot; Windows paths
// and account names hold no control characters), so an escape is never ambiguous.
std::wstring EscapedForOutput(std::wstring_view text);

}  // namespace zelvane
