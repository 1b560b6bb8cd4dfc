#pragma once

#include <string>
#include <string_view>

namespace zelvane {

// The text as the command line prints it: every character that could end or break an output
// line, pass for a field separator, or make the line read as other text than it holds is
// written as a visible escape, so that no key name can forge a line or a field, or pass for
// another name. Those are the characters that print as nothing or reorder the text around
// them (kEscapedCodePoints: every default-ignorable code point and every character of the
// general categories Cc, Cf, Zl and Zp) and a surrogate that is not half of a pair:
//   TAB, LF, CR               as \t, \n, \r
//   the others up to U+009F   as \x and two upper-case hex digits (\x1B, \x7F, \x85)
//   the others up to U+FFFF,
//   and a lone surrogate      as \u and four upper-case hex digits (\u200B, \u202E, \uD800)
//   those above U+FFFF        as \U and eight upper-case hex digits (\U000E0001), the
//                             surrogate pair that holds one written as one escape
// Everything else is written as it is. The backslash is not escaped: a key name, the text
// these escapes are for, cannot hold one, so an escape in a name is never ambiguous. A path
// may hold both a backslash and one of these characters, and then "\u202E" in it can be
// read either way.
std::wstring EscapedForOutput(std::wstring_view text);

}  // namespace zelvane
