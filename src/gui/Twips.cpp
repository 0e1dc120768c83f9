#include "gui/Twips.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace qv {

namespace {
constexpr double kTwipsPerInch = 1440.0;
constexpr double kDefaultDpi = 96.0;

double PerPixel(double dpi) {
    return kTwipsPerInch / (dpi > 0 ? dpi : kDefaultDpi);
}
} // namespace

TwipsScale TwipsScale::FromDpi(double dpiX, double dpiY) {
    return {PerPixel(dpiX), PerPixel(dpiY)};
}

TwipsScale TwipsScale::Of(const QWidget& widget) {
    return FromDpi(widget.logicalDpiX(), widget.logicalDpiY());
}

int TwipsScale::ToPixelsX(int32_t twips) const {
    return static_cast<int>(std::lround(twips / perPixelX));
}

int TwipsScale::ToPixelsY(int32_t twips) const {
    return static_cast<int>(std::lround(twips / perPixelY));
}

int32_t TwipsScale::ToTwipsX(int pixels) const {
    return static_cast<int32_t>(std::lround(pixels * perPixelX));
}

int32_t TwipsScale::ToTwipsY(int pixels) const {
    return static_cast<int32_t>(std::lround(pixels * perPixelY));
}

int32_t TwipsScale::WholeTwipsPerPixelX() const {
    return std::max<int32_t>(1, static_cast<int32_t>(std::lround(perPixelX)));
}

int32_t TwipsScale::WholeTwipsPerPixelY() const {
    return std::max<int32_t>(1, static_cast<int32_t>(std::lround(perPixelY)));
}

} // namespace qv
