#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zelvane {

// The fuzzer's bytes as UTF-16 text, two bytes a character, little-endian.
inline std::wstring FuzzText(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    }
    return text;
}

}  // namespace zelvane
