#pragma once

#include <string>
#include <string_view>

namespace zelvane {

// The text as the command line prints it: every character that could end or break an output
// line, pass for a field separator, or make the line read as other text than it holds is
// written as a visible escape, so that no key name can forge a line or a field, or pass for
// another name:
//   TAB, LF, CR               as \t, \n, \r
//   any other U+0000-U+001F,
//   U+007F-U+009F             as \x and two upper-case hex digits (\x1B, \x7F, \x85)
//   U+2028, U+2029 (line and paragraph separators), U+200E, U+200F (the directional marks),
//   U+202A-U+202E, U+2066-U+2069 (the directional embeddings, overrides and isolates),
//   U+FEFF (the byte-order mark), and a surrogate that is not half of a pair
//                             as \u and four upper-case hex digits (\u202E, \uD800)
// Everything else is written as it is. The backslash is not escaped: a key name, the text
// these escapes are for, cannot hold one, so an escape in a name is never ambiguous. A path
// may hold both a backslash and one of these characters, and then "\u202E" in it can be
// read either way.
std::wstring EscapedForOutput(std::wstring_view text);

}  // namespace zelvane
