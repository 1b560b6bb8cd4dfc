// Typed characters: only digits and codes up to the space go in, and what goes in is
// unchanged.
#include <cstdlib>

#include "main_window/main_layout.h"
#include "memory_program.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zelvane::MemoryProgram window;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto typed = static_cast<std::int16_t>(data[i] | (data[i + 1] << 8));
        std::int16_t key = typed;
        window.main.KeyPress(zelvane::kUinBox, key);
        if (key != 0 && key != typed) std::abort();
        if (key != 0 && key > ' ' && (key < '0' || key > '9')) std::abort();
    }
    return 0;
}
