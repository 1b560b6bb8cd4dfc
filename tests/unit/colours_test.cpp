#include <gtest/gtest.h>

#include "about_window/about_layout.h"
#include "main_window/main_layout.h"
#include "platform/colours.h"
#include "platform/memory/memory_runtime.h"

namespace zelvane {
namespace {

// High contrast replaces every fixed colour of both windows with the system's: links with
// the system's link colour, everything else with the control's own pair.
TEST(ColoursTest, HighContrastDrawsEveryControlInTheSystemsColours) {
    Faults faults;
    MemoryRuntime runtime(faults);
    int links = 0;
    int fixed = 0;
    for (const FormSpec* form : {&MainLayout(), &AboutLayout()}) {
        for (const ControlSpec& control : form->controls) {
            SCOPED_TRACE(std::string(control.name.begin(), control.name.end()));
            runtime.highContrast = false;
            const DrawnColours own = ColoursOf(control, runtime);
            EXPECT_EQ(own.fore, control.foreColour);
            EXPECT_EQ(own.back, control.backColour);
            fixed += control.foreColour != kSystemColour || control.backColour != kSystemColour;

            runtime.highContrast = true;
            const DrawnColours contrast = ColoursOf(control, runtime);
            EXPECT_EQ(contrast.fore, control.clickable ? kLinkColour : kSystemColour);
            EXPECT_EQ(contrast.back, kSystemColour);
            links += control.clickable;
        }
    }
    EXPECT_EQ(links, 3);
    EXPECT_GE(fixed, 6);  // the text box, the label, the list, the author and the links
}

}  // namespace
}  // namespace zelvane
