// Imports comctl32.dll, a DLL that is not a KnownDLL, for the import check to refuse.
#include <windows.h>

#include <commctrl.h>

int main() {
    InitCommonControls();
    return 0;
}
