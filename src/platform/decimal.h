#pragma once

#include <string>

namespace zelvane {

// A whole number in decimal digits, "-" first when negative. std::to_wstring would do the
// same through the C library's wide printf, which brings its whole floating-point
// formatter into the program (some 25 KB of the exe) for a few integers.
std::wstring Decimal(long long value);

}  // namespace zelvane
