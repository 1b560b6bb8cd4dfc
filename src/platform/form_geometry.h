#pragma once

#include "platform/form_layout.h"

namespace zelvane {

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct PixelSize {
    int width = 0;
    int height = 0;
};

// The control's rectangle in the form's client area, in twips: its own offset plus the
// offsets of the frames that contain it. Frames contain controls only in the layout; every
// control window is a child of the form itself, because a group box does not pass its
// children's notifications on.
TwipRect FormRect(const FormSpec& form, const ControlSpec& control);

// The control's window in the form's client area, in pixels at the DPI. Its width and
// height are rounded apart from its position, so that controls of one size in the layout
// keep one size on the screen wherever they stand. An etched line is two pixels high, a
// grey one and a white one, whatever its height in the layout.
PixelRect ControlPixels(const FormSpec& form, const ControlSpec& control, int dpi);

// The form's outer size in pixels at the DPI, given what the system's frame (borders and
// caption) adds to the client area's width and height at that DPI. A layout that gives an
// outer height starts at that height instead.
PixelSize OuterSize(const FormSpec& form, int dpi, PixelSize frame);

}  // namespace zelvane
