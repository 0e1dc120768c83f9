#include "gui/QtMessageBoxes.h"

#include "contracts/HostServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>

namespace qv {

namespace {

QString BoxText(const std::string& text) {
    QString out = QString::fromStdString(text);
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}
} // namespace

BoxLayout LayoutOfBox(int32_t buttons) {
    using B = QMessageBox;
    BoxLayout layout;
    switch (buttons & mb::IconMask) {
    case mb::Critical:
        layout.icon = B::Critical;
        break;
    case mb::Question:
        layout.icon = B::Question;
        break;
    case mb::Exclamation:
        layout.icon = B::Warning;
        break;
    case mb::Information:
        layout.icon = B::Information;
        break;
    default:
        break;
    }
    switch (buttons & mb::ButtonsMask) {
    case mb::OkCancel:
        layout.buttons = {{B::Ok, mb::Ok}, {B::Cancel, mb::Cancel}};
        break;
    case mb::AbortRetryIgnore:
        layout.buttons = {{B::Abort, mb::Abort}, {B::Retry, mb::Retry}, {B::Ignore, mb::Ignore}};
        break;
    case mb::YesNoCancel:
        layout.buttons = {{B::Yes, mb::Yes}, {B::No, mb::No}, {B::Cancel, mb::Cancel}};
        break;
    case mb::YesNo:
        layout.buttons = {{B::Yes, mb::Yes}, {B::No, mb::No}};
        break;
    case mb::RetryCancel:
        layout.buttons = {{B::Retry, mb::Retry}, {B::Cancel, mb::Cancel}};
        break;
    default:
        layout.buttons = {{B::Ok, mb::Ok}};
        break;
    }
    const int count = static_cast<int>(layout.buttons.size());
    layout.defaultIndex = std::min(((buttons & mb::DefaultButtonMask) >> 8), count - 1);
    for (int i = 0; i < count && layout.escapeIndex < 0; ++i)
        if (layout.buttons[static_cast<std::size_t>(i)].second == mb::Cancel)
            layout.escapeIndex = i;
    for (int i = 0; i < count && layout.escapeIndex < 0; ++i)
        if (layout.buttons[static_cast<std::size_t>(i)].second == mb::No) layout.escapeIndex = i;
    if (layout.escapeIndex < 0 && count == 1) layout.escapeIndex = 0;
    return layout;
}

int32_t QtMessageBoxes::Run(QMessageBox& box, const BoxLayout& layout) {
    std::vector<QAbstractButton*> made;
    for (const auto& [standard, code] : layout.buttons)
        made.push_back(box.addButton(standard));
    box.setDefaultButton(
        qobject_cast<QPushButton*>(made[static_cast<std::size_t>(layout.defaultIndex)]));
    if (layout.escapeIndex >= 0)
        box.setEscapeButton(made[static_cast<std::size_t>(layout.escapeIndex)]);
    if (beforeShow_) beforeShow_();
    // A box asked for in the middle of a busy gesture (a find that found nothing) waits for the
    // person: the usual pointer over it, the busy one back after it.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy) QApplication::restoreOverrideCursor();
    QAbstractButton* clicked = box.clickedButton();
    for (std::size_t i = 0; i < made.size(); ++i)
        if (made[i] == clicked) return layout.buttons[i].second;
    const int fallback = layout.escapeIndex >= 0 ? layout.escapeIndex : layout.defaultIndex;
    return layout.buttons[static_cast<std::size_t>(fallback)].second;
}

int32_t QtMessageBoxes::Show(const std::string& prompt, int32_t buttons, const std::string& title) {
    const BoxLayout layout = LayoutOfBox(buttons);
    QMessageBox box(layout.icon, QString::fromStdString(title), BoxText(prompt),
                    QMessageBox::NoButton, parent_ ? parent_ : QApplication::activeWindow());
    return Run(box, layout);
}

int32_t QtMessageBoxes::ShowWithOption(const std::string& prompt, int32_t buttons,
                                       const std::string& title, const std::string& optionText,
                                       bool& optionChosen) {
    const BoxLayout layout = LayoutOfBox(buttons);
    QMessageBox box(layout.icon, QString::fromStdString(title), BoxText(prompt),
                    QMessageBox::NoButton, parent_ ? parent_ : QApplication::activeWindow());
    auto* option = new QCheckBox(QString::fromStdString(optionText));
    box.setCheckBox(option);
    const int32_t answer = Run(box, layout);
    optionChosen = option->isChecked();
    return answer;
}

} // namespace qv
