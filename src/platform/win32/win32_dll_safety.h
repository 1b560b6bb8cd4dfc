// Keeps DLLs out of the program that lie beside the exe (a Downloads folder, say) rather
// than in the system folder. The elevated instance starts from the same folder, so a DLL
// planted there would otherwise run with administrator rights.
#pragma once

#include <windows.h>

namespace zelvane {

// The first thing the program does: restricts the DLL search to the system folder where
// Windows can, and loads from the system folder by full path the DLLs that Windows itself
// loads by name on demand for what the program does.
void ProtectDllSearch();

// A DLL from the system folder by full path; nullptr when it is not there.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A system DLL that the manifest redirects to the side-by-side store (the common controls'
// version 6): by name, since a full path would bypass the redirection, which the loader
// applies before it searches any folder; where the search is restricted, the system folder
// is then the only one searched.
HMODULE LoadSideBySideLibrary(const wchar_t* name);

// A function of a DLL the program has loaded, looked up at run time so that the exe imports
// nothing newer than the oldest Windows it runs on; nullptr when the DLL (or the function)
// is not there.
template <typename Function>
Function FindFunction(HMODULE library, const char* name) {
    if (library == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// Fills a table of a DLL's functions one by one, and keeps the name of the first one the DLL
// lacks: a table is whole when Missing() is nullptr.
class FunctionFinder {
  public:
    explicit FunctionFinder(HMODULE library) : library_(library) {}

    template <typename Function>
    void Find(Function& function, const char* name) {
        function = reinterpret_cast<Function>(Address(name));
    }
    const char* Missing() const { return missing_; }

  private:
    void (*Address(const char* name))();

    HMODULE library_;
    const char* missing_ = nullptr;
};

}  // namespace zelvane
