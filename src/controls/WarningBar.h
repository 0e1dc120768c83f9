#pragma once

#include "contracts/WarningBar.h"
#include "controls/SinkList.h"

#include <string>

namespace qv {

// What a view of a HeadlessWarningBar is told: caption, visibility, style or place changed. The
// observer must not change the bar from inside the call.
class WarningBarObserver {
public:
    virtual void Changed() = 0;

protected:
    ~WarningBarObserver() = default;
};

// The banner across the top of the component, without a screen. It starts hidden, with no
// caption, style 0 and a close button; its height is fixed.
class HeadlessWarningBar final : public WarningBar {
public:
    static constexpr int32_t BarHeight = 390; // twips, one toolbar row

    std::string TypeName() const override { return "WarningBar"; }
    std::string Caption() const override { return caption_; }
    void SetCaption(const std::string& caption) override { Set(caption_, caption); }
    bool Visible() const override { return visible_; }
    void SetVisible(bool value) override { Set(visible_, value); }
    int32_t Style() const override { return style_; }
    void SetStyle(int32_t value) override { Set(style_, value); }
    void SetCloseButton(bool value) override { Set(closeButton_, value); }
    int32_t Height() const override { return BarHeight; }
    void Place(int32_t left, int32_t top, int32_t width) override;
    int32_t Left() const override { return left_; }
    int32_t Top() const override { return top_; }
    int32_t Width() const override { return width_; }
    Subscription Subscribe(WarningBarEvents& sink) override { return sinks_.Add(sink); }

    // The one view observer (nullptr: none); not owned, it must stay alive while set.
    void SetObserver(WarningBarObserver* observer) { observer_ = observer; }
    bool CloseButton() const { return closeButton_; }
    // The user clicks the bar: raises Click. A hidden bar cannot be clicked: returns false.
    bool UserClick();

private:
    template <class T, class V> void Set(T& field, const V& value) {
        if (field == value) return;
        field = value;
        if (observer_) observer_->Changed();
    }

    WarningBarObserver* observer_ = nullptr;
    std::string caption_;
    bool visible_ = false;
    int32_t style_ = 0;
    bool closeButton_ = true;
    int32_t left_ = 0, top_ = 0, width_ = 0;
    SinkList<WarningBarEvents> sinks_;
};

} // namespace qv
