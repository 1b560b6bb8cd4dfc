#pragma once

#include <cstdint>

#include "platform/form_layout.h"
#include "platform/runtime.h"

namespace zelvane {

// COLOR_HOTLIGHT, the system's colour for links, as an OLE system colour.
constexpr std::uint32_t kLinkColour = 0x80000000u | 26u;

// The colours a control is drawn in, in the OLE form; kSystemColour leaves the control's
// own. With high contrast on, the layout's fixed greys and blues give way to the system's
// pairs, which the user chose to be readable: links take the system's link colour.
struct DrawnColours {
    std::uint32_t fore = kSystemColour;
    std::uint32_t back = kSystemColour;
};
DrawnColours ColoursOf(const ControlSpec& control, const Runtime& runtime);

}  // namespace zelvane
