#pragma once

#include "contracts/WarningBar.h"
#include "controls/SinkList.h"

#include <string>

namespace qv {

// The banner across the top of the component, without a screen. It starts hidden, with no
// caption, style 0 and a close button; its height is fixed.
class HeadlessWarningBar final : public WarningBar {
public:
    static constexpr int32_t BarHeight = 390; // twips, one toolbar row

    std::string TypeName() const override { return "WarningBar"; }
    std::string Caption() const override { return caption_; }
    void SetCaption(const std::string& caption) override { caption_ = caption; }
    bool Visible() const override { return visible_; }
    void SetVisible(bool value) override { visible_ = value; }
    int32_t Style() const override { return style_; }
    void SetStyle(int32_t value) override { style_ = value; }
    void SetCloseButton(bool value) override { closeButton_ = value; }
    int32_t Height() const override { return BarHeight; }
    void Place(int32_t left, int32_t top, int32_t width) override;
    int32_t Left() const override { return left_; }
    int32_t Top() const override { return top_; }
    int32_t Width() const override { return width_; }
    Subscription Subscribe(WarningBarEvents& sink) override { return sinks_.Add(sink); }

    bool CloseButton() const { return closeButton_; }
    // The user clicks the bar: raises Click. A hidden bar cannot be clicked: returns false.
    bool UserClick();

private:
    std::string caption_;
    bool visible_ = false;
    int32_t style_ = 0;
    bool closeButton_ = true;
    int32_t left_ = 0, top_ = 0, width_ = 0;
    SinkList<WarningBarEvents> sinks_;
};

} // namespace qv
