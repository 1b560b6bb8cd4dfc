#pragma once

namespace zelvane {

constexpr int kTwipsPerInch = 1440;

// Pixels for a length in twips at the given DPI, rounded to the nearest pixel.
int TwipsToPixels(double twips, int dpi);
double PixelsToTwips(int pixels, int dpi);

// The window's outer height in pixels for a step to a height in twips: the nearest whole
// pixel, except that a request that differs from the current height always moves the
// window at least one pixel towards it, so that small steps never stall. Only for steps:
// a set that must land on a height (the end of an animation) takes the nearest pixel,
// which this rule would push a pixel past when the current height is already nearest.
int HeightToPixels(float twips, int dpi, int currentPixels);

}  // namespace zelvane
