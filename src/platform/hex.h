#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelvane {

// A number in hexadecimal, zero-padded to at least `digits` digits: in lower case as
// `reg export` writes its data, and in upper case as the output's escapes name characters.
std::wstring Hex(std::uint32_t value, std::size_t digits);
std::wstring UpperHex(std::uint32_t value, std::size_t digits);

}  // namespace zelvane
