// Whatever reaches the text box, Erase deletes nothing but one direct subkey of NewOwners.
#include <cstdlib>

#include "expected_places.h"
#include "fuzz_text.h"
#include "memory_program.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelvane;
    MemoryProgram window;
    for (const ExpectedPlace& place : kExpectedPlaces) {
        const std::wstring parent(place.parent);
        window.registry.SetValue(place.hive, parent + L"\\123456\\Sub", L"v", L"1", place.view);
        window.registry.SetValue(place.hive, parent, L"Parent", L"kept", place.view);
    }

    const std::wstring uin = FuzzText(data, size);
    window.uinBox.text = uin;
    window.runtime.answers = {kAnswerYes};
    window.main.OnEraseClick();

    // Each delete names one direct subkey of its place's NewOwners key, in the places'
    // order, and that subkey is the text exactly.
    const auto& deleted = window.registry.deletePaths;
    if (!deleted.empty() && deleted.size() != std::size(kExpectedPlaces)) std::abort();
    for (std::size_t i = 0; i < deleted.size(); ++i) {
        const std::wstring prefix = std::wstring(kExpectedPlaces[i].parent) + L"\\";
        if (deleted[i].size() <= prefix.size() || deleted[i].rfind(prefix, 0) != 0) std::abort();
        const std::wstring name = deleted[i].substr(prefix.size());
        if (name != uin || name.find_first_of(std::wstring(L"\\\0", 2)) != name.npos) std::abort();
    }
    // A text is refused only when it is empty or holds a backslash or a NUL.
    const bool acceptable = !uin.empty() && uin.find_first_of(std::wstring(L"\\\0", 2)) == uin.npos;
    if (acceptable != !deleted.empty()) std::abort();

    // Every parent key and its value are still there, and so is the account unless it was
    // the one named.
    for (const ExpectedPlace& place : kExpectedPlaces) {
        const std::wstring parent(place.parent);
        if (!window.registry.Exists(place.hive, parent, place.view)) std::abort();
        if (uin != L"123456" &&
            !window.registry.Exists(place.hive, parent + L"\\123456", place.view)) {
            std::abort();
        }
    }
    if (window.registry.Export().find(L"Parent=kept") == std::wstring::npos) std::abort();
    return 0;
}
