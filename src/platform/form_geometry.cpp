#include "platform/form_geometry.h"

#include <cstddef>

#include "platform/twips.h"

namespace zelvane {

namespace {

constexpr int kEtchedLinePixels = 2;

const ControlSpec* Find(const FormSpec& form, int id) {
    for (const ControlSpec& control : form.controls) {
        if (control.id == id) return &control;
    }
    return nullptr;
}

}  // namespace

TwipRect FormRect(const FormSpec& form, const ControlSpec& control) {
    TwipRect rect = control.rect;
    // The layout is a tree; the bound guards against a parent id that loops.
    const ControlSpec* parent = Find(form, control.parent);
    for (std::size_t depth = 0; parent != nullptr && depth < form.controls.size(); ++depth) {
        rect.left += parent->rect.left;
        rect.top += parent->rect.top;
        parent = Find(form, parent->parent);
    }
    return rect;
}

PixelRect ControlPixels(const FormSpec& form, const ControlSpec& control, int dpi) {
    const TwipRect rect = FormRect(form, control);
    PixelRect pixels;
    pixels.left = TwipsToPixels(rect.left, dpi);
    pixels.top = TwipsToPixels(rect.top, dpi);
    pixels.right = pixels.left + TwipsToPixels(rect.width, dpi);
    pixels.bottom =
        pixels.top + (control.kind == ControlKind::kEtchedLine ? kEtchedLinePixels
                                                               : TwipsToPixels(rect.height, dpi));
    return pixels;
}

PixelSize OuterSize(const FormSpec& form, int dpi, PixelSize frame) {
    const int width = TwipsToPixels(form.clientWidth, dpi) + frame.width;
    const int height = form.outerHeight > 0 ? TwipsToPixels(form.outerHeight, dpi)
                                            : TwipsToPixels(form.clientHeight, dpi) + frame.height;
    return {width, height};
}

}  // namespace zelvane
