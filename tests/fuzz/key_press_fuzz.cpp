// Typed characters: whatever is typed, only digits and codes up to the space go in, and
// what goes in is unchanged.
#include <cstdlib>

#include "main_window/frm_main.h"
#include "main_window/main_layout.h"
#include "platform/memory/memory_form.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_runtime.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelvane;
    Faults faults;
    MemoryRuntime runtime{faults};
    MemoryRegistry registry{faults};
    MemoryForm form{faults, "frmMain", 1755};
    MemoryTextBox text{faults, "txtUIN"};
    MemoryListBox list{faults, "List1"};
    MemoryButton button{faults, "Command1"};
    MemoryTimer up{faults, "up"}, down{faults, "down"};
    frmMain main{{form, text, list, button, up, down}, runtime, registry, nullptr};

    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const auto typed = static_cast<std::int16_t>(data[i] | (data[i + 1] << 8));
        std::int16_t key = typed;
        main.KeyPress(kTxtUIN, key);
        if (key != 0 && key != typed) std::abort();
        if (key != 0 && key > ' ' && (key < '0' || key > '9')) std::abort();
    }
    return 0;
}
