#include "platform/hex.h"

namespace zelvane {

namespace {

std::wstring InDigits(const wchar_t (&digitOf)[17], std::uint32_t value, std::size_t digits) {
    std::wstring reversed;
    do {
        reversed += digitOf[value & 15];
        value >>= 4;
    } while (value != 0 || reversed.size() < digits);
    return std::wstring(reversed.rbegin(), reversed.rend());
}

}  // namespace

std::wstring Hex(std::uint32_t value, std::size_t digits) {
    return InDigits(L"0123456789abcdef", value, digits);
}

std::wstring UpperHex(std::uint32_t value, std::size_t digits) {
    return InDigits(L"0123456789ABCDEF", value, digits);
}

}  // namespace zelvane
