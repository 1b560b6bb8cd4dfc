// Whatever reaches the text box, Erase deletes nothing but one direct subkey of NewOwners.
#include <cstdlib>

#include "fuzz_text.h"
#include "main_window/account_path.h"
#include "main_window/frm_main.h"
#include "platform/memory/memory_form.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_runtime.h"

namespace zelvane {
namespace {

// Checks every path that reaches a delete before handing it on.
class CheckedRegistry : public MemoryRegistry {
  public:
    using MemoryRegistry::MemoryRegistry;

    long DeleteTree(std::int32_t root, const std::string& path, RegistryView view) override {
        const AccountPlace* place = nullptr;
        for (const AccountPlace& candidate : kAccountPlaces) {
            if (candidate.hive == root) place = &candidate;
        }
        if (!place || place->view != view) std::abort();
        const std::string prefix(place->prefix.begin(), place->prefix.end());
        if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) {
            std::abort();
        }
        const std::string name = path.substr(prefix.size());
        if (name.find('\\') != name.npos || name.find('\0') != name.npos) std::abort();
        return MemoryRegistry::DeleteTree(root, path, view);
    }
};

}  // namespace
}  // namespace zelvane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zelvane;
    Faults faults;
    MemoryRuntime runtime{faults};
    CheckedRegistry registry{faults};
    MemoryForm form{faults, "frmMain", 1755};
    MemoryTextBox text{faults, "txtUIN"};
    MemoryListBox list{faults, "List1"};
    MemoryButton button{faults, "Command1"};
    MemoryTimer up{faults, "up"}, down{faults, "down"};
    frmMain main{{form, text, list, button, up, down}, runtime, registry, nullptr};

    for (const AccountPlace& place : kAccountPlaces) {
        const std::string parent = runtime.StrToAnsi(place.prefix).bytes;
        registry.SetValue(place.hive, parent + "123456\\Sub", "v", "1", place.view);
        registry.SetValue(place.hive, parent, "Parent", "kept", place.view);
    }

    text.text = FuzzText(data, size);
    runtime.answers = {vbYes};
    main.cmdDelete_Click();

    // Every parent key, its value and the account beside the erased one are still there.
    for (const AccountPlace& place : kAccountPlaces) {
        const std::string parent = runtime.StrToAnsi(place.prefix).bytes;
        if (!registry.Exists(place.hive, parent, place.view)) std::abort();
        if (text.text != L"123456" && !registry.Exists(place.hive, parent + "123456", place.view)) {
            std::abort();
        }
    }
    if (registry.Export().find("Parent=kept") == std::string::npos) std::abort();
    return 0;
}
