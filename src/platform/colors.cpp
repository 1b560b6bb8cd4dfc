#include "platform/colors.h"

namespace zelvane {

DrawnColors ColorsOf(const ControlSpec& control, const Runtime& runtime) {
    if (!runtime.HighContrast()) return {control.foreColor, control.backColor};
    if (control.clickable) return {kLinkColor, kSystemColor};
    return {};
}

}  // namespace zelvane
