#pragma once

#include <cstdint>

namespace qv {

// Window handles and focus, as the component asks about them.
class WindowSystem {
public:
    virtual int64_t GetFocus() const = 0;
    virtual int64_t GetParent(int64_t window) const = 0;
    virtual int64_t GetDesktopWindow() const = 0;
    virtual int32_t TwipsPerPixelX() const = 0;
    virtual int32_t TwipsPerPixelY() const = 0;

protected:
    ~WindowSystem() = default;
};

class KeyboardState {
public:
    // Whether the virtual key (0x11 Ctrl, 0x10 Shift) is down now.
    virtual bool IsKeyDown(int32_t virtualKey) const = 0;

protected:
    ~KeyboardState() = default;
};

} // namespace qv
