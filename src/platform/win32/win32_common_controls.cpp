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

Loaded Load() {
    Loaded loaded;
    const HMODULE library = LoadSideBySideLibrary(L"comctl32.dll");
    if (library == nullptr) {
        loaded.problem = L"the Windows common controls (comctl32.dll) could not be loaded.";
        return loaded;
    }
    CommonControlsApi& api = loaded.api;
    FunctionFinder find(library);
    find.Find(api.InitCommonControlsEx, "InitCommonControlsEx");
    find.Find(api.SetWindowSubclass, "SetWindowSubclass");
    find.Find(api.RemoveWindowSubclass, "RemoveWindowSubclass");
    find.Find(api.DefSubclassProc, "DefSubclassProc");
    if (const char* missing = find.Missing()) {
        loaded.problem = L"the Windows common controls (comctl32.dll) have no ";
        loaded.problem.append(missing, missing + std::strlen(missing));
        loaded.problem += L'.';
    }
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
