#include "platform/twips.h"

#include <cmath>

namespace zelvane {

int TwipsToPixels(double twips, int dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

double PixelsToTwips(int pixels, int dpi) {
    return static_cast<double>(pixels) * kTwipsPerInch / dpi;
}

int HeightToPixels(float twips, int dpi, int currentPixels) {
    const int nearest = TwipsToPixels(twips, dpi);
    if (nearest != currentPixels) return nearest;
    const double current = PixelsToTwips(currentPixels, dpi);
    if (twips > current) return currentPixels + 1;
    if (twips < current) return currentPixels - 1;
    return currentPixels;
}

}  // namespace zelvane
