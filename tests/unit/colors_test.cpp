#include <algorithm>

#include <gtest/gtest.h>

#include "about_window/about_layout.h"
#include "main_window/main_layout.h"
#include "platform/colors.h"
#include "platform/memory/memory_runtime.h"
#include "platform/memory/memory_strings.h"

namespace zelvane {
namespace {

const ControlSpec& Control(const FormSpec& form, int id) {
    return *std::find_if(form.controls.begin(), form.controls.end(),
                         [id](const ControlSpec& control) { return control.id == id; });
}

// The windows' designed greys and blues, and what high contrast makes of them: the system's
// own pair, or the system's link color for the About window's three links.
TEST(ColorsTest, HighContrastGivesTheDesignedColorsWayToTheSystems) {
    constexpr std::uint32_t kSystem = kSystemColor;
    struct Case {
        const FormSpec& form;
        int id;
        DrawnColors designed;
        DrawnColors contrast;
    };
    const MemoryStrings strings;
    const FormSpec main = MainLayout(strings);
    const FormSpec about = AboutLayout(strings);
    const Case cases[] = {
        {main, kUinBox, {0x404040, kSystem}, {kSystem, kSystem}},
        {main, kUinLabel, {0x400000, kSystem}, {kSystem, kSystem}},
        {main, kAccountList, {0x404040, 0xE0E0E0}, {kSystem, kSystem}},
        {main, kEraseButton, {kSystem, kSystem}, {kSystem, kSystem}},
        {about, kAuthorLabel, {0x800000, kSystem}, {kSystem, kSystem}},
        {about, kFirstEmailLink, {0x800000, kSystem}, {kLinkColor, kSystem}},
        {about, kSecondEmailLink, {0x800000, kSystem}, {kLinkColor, kSystem}},
        {about, kUinLink, {0x800000, kSystem}, {kLinkColor, kSystem}},
    };
    Faults faults;
    MemoryRuntime runtime(faults);
    for (const Case& test : cases) {
        const ControlSpec& control = Control(test.form, test.id);
        SCOPED_TRACE(std::string(control.name.begin(), control.name.end()));
        runtime.highContrast = false;
        const DrawnColors designed = ColorsOf(control, runtime);
        EXPECT_EQ(designed.fore, test.designed.fore);
        EXPECT_EQ(designed.back, test.designed.back);
        runtime.highContrast = true;
        const DrawnColors contrast = ColorsOf(control, runtime);
        EXPECT_EQ(contrast.fore, test.contrast.fore);
        EXPECT_EQ(contrast.back, test.contrast.back);
    }
}

}  // namespace
}  // namespace zelvane
