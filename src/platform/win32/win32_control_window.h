#pragma once

#include <windows.h>

#include "platform/form_layout.h"

namespace zelvane {

// The control's rectangle in the form's client area, in twips: its own offset plus the
// offsets of the frames that contain it. Frames contain controls only in the layout; every
// control window is a child of the form itself, because a group box does not pass its
// children's notifications on.
TwipRect FormRect(const FormSpec& form, const ControlSpec& control);

// Makes the window of one control (not of a timer) as a child of the form, in pixels.
// The child window id is the control's id. Returns null when the system cannot make it.
HWND CreateControlWindow(const ControlSpec& control, const RECT& bounds, HWND form,
                         HINSTANCE instance);

}  // namespace zelvane
