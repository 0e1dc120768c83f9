#pragma once

#include "contracts/Platform.h"

#include <cstdint>
#include <set>

namespace qv {

// The headless screen: 15 twips per pixel, one desktop window (handle 1), no parent windows;
// the keyboard focus is wherever the host puts it.
class HeadlessWindows final : public WindowSystem {
public:
    int64_t focus = 0;
    int64_t GetFocus() const override { return focus; }
    int64_t GetParent(int64_t) const override { return 0; }
    int64_t GetDesktopWindow() const override { return 1; }
    int32_t TwipsPerPixelX() const override { return 15; }
    int32_t TwipsPerPixelY() const override { return 15; }
};

// Keys held down, as the host says (0x11 Ctrl, 0x10 Shift).
class HeadlessKeyboard final : public KeyboardState {
public:
    std::set<int32_t> down;
    bool IsKeyDown(int32_t virtualKey) const override { return down.count(virtualKey) != 0; }
};

} // namespace qv
