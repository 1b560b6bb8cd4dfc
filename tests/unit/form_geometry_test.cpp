#include "platform/form_geometry.h"

#include <gtest/gtest.h>

namespace zelvane {
namespace {

constexpr int kOuter = 1;
constexpr int kInner = 2;
constexpr int kFirst = 3;
constexpr int kSecond = 4;
constexpr int kLine = 5;

FormSpec NestedForm() {
    return {.clientWidth = 2010,
            .clientHeight = 1425,
            .controls = {
                {.id = kOuter, .kind = ControlKind::kFrame, .rect = {120, 120, 1800, 1200}},
                {.id = kInner, .kind = ControlKind::kFrame, .parent = kOuter, .rect = {60, 240}},
                {.id = kFirst, .parent = kInner, .rect = {0, 0, 378, 378}},
                {.id = kSecond, .parent = kInner, .rect = {6, 400, 378, 378}},
                {.id = kLine,
                 .kind = ControlKind::kEtchedLine,
                 .parent = kOuter,
                 .rect = {120, 690, 1600, 300}},
            }};
}

// Nested frames place a control by the sum of their offsets, and its size is rounded on
// its own: two controls of one size in the layout are one size on the screen even where
// their edges would round apart (at 120 DPI the second one's left edge rounds up).
TEST(FormGeometryTest, ControlsKeepTheirSizeAndFramesAddTheirOffsets) {
    const FormSpec form = NestedForm();
    const PixelRect first = ControlPixels(form, form.controls[2], 96);
    EXPECT_EQ(first.left, 12);  // 180 twips
    EXPECT_EQ(first.top, 24);   // 360 twips
    EXPECT_EQ(first.right - first.left, 25);
    for (const int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(dpi);
        const PixelRect a = ControlPixels(form, form.controls[2], dpi);
        const PixelRect b = ControlPixels(form, form.controls[3], dpi);
        EXPECT_EQ(b.right - b.left, a.right - a.left);
        EXPECT_EQ(b.bottom - b.top, a.bottom - a.top);
        // The etched line is its grey and white pixel rows whatever the layout says.
        const PixelRect line = ControlPixels(form, form.controls[4], dpi);
        EXPECT_EQ(line.bottom - line.top, 2);
    }
}

// The frame is what the system adds at that DPI, in pixels, to the rounded client area; a
// starting outer height replaces the height, frame and all.
TEST(FormGeometryTest, OuterSizeAddsTheFrameToTheRoundedClientArea) {
    FormSpec form = NestedForm();
    const PixelSize size = OuterSize(form, 120, {8, 31});
    EXPECT_EQ(size.width, 168 + 8);    // 2010 twips are 167.5 pixels
    EXPECT_EQ(size.height, 119 + 31);  // 1425 twips are 118.75
    EXPECT_EQ(OuterSize(form, 96, {6, 25}).height, 95 + 25);

    form.outerHeight = 1500;
    EXPECT_EQ(OuterSize(form, 120, {8, 31}).height, 125);
    EXPECT_EQ(OuterSize(form, 120, {8, 31}).width, 176);
}

}  // namespace
}  // namespace zelvane
