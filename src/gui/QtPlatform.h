#pragma once

#include "contracts/Platform.h"
#include "contracts/UiLoop.h"

#include <cstdint>

class QWidget;

namespace qv {

// Window handles are widget addresses; the desktop is handle 1. GetParent answers only for
// widgets that exist (0 otherwise); a top-level widget's parent is the desktop.
class QtWindowSystem final : public WindowSystem {
public:
    static int64_t HandleOf(const QWidget* widget);
    static constexpr int64_t kDesktop = 1;

    int64_t GetFocus() const override;
    int64_t GetParent(int64_t window) const override;
    int64_t GetDesktopWindow() const override { return kDesktop; }
    // Of the primary screen's logical DPI.
    int32_t TwipsPerPixelX() const override;
    int32_t TwipsPerPixelY() const override;
};

// The keys held now: 0x10 Shift, 0x11 Ctrl, 0x12 Alt from the keyboard modifiers; others false.
class QtKeyboard final : public KeyboardState {
public:
    bool IsKeyDown(int32_t virtualKey) const override;
};

// Timers on the Qt event loop (single-shot QTimers re-armed after each tick, as the platform's
// timers fire until disabled); DoEvents lets pending events and due timers run
// (QCoreApplication::processEvents). A tick's exception goes to the GUI error sink.
class QtUiLoop final : public UiLoop {
public:
    std::shared_ptr<Timer> CreateTimer() override;
    void DoEvents() override;
};

} // namespace qv
