#include "gui/QtPlatform.h"

#include "controls/SinkList.h"
#include "gui/ErrorBoundary.h"
#include "gui/Twips.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace qv {

namespace {

TwipsScale PrimaryScale() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen
               ? TwipsScale::FromDpi(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY())
               : TwipsScale{};
}

// A platform timer on a single-shot QTimer: armed when enabled, re-armed after each tick
// while it stays enabled.
class QtTimer final : public Timer {
public:
    QtTimer() : timer_(new QTimer) {
        timer_->setSingleShot(true);
        QObject::connect(timer_, &QTimer::timeout, [this] { Fire(); });
    }
    ~QtTimer() override {
        // The timer may be released from inside its own tick: let Qt finish with it first.
        timer_->stop();
        timer_->disconnect();
        timer_->deleteLater();
    }

    std::string TypeName() const override { return "Timer"; }
    int32_t Interval() const override { return interval_; }
    void SetInterval(int32_t milliseconds) override {
        interval_ = milliseconds < 0 ? 0 : milliseconds;
        if (enabled_) Arm();
    }
    bool Enabled() const override { return enabled_; }
    void SetEnabled(bool value) override {
        enabled_ = value;
        if (value)
            Arm();
        else
            timer_->stop();
    }
    Subscription Subscribe(TimerEvents& sink) override { return sinks_.Add(sink); }

private:
    void Arm() { timer_->start(interval_); }
    void Fire() {
        if (!enabled_) return;
        auto self = shared_from_this(); // a handler may drop the last other reference
        Guarded(nullptr, [&] { sinks_.Raise([](TimerEvents& sink) { sink.Tick(); }); });
        if (enabled_ && !timer_->isActive()) Arm();
    }

    QTimer* timer_;
    int32_t interval_ = 0;
    bool enabled_ = false;
    SinkList<TimerEvents> sinks_;
};

} // namespace

int64_t QtWindowSystem::HandleOf(const QWidget* widget) {
    return static_cast<int64_t>(reinterpret_cast<intptr_t>(widget));
}

int64_t QtWindowSystem::GetFocus() const {
    return HandleOf(QApplication::focusWidget());
}

int64_t QtWindowSystem::GetParent(int64_t window) const {
    if (window == 0 || window == kDesktop) return 0;
    for (QWidget* widget : QApplication::allWidgets()) {
        if (HandleOf(widget) != window) continue;
        QWidget* parent = widget->parentWidget();
        return parent ? HandleOf(parent) : kDesktop;
    }
    return 0;
}

int32_t QtWindowSystem::TwipsPerPixelX() const {
    return PrimaryScale().WholeTwipsPerPixelX();
}

int32_t QtWindowSystem::TwipsPerPixelY() const {
    return PrimaryScale().WholeTwipsPerPixelY();
}

bool QtKeyboard::IsKeyDown(int32_t virtualKey) const {
    const Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
    switch (virtualKey) {
    case 0x10:
        return mods & Qt::ShiftModifier;
    case 0x11:
        return mods & Qt::ControlModifier;
    case 0x12:
        return mods & Qt::AltModifier;
    default:
        return false;
    }
}

std::shared_ptr<Timer> QtUiLoop::CreateTimer() {
    return std::make_shared<QtTimer>();
}

void QtUiLoop::DoEvents() {
    QCoreApplication::processEvents();
}

} // namespace qv
