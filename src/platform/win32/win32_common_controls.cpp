#include "platform/win32/win32_common_controls.h"

#include <cstring>

#include "platform/runtime_error.h"
#include "platform/win32/win32_dll_safety.h"

namespace zelvane {

namespace {

struct Loaded {
    CommonControlsApi api = {};
    std::wstring problem;  // empty once every function was found
};

template <typename Function>
void Find(HMODULE library, const char* name, Function& function, std::wstring& problem) {
    function = FindFunction<Function>(library, name);
    if (function == nullptr && problem.empty()) {
        problem = L"the Windows common controls (comctl32.dll) have no ";
        problem.append(name, name + std::strlen(name));
        problem += L'.';
    }
}

Loaded Load() {
    Loaded loaded;
    const HMODULE library = LoadSideBySideLibrary(L"comctl32.dll");
    if (library == nullptr) {
        loaded.problem = L"the Windows common controls (comctl32.dll) could not be loaded.";
        return loaded;
    }
    CommonControlsApi& api = loaded.api;
    Find(library, "InitCommonControlsEx", api.InitCommonControlsEx, loaded.problem);
    Find(library, "SetWindowSubclass", api.SetWindowSubclass, loaded.problem);
    Find(library, "RemoveWindowSubclass", api.RemoveWindowSubclass, loaded.problem);
    Find(library, "DefSubclassProc", api.DefSubclassProc, loaded.problem);
    return loaded;
}

}  // namespace

const CommonControlsApi* LoadCommonControls(std::wstring* problem) {
    static const Loaded loaded = Load();
    if (!loaded.problem.empty()) {
        if (problem != nullptr) *problem = loaded.problem;
        return nullptr;
    }
    return &loaded.api;
}

const CommonControlsApi& CommonControls() {
    const CommonControlsApi* api = LoadCommonControls();
    if (api == nullptr) throw RuntimeError::ObjectRequired();
    return *api;
}

}  // namespace zelvane
