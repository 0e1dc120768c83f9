#include "host/SystemColors.h"

#include <array>

namespace qv {

namespace {
constexpr uint32_t kSystemFlag = 0x80000000u;

// Indexed by system colour number; values are RRGGBB as designers write them.
constexpr std::array<uint32_t, 31> kSystemRgb = {
    0xC8C8C8, // 0 scroll bar
    0x000000, // 1 desktop
    0x99B4D1, // 2 active caption
    0xBFCDDB, // 3 inactive caption
    0xF0F0F0, // 4 menu
    0xFFFFFF, // 5 window
    0x646464, // 6 window frame
    0x000000, // 7 menu text
    0x000000, // 8 window text
    0x000000, // 9 caption text
    0xB4B4B4, // 10 active border
    0xF4F7FC, // 11 inactive border
    0xABABAB, // 12 application workspace
    0x0078D7, // 13 highlight
    0xFFFFFF, // 14 highlight text
    0xF0F0F0, // 15 button face
    0xA0A0A0, // 16 button shadow
    0x6D6D6D, // 17 grey text
    0x000000, // 18 button text
    0x000000, // 19 inactive caption text
    0xFFFFFF, // 20 button highlight
    0x696969, // 21 3D dark shadow
    0xE3E3E3, // 22 3D light
    0x000000, // 23 tooltip text
    0xFFFFE1, // 24 tooltip background
    0x000000, // 25 unused
    0x0066CC, // 26 hot-tracked item
    0xB9D1EA, // 27 active caption gradient
    0xD7E4F2, // 28 inactive caption gradient
    0x3399FF, // 29 menu highlight
    0xF0F0F0, // 30 menu bar
};

constexpr uint32_t RgbToBgr(uint32_t rgb) {
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}
} // namespace

std::optional<uint32_t> TranslateColor(int32_t color) {
    const auto c = static_cast<uint32_t>(color);
    if ((c & 0xFF000000u) == kSystemFlag) {
        const uint32_t index = c & 0x00FFFFFFu;
        if (index >= kSystemRgb.size()) return std::nullopt;
        return RgbToBgr(kSystemRgb[index]);
    }
    return c & 0x00FFFFFFu;
}

} // namespace qv
