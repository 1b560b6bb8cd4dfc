#include <gtest/gtest.h>

#include "about_window/about_layout.h"
#include "main_window/main_layout.h"
#include "platform/colors.h"
#include "platform/memory/memory_runtime.h"

namespace zelvane {
namespace {

// High contrast replaces every fixed color of both windows with the system's: links with
// the system's link color, everything else with the control's own pair.
TEST(ColorsTest, HighContrastDrawsEveryControlInTheSystemsColors) {
    Faults faults;
    MemoryRuntime runtime(faults);
    int links = 0;
    int fixed = 0;
    for (const FormSpec* form : {&MainLayout(), &AboutLayout()}) {
        for (const ControlSpec& control : form->controls) {
            SCOPED_TRACE(std::string(control.name.begin(), control.name.end()));
            runtime.highContrast = false;
            const DrawnColors own = ColorsOf(control, runtime);
            EXPECT_EQ(own.fore, control.foreColor);
            EXPECT_EQ(own.back, control.backColor);
            fixed += control.foreColor != kSystemColor || control.backColor != kSystemColor;

            runtime.highContrast = true;
            const DrawnColors contrast = ColorsOf(control, runtime);
            EXPECT_EQ(contrast.fore, control.clickable ? kLinkColor : kSystemColor);
            EXPECT_EQ(contrast.back, kSystemColor);
            links += control.clickable;
        }
    }
    EXPECT_EQ(links, 3);
    EXPECT_GE(fixed, 6);  // the text box, the label, the list, the author and the links
}

}  // namespace
}  // namespace zelvane
