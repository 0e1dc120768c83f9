#pragma once

#include <cstdint>

class QWidget;

namespace qv {

// Converts between the component's twips and screen pixels: 1440 twips to the logical inch,
// so a pixel is 1440 / logical DPI twips (15 at 96 DPI). Pixels are rounded to the nearest.
struct TwipsScale {
    double perPixelX = 15.0;
    double perPixelY = 15.0;

    // A DPI of 0 or less counts as 96.
    static TwipsScale FromDpi(double dpiX, double dpiY);
    // The logical DPI of the screen the widget is on.
    static TwipsScale Of(const QWidget& widget);

    int ToPixelsX(int32_t twips) const;
    int ToPixelsY(int32_t twips) const;
    int32_t ToTwipsX(int pixels) const;
    int32_t ToTwipsY(int pixels) const;
    // One pixel in whole twips, as WindowSystem::TwipsPerPixelX/Y report it (at least 1).
    int32_t WholeTwipsPerPixelX() const;
    int32_t WholeTwipsPerPixelY() const;
};

} // namespace qv
