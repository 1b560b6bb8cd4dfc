#include "platform/decimal.h"

namespace zelvane {

std::wstring Decimal(long long value) {
    // The magnitude as unsigned, so that the most negative value has one too.
    unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    wchar_t digits[20];
    wchar_t* first = digits + 20;
    do {
        *--first = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    std::wstring text = value < 0 ? L"-" : L"";
    return text.append(first, digits + 20);
}

}  // namespace zelvane
