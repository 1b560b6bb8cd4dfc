#include "platform/colours.h"

namespace zelvane {

DrawnColours ColoursOf(const ControlSpec& control, const Runtime& runtime) {
    if (!runtime.HighContrast()) return {control.foreColour, control.backColour};
    if (control.clickable) return {kLinkColour, kSystemColour};
    return {};
}

}  // namespace zelvane
