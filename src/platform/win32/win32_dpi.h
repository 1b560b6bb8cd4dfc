#pragma once

#include <windows.h>

namespace zelvane {

// Dots per inch that the window is drawn at: its monitor's when the system can tell,
// otherwise the screen's.
int WindowDpi(HWND window);

}  // namespace zelvane
