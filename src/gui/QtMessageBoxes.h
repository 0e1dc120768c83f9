#pragma once

#include "host/MessageBoxes.h"

#include <QMessageBox>
#include <functional>
#include <vector>

class QWidget;

namespace qv {

// What a box with these button flags offers: its icon and its buttons, each with the answer
// code it returns, first button first; defaultIndex is the button flags' default (256 second,
// 512 third), escapeIndex the button Escape and the close box answer (Cancel, else No, else
// the only button), -1 when there is none to take.
struct BoxLayout {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::vector<std::pair<QMessageBox::StandardButton, int32_t>> buttons;
    int defaultIndex = 0;
    int escapeIndex = -1;
};
BoxLayout LayoutOfBox(int32_t buttons);

// Message boxes for a person: QMessageBox with the icon and buttons of the flags (16 critical,
// 32 question, 48 exclamation, 64 information; 0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore,
// 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel) returning the button codes (1 OK, 2 Cancel,
// 3 Abort, 4 Retry, 5 Ignore, 6 Yes, 7 No). ShowWithOption adds a check box with the option
// text. Modal over the parent (nullptr: the active window).
class QtMessageBoxes final : public MessageBoxService {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    // Called just before each box shows, so that the window drops what no longer holds while
    // the box waits (a busy note of the gesture that asked for the box).
    void SetBeforeShow(std::function<void()> hook) { beforeShow_ = std::move(hook); }

    int32_t Show(const std::string& prompt, int32_t buttons, const std::string& title) override;
    int32_t ShowWithOption(const std::string& prompt, int32_t buttons, const std::string& title,
                           const std::string& optionText, bool& optionChosen) override;

private:
    int32_t Run(QMessageBox& box, const BoxLayout& layout);
    QWidget* parent_;
    std::function<void()> beforeShow_;
};

} // namespace qv
