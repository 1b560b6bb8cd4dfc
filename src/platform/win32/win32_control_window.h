#pragma once

#include <windows.h>

#include "platform/form_geometry.h"

namespace zelvane {

// Makes the window of one control (not of a timer) as a child of the form, in pixels.
// The child window id is the control's id. Returns null when the system cannot make it.
HWND CreateControlWindow(const ControlSpec& control, const RECT& bounds, HWND form,
                         HINSTANCE instance);

}  // namespace zelvane
