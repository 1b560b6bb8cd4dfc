#pragma once

#include <cstdint>

#include "platform/form_layout.h"
#include "platform/runtime.h"

namespace zelvane {

// COLOR_HOTLIGHT, the system's color for links, as an OLE system color.
constexpr std::uint32_t kLinkColor = 0x80000000u | 26u;

// The colors a control is drawn in, in the OLE form; kSystemColor leaves the control's
// own. With high contrast on, the layout's fixed greys and blues give way to the system's
// pairs, which the user chose to be readable: links take the system's link color.
struct DrawnColors {
    std::uint32_t fore = kSystemColor;
    std::uint32_t back = kSystemColor;
};
DrawnColors ColorsOf(const ControlSpec& control, const Runtime& runtime);

}  // namespace zelvane
